// The Source card of the benchmark document: the document window loads the file (the
// reference), then the card is shown, which re-reads the file, formats it through the writer
// and hands the text to the view. Both are timed in the same run; the card must take at most
// three times the load, and the process's peak memory must stay under five times the file
// size. Scrolling the view to the end and back is timed with a repaint at each end.
#include <sys/resource.h>

#include <QApplication>
#include <QScrollBar>
#include <QTabBar>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "BenchData.h"
#include "QuillonOptions.h"
#include "TextEditor.h"
#include "ViewerSourceCard.h"
#include "ViewerWnd.h"

namespace {

double PeakMB() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

template <class F>
double Seconds(F&& aWork) {
  const auto start = std::chrono::steady_clock::now();
  aWork();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string dir = BenchDataDir(argc, argv);
  const std::string file = BenchDocument(dir);
  const double fileMB = double(std::filesystem::file_size(file)) / (1024.0 * 1024.0);
  QApplication app(argc, argv);

  TQuillonOptions options;  // "Format Source" on, as by default
  Tmdi_quillon_Viewer viewer(&options);
  viewer.resize(1000, 700);
  viewer.show();
  QCoreApplication::processEvents();

  const double load = Seconds([&] { viewer.SetFilename(QString::fromStdString(file)); });
  const double afterLoad = PeakMB();
  const double source = Seconds([&] {
    viewer.findChild<QTabBar*>(QStringLiteral("obTab"))->setCurrentIndex(1);
    QCoreApplication::processEvents();
  });
  const double peak = PeakMB();
  TTextEditor* memo = viewer.SourceCard()->Memo();
  const int lines = memo ? memo->LineCount() : 0;
  QScrollBar* bar = memo ? memo->verticalScrollBar() : nullptr;
  const double toEnd = Seconds([&] {
    if (!bar) return;
    bar->setValue(bar->maximum());
    memo->viewport()->repaint();
  });
  const double back = Seconds([&] {
    if (!bar) return;
    bar->setValue(0);
    memo->viewport()->repaint();
  });

  const double ratio = load > 0 ? source / load : 0;
  const double memory = peak / fileMB;
  std::printf("document            %.1f MB, %d source lines\n", fileMB, lines);
  std::printf("window load         %8.3f s  (%.0f MB/s), peak %.0f MB\n", load, fileMB / load, afterLoad);
  std::printf("source card shown   %8.3f s  (%.0f MB/s) = %.2f x the load   [limit 3x: %s]\n", source,
              fileMB / source, ratio, ratio <= 3 ? "ok" : "OVER");
  std::printf("peak memory         %8.0f MB = %.2f x the file             [limit 5x: %s]\n", peak, memory,
              memory < 5 ? "ok" : "OVER");
  std::printf("scroll to end/back  %8.1f ms / %.1f ms\n", toEnd * 1000, back * 1000);
  return 0;
}
