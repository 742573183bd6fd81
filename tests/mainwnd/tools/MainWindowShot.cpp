// Review aid, not a test: mainwnd_shot OUT.png FILE... opens the files in the main window,
// focuses the first "attachment" element of the last one (so its picture shows in the value
// pane), and saves a picture of the main window. With QUILLON_SHOT_ARRANGE=cascade, tilehor
// or tilever the windows are arranged that way first.
#include "MainWnd.h"
#include "NodeTreeModel.h"
#include "ViewerWnd.h"
#include "VirtualTree.h"

#include <QApplication>
#include <QPixmap>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const QStringList arguments = QApplication::arguments();
  if (arguments.size() < 2) {
    std::fprintf(stderr, "usage: mainwnd_shot OUT.png FILE...\n");
    return 2;
  }
  Twnd_quillon_Main window;
  window.show();
  for (int i = 2; i < arguments.size(); ++i) window.OpenFile(arguments[i]);
  if (Tmdi_quillon_Viewer* viewer = window.ActiveViewer()) {
    if (auto* tree = viewer->findChild<TVirtualTree*>(QStringLiteral("Tree"))) {
      for (int row = 0; row < tree->RowCount(); ++row) {
        if (tree->Model()->data(tree->Model()->IndexOf(tree->RowNode(row))).toString() == QStringLiteral("attachment")) {
          tree->SetFocusedNode(tree->RowNode(row));
          break;
        }
      }
    }
  }
  const QByteArray arrange = qgetenv("QUILLON_SHOT_ARRANGE");
  if (arrange == "cascade") window.acCascade->trigger();
  if (arrange == "tilehor") window.acTileHor->trigger();
  if (arrange == "tilever") window.acTileVer->trigger();
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(20);
  }
  return window.grab().save(arguments[1]) ? 0 : 1;
}
