// viewer_timing FILE [RUNS]: wall time to open FILE in a document window (SetFilename and the
// first paint of the shown window), beside the same load into a bare document without any
// window, alternating RUNS times (default 3); prints the best of each and their ratio. Then
// the times of a full expand, a page scroll in the middle and a full collapse, each with its
// repaint.
#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <QScrollBar>

#include "QtText.h"
#include "ViewerWnd.h"
#include "VirtualTree.h"
#include "XmlDocument.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: viewer_timing FILE [RUNS]\n");
    return 2;
  }
  QApplication app(argc, argv);
  const QString file = QString::fromLocal8Bit(argv[1]);
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  double bestWindow = 1e9, bestDocument = 1e9;
  TQuillonOptions options;
  for (int i = 0; i < runs; ++i) {
    {
      QElapsedTimer t;
      t.start();
      TXMLDocument doc;
      doc.SetFilename(ToU16(file));
      bestDocument = std::min(bestDocument, t.nsecsElapsed() / 1e9);
    }
    {
      Tmdi_quillon_Viewer viewer(&options);
      viewer.resize(1000, 700);
      viewer.show();
      QApplication::processEvents();
      QElapsedTimer t;
      t.start();
      viewer.SetFilename(file);
      viewer.repaint();
      bestWindow = std::min(bestWindow, t.nsecsElapsed() / 1e9);
    }
  }
  std::printf("document %.3f s, window %.3f s, ratio %.2f\n", bestDocument, bestWindow, bestWindow / bestDocument);

  Tmdi_quillon_Viewer viewer(&options);
  viewer.resize(1000, 700);
  viewer.show();
  viewer.SetFilename(file);
  auto* tree = viewer.findChild<TVirtualTree*>(QStringLiteral("Tree"));
  auto timed = [&](const char* aWhat, auto aStep) {
    QElapsedTimer t;
    t.start();
    aStep();
    viewer.repaint();
    std::printf("%s %.3f s, %d rows\n", aWhat, t.nsecsElapsed() / 1e9, tree->RowCount());
  };
  timed("full expand", [&] { tree->FullExpand(cNoNode); });
  timed("scroll to the middle", [&] { tree->verticalScrollBar()->setValue(tree->RowCount() / 2); });
  timed("page down", [&] { tree->verticalScrollBar()->setValue(tree->TopRow() + 30); });
  timed("full collapse", [&] { tree->FullCollapse(cNoNode); });
  return 0;
}
