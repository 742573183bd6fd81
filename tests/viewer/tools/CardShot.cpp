// Review aid, not a test: card_shot FILE CARD OUT.png shows FILE in a document window, switches
// to card CARD (0 Tree, 1 Source, 2 Content), waits for it and saves a picture of the window.
#include <QApplication>
#include <QElapsedTimer>
#include <QTabBar>

#include "ViewerContentCard.h"
#include "ViewerWnd.h"

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  TQuillonOptions options;
  Tmdi_quillon_Viewer viewer(&options);
  viewer.resize(900, 560);
  viewer.show();
  viewer.SetFilename(QString::fromLocal8Bit(argv[1]));
  viewer.findChild<QTabBar*>(QStringLiteral("obTab"))->setCurrentIndex(QByteArray(argv[2]).toInt());
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 2500 || (viewer.ContentCard()->Busy() && timer.elapsed() < 30000))
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return viewer.grab().save(QString::fromLocal8Bit(argv[3])) ? 0 : 1;
}
