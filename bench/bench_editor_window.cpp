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
  TKeys Top;      // typed where Format XML leaves the caret, at the top
  TKeys Middle;   // typed after a jump to the middle (the first key moves the control's gap there)
  TKeys Settled;  // typed once the idle-time work has reached the view (--settled)
  TKeys Wrapped;  // typed once the idle-time work has ended, the whole text wrapped
  double CatchUp = 0;
  double WrapAll = 0;     // the idle-time work until it ended
  double IdleMax = 0;     // the longest single step of idle-time work between keys
  double IdleCpuMax = 0;  // the same in processor time
  bool Ok = false;
};

constexpr double cNone = 1e9;

TEditorRun EditorRun(const QString& AFile, bool ASettled, bool AWrapped, int AKeys) {
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

  timer.restart();
  const double cpu = ProcessCpuSeconds();
  window->acFormat->trigger();  // the question is answered by the dialog hook
  window->repaint();
  Settle();
  run.Format = Seconds(timer);
  run.FormatCpu = ProcessCpuSeconds() - cpu;
  run.Ok = run.Ok && window->Editor->Modified();

  // Keys typed right after formatting, with word wrap on as the window starts. Each is timed
  // with what it sets off: the queued change notice, the status line and the paint of what
  // changed (posted events), but not the control's idle-time work (wrapping the lines out of
  // view, colouring the text above the view), which runs from a timer only while no input
  // waits; the longest such step is timed apart, as the most a key can wait.
  TTextEditor& editor = *window->Editor;
  auto typeKeys = [&](int ACount, TKeys& AKeys) {
    double total = 0, totalCpu = 0;
    for (int i = 0; i < ACount; ++i) {
      const QString text(QChar(u'a' + i % 26));
      QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, text);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, text);
      timer.restart();
      double cpu = CpuSeconds();
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
      cpu = CpuSeconds();
      QApplication::processEvents();  // one round of the idle-time work
      run.IdleMax = std::max(run.IdleMax, Seconds(timer));
      run.IdleCpuMax = std::max(run.IdleCpuMax, CpuSeconds() - cpu);
    }
    AKeys.Mean = total / ACount;
    AKeys.CpuMean = totalCpu / ACount;
  };
  // Where Format XML leaves the caret; then a jump to the middle, whose first key pays for
  // moving the control's gap there.
  typeKeys(AKeys, run.Top);
  editor.SetCaret(editor.lines() / 2, 1);
  Settle();
  typeKeys(AKeys, run.Middle);
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
    typeKeys(AKeys, run.Settled);
  }
  if (AWrapped) {
    // The control stops its idle-time work once nothing is left to wrap or colour: rounds of
    // the event loop then return at once. Waiting for that is the long part, so the keys are
    // typed in a few rounds in this state and the best counts.
    timer.restart();
    for (int quiet = 0; quiet < 50;) {
      QElapsedTimer step;
      step.start();
      QApplication::processEvents();
      quiet = Seconds(step) < 0.0005 ? quiet + 1 : 0;
    }
    run.WrapAll = Seconds(timer);
    run.Wrapped = TKeys{cNone, cNone, cNone, cNone};
    for (int round = 0; round < 3; ++round) {
      TKeys keys;
      typeKeys(AKeys, keys);
      run.Wrapped.Best(keys);
    }
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
  // formatted and typed into; every figure is the best of the rounds. The first --wrapped=N
  // rounds (1 by default) also wait until the control has wrapped the whole text in idle time
  // (on the benchmark document most of a minute) and type again.
  int runs = 3, wrappedRuns = 1, keys = 40;
  bool settled = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--runs=", 0) == 0) runs = std::max(1, std::atoi(argv[i] + 7));
    if (arg.rfind("--wrapped=", 0) == 0) wrappedRuns = std::max(0, std::atoi(argv[i] + 10));
    if (arg.rfind("--keys=", 0) == 0) keys = std::max(1, std::atoi(argv[i] + 7));
    if (arg == "--settled") settled = true;
  }
  double viewer = cNone, viewerCpu = cNone;
  TEditorRun best;
  best.FormatCpu = best.Open = best.Format = best.IdleMax = best.IdleCpuMax = best.CatchUp = best.WrapAll = cNone;
  best.Wrapped = best.Settled = best.Middle = best.Top = TKeys{cNone, cNone, cNone, cNone};
  bool ok = true;
  for (int i = 0; i < runs; ++i) {
    double cpu = 0;
    viewer = std::min(viewer, ViewerLoad(file, cpu));
    viewerCpu = std::min(viewerCpu, cpu);
    const bool wrapped = i < wrappedRuns;
    const TEditorRun run = EditorRun(file, settled, wrapped, keys);
    ok = ok && run.Ok;
    best.Open = std::min(best.Open, run.Open);
    best.Format = std::min(best.Format, run.Format);
    best.FormatCpu = std::min(best.FormatCpu, run.FormatCpu);
    best.Top.Best(run.Top);
    best.Middle.Best(run.Middle);
    best.Settled.Best(run.Settled);
    best.IdleMax = std::min(best.IdleMax, run.IdleMax);
    best.IdleCpuMax = std::min(best.IdleCpuMax, run.IdleCpuMax);
    best.CatchUp = std::min(best.CatchUp, run.CatchUp);
    if (wrapped) {
      best.Wrapped.Best(run.Wrapped);
      best.WrapAll = std::min(best.WrapAll, run.WrapAll);
    }
  }

  std::printf("editor window on %.1f MB%s (best of %d rounds, word wrap on)\n", mb, ok ? "" : "  RUN FAILED", runs);
  std::printf("  %-34s %8.3f s\n", "document window load", viewer);
  std::printf("  %-34s %8.3f s  ratio %.2f (goal <= 2: %s)\n", "editor open (load, first paint)", best.Open,
              best.Open / viewer, Goal(best.Open <= 2 * viewer));
  std::printf("  %-34s %8.3f s  ratio %.2f (goal <= 3: %s)\n", "Format XML (with reload)", best.Format,
              best.Format / viewer, Goal(best.Format <= 3 * viewer));
  std::printf("  %-34s %8.3f s  ratio %.2f (processor time, against the load's %.3f s)\n", "", best.FormatCpu,
              best.FormatCpu / viewerCpu, viewerCpu);
  auto keysLine = [](const char* AWhat, const TKeys& AKeys) {
    std::printf("  %-34s %8.2f ms mean, %.2f ms worst (goal < 16 ms a key: %s)\n", AWhat, AKeys.Mean * 1e3,
                AKeys.Max * 1e3, Goal(AKeys.Max < 0.016));
    std::printf("  %-34s %8.2f ms mean, %.2f ms worst (processor time of the same keys)\n", "", AKeys.CpuMean * 1e3,
                AKeys.CpuMax * 1e3);
  };
  keysLine("typing at the top after Format", best.Top);
  keysLine("then after a jump to the middle", best.Middle);
  if (settled) {
    std::printf("  %-34s %8.3f s  (idle-time work until it reached the view)\n", "", best.CatchUp);
    keysLine("typing once that is done", best.Settled);
  }
  if (wrappedRuns > 0) {
    std::printf("  %-34s %8.3f s  (idle-time work until it ended)\n", "", best.WrapAll);
    keysLine("typing once all text is wrapped", best.Wrapped);
  }
  std::printf("  %-34s %8.2f ms, %.2f ms processor time (longest step of idle-time work between keys)\n", "",
              best.IdleMax * 1e3, best.IdleCpuMax * 1e3);
  return 0;
}
