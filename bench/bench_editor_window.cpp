// The XML editor window on the 100 MB benchmark document, against the document window's load
// of the same file in the same run: opening the editor (window, load, first paint), Format XML
// (with its reload and repaint), and typing single characters into the formatted text (each
// key with the window's updates and a repaint). Best of a few alternating runs; prints the
// times and the ratios with their goals.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>

#include <algorithm>
#include <cstdio>
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

void Settle() {
  QApplication::processEvents();
  QApplication::processEvents();
}

double ViewerLoad(const QString& AFile) {
  TQuillonOptions options;
  Tmdi_quillon_Viewer viewer(&options);
  viewer.resize(1000, 700);
  viewer.show();
  Settle();
  QElapsedTimer timer;
  timer.start();
  viewer.SetFilename(AFile);
  viewer.repaint();
  Settle();
  return Seconds(timer);
}

struct TEditorRun {
  double Open = 0;
  double Format = 0;
  double KeyMean = 0;
  double KeyMax = 0;
  double IdleMax = 0;  // the longest single step of idle-time work between keys
  bool Ok = false;
};

TEditorRun EditorRun(const QString& AFile, bool AFormatAndType) {
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
  window->acFormat->trigger();  // the question is answered by the dialog hook
  window->repaint();
  Settle();
  run.Format = Seconds(timer);
  run.Ok = run.Ok && window->Editor->Modified();

  // Keys in the middle of the document. Each is timed with what it sets off: the queued change
  // notice, the status line and the paint of what changed (posted events), but not the
  // control's idle-time work (rewrapping the lines out of view), which runs from a timer only
  // while no input waits; the longest such step is timed apart, as the most a key can wait.
  window->Editor->SetCaret(window->Editor->lines() / 2, 1);
  Settle();
  const int keys = 40;
  double total = 0;
  for (int i = 0; i < keys; ++i) {
    const QString text(QChar(u'a' + i % 26));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + i % 26, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + i % 26, Qt::NoModifier, text);
    timer.restart();
    QApplication::sendEvent(window->Editor, &press);
    QApplication::sendEvent(window->Editor, &release);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents();
    const double key = Seconds(timer);
    total += key;
    run.KeyMax = std::max(run.KeyMax, key);
    timer.restart();
    QApplication::processEvents();  // one round of the idle-time work
    run.IdleMax = std::max(run.IdleMax, Seconds(timer));
  }
  run.KeyMean = total / keys;
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

  const int runs = 2;
  double viewer = 1e9, open = 1e9, format = 1e9, keyMean = 1e9, keyMax = 1e9, idleMax = 0;
  bool ok = true;
  for (int i = 0; i < runs; ++i) {
    viewer = std::min(viewer, ViewerLoad(file));
    // Formatting and typing once, on the last run; every run opens.
    const TEditorRun run = EditorRun(file, i == runs - 1);
    ok = ok && run.Ok;
    open = std::min(open, run.Open);
    if (i == runs - 1) {
      format = run.Format;
      keyMean = run.KeyMean;
      keyMax = run.KeyMax;
      idleMax = run.IdleMax;
    }
  }

  std::printf("editor window on %.1f MB%s\n", mb, ok ? "" : "  RUN FAILED");
  std::printf("  %-34s %8.3f s\n", "document window load", viewer);
  std::printf("  %-34s %8.3f s  ratio %.2f (goal <= 2: %s)\n", "editor open (load, first paint)", open,
              open / viewer, Goal(open <= 2 * viewer));
  std::printf("  %-34s %8.3f s  ratio %.2f (goal <= 3: %s)\n", "Format XML (with reload)", format, format / viewer,
              Goal(format <= 3 * viewer));
  std::printf("  %-34s %8.2f ms mean, %.2f ms worst (goal < 16 ms a key: %s)\n", "typing after formatting",
              keyMean * 1e3, keyMax * 1e3, Goal(keyMax < 0.016));
  std::printf("  %-34s %8.2f ms (longest step of idle-time wrapping between keys)\n", "", idleMax * 1e3);
  return 0;
}
