// The document window: one XML file shown as a node tree with its details, value, source and
// content cards. The main window puts it into a QMdiSubWindow and drives it through the
// public members below; everything else is the window's own business.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>
#include <string_view>

#include "QuillonOptions.h"

class Tmdi_quillon_Viewer : public QWidget {
  Q_OBJECT
public:
  // AOptions: the main window's options, read whenever needed (never null; outlives the viewer).
  explicit Tmdi_quillon_Viewer(const TQuillonOptions* AOptions, QWidget* AParent = nullptr);
  ~Tmdi_quillon_Viewer() override;

  QString Filename() const;
  // Makes the name absolute and loads the file, synchronously, with the busy cursor and a
  // progress bar in the status bar.
  void SetFilename(const QString& AFilename);
  void Reread();                   // SetFilename(Filename())
  void RefreshMod();               // take the file's current last-write time without reloading
  QDateTime Modified() const;      // last-write time at the last load or RefreshMod
  void RefreshView();              // apply "Attributes in Tree" and "Value Column"
  void SetGridLines(bool AOn);     // horizontal grid lines on the tree and the details list
  void SetTreeLines(bool AOn);     // tree lines on the tree
  void MarkSourceStale();          // "Format Source" changed: rebuild the Source view when next shown
  QString Encoding() const;        // FEncoding
  // The change check: unless a modal window or a message box is open, and if the file still
  // exists and its last-write time differs from Modified() by one millisecond or more, asks
  // whether to reload: Yes reloads, No takes the new time.
  void CheckFileChanged();

signals:
  void CaptionChanged(const QString& ACaption);

private:
  struct TParts;
  const TQuillonOptions* FOptions;
  std::unique_ptr<TParts> FParts;
};

// A text is Base64 when, without CR and LF, it is a non-empty multiple of 4 characters of the
// Base64 alphabet, with "=" only in the last two places and nothing but "=" after the first.
bool IsBase64(std::u16string_view AText);

// A picture found in decoded bytes: the first of the BMP, JPEG, GIF and PNG readers that
// accepts them wins.
struct TValuePicture {
  QImage Image;
  QString Kind;       // "Bitmap", "JPEG", "GIF" or "PNG"
  QString Extension;  // ".bmp", ".jpg", ".gif" or ".png"
  int BitsPerPixel = 0;  // as the file stores the picture, 0 when unknown
  QByteArray Bytes;      // the picture file as decoded
};
bool DecodeValuePicture(const QByteArray& ABytes, TValuePicture& APicture);
// The Image tab's caption: " PNG: 16 x 16 - 32bit ".
QString ImageTabCaption(const TValuePicture& APicture);
