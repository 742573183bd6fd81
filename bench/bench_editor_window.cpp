// The XML editor window on the 100 MB benchmark document, against the document window's load
// of the same file in the same run: opening the editor (window, load, first paint), Format XML
// (with its reload and repaint), and typing single characters into the formatted text (each
// key with the window's updates and a repaint). Best of a few alternating runs; prints the
// times and the ratios with their goals, and the keys' processor time beside their wall time.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "BenchData.h"
#include "Corvane_Dialogs.h"
#include "EditorWnd.h"
#include "TextEditor.h"
#include "ViewerWnd.h"

namespace {

double Seconds(const QElapsedTimer& ATimer) { return double(ATimer.nsecsElapsed()) / 1e9; }

// The processor time of this thread: on a shared machine a key's wall time also holds the
// time the process waited for a processor.
double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

void Settle() {
  QApplication::processEvents();
  QApplication::processEvents();
}

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double ViewerLoad(const QString& AFile, double& ACpu) {
  TQuillonOptions options;
  Tmdi_quillon_Viewer viewer(&options);
  viewer.resize(1000, 700);
  viewer.show();
  Settle();
  QElapsedTimer timer;
  timer.start();
  const double cpu = ProcessCpuSeconds();
  viewer.SetFilename(AFile);
  viewer.repaint();
  Settle();
  ACpu = ProcessCpuSeconds() - cpu;
  return Seconds(timer);
}

struct TKeys {
  double Mean = 0, Max = 0, CpuMean = 0, CpuMax = 0;
  void Best(const TKeys& AOther) {
    Mean = std::min(Mean, AOther.Mean);
    Max = std::min(Max, AOther.Max);
    CpuMean = std::min(CpuMean, AOther.CpuMean);
    CpuMax = std::min(CpuMax, AOther.CpuMax);
  }
};

struct TEditorRun {
  double Open = 0;
  double Format = 0;
  double FormatCpu = 0;
  TKeys Keys;     // typed right after formatting
  TKeys Settled;  // typed once the idle-time work has reached the view (--settled)
  double CatchUp = 0;
  double IdleMax = 0;  // the longest single step of idle-time work between keys
  bool Ok = false;
};

TEditorRun EditorRun(const QString& AFile, bool AFormatAndType, bool ASettled) {
  TEditorRun run;
  QElapsedTimer timer;
  timer.start();
  auto window = std::make_unique<Twnd_quillon_Editor>();
  window->LoadFile(AFile);
  window->show();
  window->repaint();
  Settle();
  run.Open = Seconds(timer);
  run.Ok = window->Editor->lines() > 1;
  if (!AFormatAndType) return run;

  timer.restart();
  const double cpu = ProcessCpuSeconds();
  window->acFormat->trigger();  // the question is answered by the dialog hook
  window->repaint();
  Settle();
  run.Format = Seconds(timer);
  run.FormatCpu = ProcessCpuSeconds() - cpu;
  run.Ok = run.Ok && window->Editor->Modified();

  // Keys in the middle of the document, typed right after formatting. Each is timed with what
  // it sets off: the queued change notice, the status line and the paint of what changed
  // (posted events), but not the control's idle-time work (wrapping the lines out of view,
  // colouring the text above the view), which runs from a timer only while no input waits;
  // the longest such step is timed apart, as the most a key can wait. With --settled the keys
  // are typed again once that work has reached the view (on a big text the control has then
  // wrapped a good part of it, which makes each key dearer: see the closing figures).
  TTextEditor& editor = *window->Editor;
  editor.SetCaret(editor.lines() / 2, 1);
  Settle();
  auto typeKeys = [&](int ACount, TKeys& AKeys) {
    double total = 0, totalCpu = 0;
    for (int i = 0; i < ACount; ++i) {
      const QString text(QChar(u'a' + i % 26));
      QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, text);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, text);
      timer.restart();
      const double cpu = CpuSeconds();
      QApplication::sendEvent(&editor, &press);
      QApplication::sendEvent(&editor, &release);
      QCoreApplication::sendPostedEvents();
      QCoreApplication::sendPostedEvents();
      const double key = Seconds(timer);
      const double keyCpu = CpuSeconds() - cpu;
      total += key;
      totalCpu += keyCpu;
      AKeys.Max = std::max(AKeys.Max, key);
      AKeys.CpuMax = std::max(AKeys.CpuMax, keyCpu);
      timer.restart();
      QApplication::processEvents();  // one round of the idle-time work
      run.IdleMax = std::max(run.IdleMax, Seconds(timer));
    }
    AKeys.Mean = total / ACount;
    AKeys.CpuMean = totalCpu / ACount;
  };
  typeKeys(40, run.Keys);
  if (ASettled) {
    const long shownEnd = editor.SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE,
                                              editor.SendScintilla(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE) +
                                                  editor.SendScintilla(QsciScintillaBase::SCI_LINESONSCREEN));
    timer.restart();
    while (editor.SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED) < shownEnd) {
      QElapsedTimer step;
      step.start();
      QApplication::processEvents();
      run.IdleMax = std::max(run.IdleMax, Seconds(step));
    }
    run.CatchUp = Seconds(timer);
    typeKeys(40, run.Settled);
  }
  // The window goes without its close question.
  window->Editor->SetModified(false);
  return run;
}

