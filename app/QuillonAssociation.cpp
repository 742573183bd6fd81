#include "QuillonAssociation.h"

#include "CanonicalPath.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace {

QByteArray Resource(const QString& AName) {
  QFile file(AName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A bitmap of the icon for desktops that draw no SVG icons.
QByteArray RenderedIcon(const QByteArray& ASvg, int ASize) {
  QSvgRenderer renderer(ASvg);
  if (!renderer.isValid()) return QByteArray();
  QImage image(ASize, ASize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    renderer.render(&painter);
  }
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return png;
}

}  // namespace

QString QuillonProgramPath() { return CanonicalFileName(QCoreApplication::applicationFilePath()); }

TDesktopAssociation QuillonAssociation() {
  TDesktopAssociation association;
  association.DesktopId = QString::fromLatin1(cQuillonDesktopId);
  association.Entry = Resource(QStringLiteral(":/desktop/com.corvane.Quillon.desktop"));
  association.ProgramPath = QuillonProgramPath();
  association.IconName = QString::fromLatin1(cQuillonIconName);
  association.MimeTypes = {QStringLiteral("application/xml"), QStringLiteral("text/xml")};
  const QString name = association.IconName;
  const QByteArray svg = Resource(QStringLiteral(":/desktop/icons/com.corvane.Quillon.svg"));
  if (!svg.isEmpty()) {
    association.Icons.append({QStringLiteral("scalable/apps/") + name + QStringLiteral(".svg"), svg});
    for (int size : {48, 256}) {
      const QByteArray png = RenderedIcon(svg, size);
      if (!png.isEmpty())
        association.Icons.append({QStringLiteral("%1x%1/apps/").arg(size) + name + QStringLiteral(".png"), png});
    }
  }
  return association;
}
