#include "ValuePicture.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

#include "BufferedStreams.h"
#include "QtText.h"

QString TValuePicture::KindWord() const { return ToQString(PictureKindWord(Kind)); }

QString TValuePicture::Extension() const { return ToQString(PictureExtension(Kind)); }

bool DecodeValuePicture(const QByteArray& ABytes, TValuePicture& APicture) {
  static const char* const formats[] = {"bmp", "jpeg", "gif", "png"};  // by TPictureKind
  for (TPictureKind kind : cPictureKinds) {
    QBuffer buffer;
    buffer.setData(ABytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, formats[kind]);
    // Only this reader: a forced format otherwise falls back to guessing from the content.
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    if (!reader.canRead()) continue;
    QImage image = reader.read();
    if (image.isNull()) continue;
    APicture.Image = std::move(image);
    APicture.Kind = kind;
    APicture.BitsPerPixel =
        PictureBitsPerPixel(kind, std::string_view(ABytes.constData(), static_cast<size_t>(ABytes.size())));
    APicture.Bytes = ABytes;
    return true;
  }
  return false;
}

QString ImageTabCaption(const TValuePicture& APicture) {
  return ToQString(PictureCaption(APicture.Kind, APicture.Image.width(), APicture.Image.height(), APicture.BitsPerPixel));
}

bool SaveValuePicture(const TValuePicture& APicture, const QString& AFilename) {
  if (APicture.Image.isNull()) return false;
  const QString ext = QFileInfo(AFilename).suffix().toLower();
  QByteArray bytes;
  if (QStringLiteral(".") + ext == APicture.Extension()) {
    bytes = APicture.Bytes;
  } else {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const char* format = ext == QStringLiteral("jpg") ? "jpeg" : ext == QStringLiteral("bmp") ? "bmp" : "png";
    if (!APicture.Image.save(&buffer, format)) return false;
  }
  // Written as every file of the program is: through a link to the file it names, in place
  // into a FIFO or device, keeping the replaced file's permissions, no temporary file left.
  try {
    TAtomicFileStream file(ToU16(AFilename));
    file.WriteBuffer(bytes.constData(), bytes.size());
    file.Commit();
  } catch (const EGeneralError&) {
    return false;
  }
  return true;
}