const char* Goal(bool AMet) { return AMet ? "met" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string dataDir = BenchDataDir(argc, argv);
  // --file=PATH times another file instead of the benchmark document.
  std::string path;
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]).rfind("--file=", 0) == 0) path = std::string(argv[i]).substr(7);
  if (path.empty()) path = BenchDocument(dataDir);
  QApplication application(argc, argv);
  SetDialogHook([](TDialogKind AKind, const QString&, const QString& AText) {
    if (AKind == dkError) std::fprintf(stderr, "error box: %s\n", qPrintable(AText));
    return AKind == dkConfirm || AKind == dkConfirmCancel ? mrYes : mrOk;
  });
  const QString file = QString::fromStdString(path);
  const double mb = double(QFileInfo(file).size()) / 1e6;

  // --runs=N rounds (3 by default), each a document window load, then the editor opened,
  // formatted and typed into; every figure is the best of the rounds.
  int runs = 3;
  bool settled = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]).rfind("--runs=", 0) == 0) runs = std::max(1, std::atoi(argv[i] + 7));
    if (std::string(argv[i]) == "--settled") settled = true;
  }
  double viewer = 1e9, viewerCpu = 1e9;
  TEditorRun best;
  best.FormatCpu = best.Open = best.Format = best.IdleMax = best.CatchUp = 1e9;
  best.Settled = best.Keys = TKeys{1e9, 1e9, 1e9, 1e9};
  bool ok = true;
  for (int i = 0; i < runs; ++i) {
    double cpu = 0;
    viewer = std::min(viewer, ViewerLoad(file, cpu));
    viewerCpu = std::min(viewerCpu, cpu);
    const TEditorRun run = EditorRun(file, true, settled);
    ok = ok && run.Ok;
    best.Open = std::min(best.Open, run.Open);
    best.Format = std::min(best.Format, run.Format);
    best.FormatCpu = std::min(best.FormatCpu, run.FormatCpu);
    best.Settled.Best(run.Settled);
    best.Keys.Best(run.Keys);
    best.IdleMax = std::min(best.IdleMax, run.IdleMax);
    best.CatchUp = std::min(best.CatchUp, run.CatchUp);
  }

  std::printf("editor window on %.1f MB%s (best of %d rounds)\n", mb, ok ? "" : "  RUN FAILED", runs);
  std::printf("  %-34s %8.3f s\n", "document window load", viewer);
  std::printf("  %-34s %8.3f s  ratio %.2f (goal <= 2: %s)\n", "editor open (load, first paint)", best.Open,
              best.Open / viewer, Goal(best.Open <= 2 * viewer));
  std::printf("  %-34s %8.3f s  ratio %.2f (goal <= 3: %s)\n", "Format XML (with reload)", best.Format,
              best.Format / viewer, Goal(best.Format <= 3 * viewer));
  std::printf("  %-34s %8.3f s  ratio %.2f (processor time, against the load's %.3f s)\n", "", best.FormatCpu,
              best.FormatCpu / viewerCpu, viewerCpu);
  std::printf("  %-34s %8.2f ms mean, %.2f ms worst (goal < 16 ms a key: %s)\n", "typing after formatting",
              best.Keys.Mean * 1e3, best.Keys.Max * 1e3, Goal(best.Keys.Max < 0.016));
  std::printf("  %-34s %8.2f ms mean, %.2f ms worst (processor time of the same keys)\n", "", best.Keys.CpuMean * 1e3,
              best.Keys.CpuMax * 1e3);
  if (settled) {
    std::printf("  %-34s %8.3f s  (idle-time work until it reached the view)\n", "", best.CatchUp);
    std::printf("  %-34s %8.2f ms mean, %.2f ms worst (processor time %.2f / %.2f ms)\n", "typing once that is done",
                best.Settled.Mean * 1e3, best.Settled.Max * 1e3, best.Settled.CpuMean * 1e3,
                best.Settled.CpuMax * 1e3);
  }
  std::printf("  %-34s %8.2f ms (longest step of idle-time work between keys)\n", "", best.IdleMax * 1e3);
  return 0;
}
