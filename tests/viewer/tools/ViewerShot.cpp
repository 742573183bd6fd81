// viewer_shot FILE OUT.png [NODE-NAME]: opens FILE in a document window, focuses the first
// node named NODE-NAME (if given), shows the window and grabs it into OUT.png.
#include <QApplication>
#include <QTimer>

#include <cstdio>

#include "NodeTree.h"
#include "QtText.h"
#include "ViewerWnd.h"
#include "VirtualTree.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: viewer_shot FILE OUT.png [NODE-NAME]\n");
    return 2;
  }
  QApplication app(argc, argv);
  TQuillonOptions options;
  Tmdi_quillon_Viewer viewer(&options);
  viewer.resize(1000, 700);
  viewer.show();
  viewer.SetFilename(QString::fromLocal8Bit(argv[1]));
  auto* tree = viewer.findChild<TVirtualTree*>(QStringLiteral("Tree"));
  if (argc > 3 && tree) {
    const std::u16string name = ToU16(QString::fromLocal8Bit(argv[3]));
    const TNodeTree& nodes = *tree->Tree();
    for (TNodeIndex n = nodes.First(); n != cNoNode; n = nodes.Next(n))
      if (nodes.Name(n) == name) {
        tree->SetFocusedNode(n);
        break;
      }
    tree->setFocus();
  }
  QTimer::singleShot(300, [&] {
    const bool ok = viewer.grab().save(QString::fromLocal8Bit(argv[2]));
    app.exit(ok ? 0 : 1);
  });
  return app.exec();
}
