// A picture found in a Base64 value's bytes, decoded by the first of the BMP, JPEG, GIF and PNG
// readers that accepts them, and saving it under a chosen name.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include "ValueClassify.h"

struct TValuePicture {
  QImage Image;
  TPictureKind Kind = pkBitmap;
  int BitsPerPixel = 0;  // as the file stores the picture, 0 when unknown
  QByteArray Bytes;      // the picture file as decoded

  QString KindWord() const;   // "Bitmap", "JPEG", "GIF" or "PNG"
  QString Extension() const;  // ".bmp", ".jpg", ".gif" or ".png"
};

bool DecodeValuePicture(const QByteArray& ABytes, TValuePicture& APicture);
// The Image tab's caption: " PNG: 16 x 16 - 32bit ".
QString ImageTabCaption(const TValuePicture& APicture);
// Writes the picture to AFilename, atomically: the decoded file itself when the name's
// extension is its kind's, otherwise the picture converted (to JPEG or BMP by the extension,
// else PNG, since Qt writes no GIF). False when nothing could be written.
bool SaveValuePicture(const TValuePicture& APicture, const QString& AFilename);
