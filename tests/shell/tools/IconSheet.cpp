// Review aid. Renders the shared icon list into one PNG: each cell shows the index, the
// icon at ratio 1 enlarged four times pixel by pixel, the ratio-2 pixmap enlarged twice,
// and both at their real size. With a second file name it also renders a window bar with
// a selected, a hovered and a cut caption.
#include "Corvane.Control.Icons.h"
#include "Corvane.Control.MDIButtonGroup.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: shell_icon_sheet ICONS.png [BAR.png]\n");
    return 2;
  }
  QApplication app(argc, argv);
  const int cols = 5, cellW = 200, cellH = 84;
  const int rows = (TIconList::cCount + cols - 1) / cols;
  QImage sheet(cols * cellW, rows * cellH, QImage::Format_ARGB32);
  sheet.fill(QColor(0xF4, 0xF4, 0xF4));
  QPainter p(&sheet);
  for (int i = 0; i < TIconList::cCount; ++i) {
    const int x = (i % cols) * cellW, y = (i / cols) * cellH;
    p.setPen(QColor(0xC8, 0xC8, 0xC8));
    p.drawRect(x, y, cellW - 1, cellH - 1);
    p.setPen(Qt::black);
    p.drawText(QRect(x + 4, y + 4, 24, 16), Qt::AlignLeft, QString::number(i));
    QImage one = TIconList::Render(i, 1.0);
    QImage two = TIconList::Render(i, 2.0);
    one.setDevicePixelRatio(1.0);
    two.setDevicePixelRatio(1.0);
    p.fillRect(x + 30, y + 10, 64, 64, Qt::white);
    p.drawImage(QRect(x + 30, y + 10, 64, 64), one.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    p.fillRect(x + 100, y + 10, 64, 64, Qt::white);
    p.drawImage(QRect(x + 100, y + 10, 64, 64), two.scaled(64, 64, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    p.drawImage(QPoint(x + 172, y + 14), one);
    p.drawImage(QPoint(x + 170, y + 40), two);
  }
  p.end();
  if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  if (argc > 2) {
    TMDIButtonGroup bar;
    bar.resize(620, 22);
    const QIcon doc = TIconList::Shared().Icon(iiDocument);
    const char* names[] = {"catalog.xml", "books.xml", "a-very-long-file-name-that-is-cut.xml", "orders.xml",
                           "config.xml"};
    for (int i = 0; i < 5; ++i) bar.AddButton(i, QString::fromLatin1(names[i]), doc);
    bar.SetSelected(1);
    bar.show();
    QMouseEvent hover(QEvent::MouseMove, QPointF(bar.ButtonRect(3).center()), QPointF(bar.ButtonRect(3).center()),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&bar, &hover);
    if (!bar.grab().save(QString::fromLocal8Bit(argv[2]))) return 1;
  }
  return 0;
}
