// Renders the program's SVG icon into the PNG sizes of the hicolor theme at build time, so
// the bitmaps can never drift from the drawing they come from.
// Usage: quillon_icon_render SVG OUTDIR NAME SIZE...
// writes OUTDIR/<SIZE>x<SIZE>/NAME.png for each size.
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s SVG OUTDIR NAME SIZE...\n", argv[0]);
    return 2;
  }
  QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
  if (!renderer.isValid()) {
    std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
    return 1;
  }
  const QString outDir = QString::fromLocal8Bit(argv[2]);
  const QString name = QString::fromLocal8Bit(argv[3]);
  for (int i = 4; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    if (size <= 0 || size > 4096) {
      std::fprintf(stderr, "%s: bad size %s\n", argv[0], argv[i]);
      return 2;
    }
    const QString folder = QStringLiteral("%1/%2x%2").arg(outDir).arg(size);
    if (!QDir().mkpath(folder)) {
      std::fprintf(stderr, "%s: cannot create %s\n", argv[0], qPrintable(folder));
      return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, size, size));
    painter.end();
    const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
    if (!image.convertToFormat(QImage::Format_ARGB32).save(file, "PNG")) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
      return 1;
    }
  }
  return 0;
}
