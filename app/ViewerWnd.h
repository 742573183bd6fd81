// The document window: one XML file shown as a node tree with its details, value, source and
// content cards. The main window puts it into a QMdiSubWindow and drives it through the
// public members below; everything else is the window's own business.
#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>
#include <memory>

#include "QuillonOptions.h"

class Tmdi_quillon_Viewer : public QWidget {
  Q_OBJECT
public:
  // AOptions: the main window's options, read whenever needed (never null; outlives the viewer).
  explicit Tmdi_quillon_Viewer(const TQuillonOptions* AOptions, QWidget* AParent = nullptr);
  ~Tmdi_quillon_Viewer() override;

  QString Filename() const;
  void SetFilename(const QString& AFilename);  // makes it absolute and loads it
  void Reread();                               // SetFilename(Filename())
  void RefreshMod();                           // take the file's current last-write time
  QDateTime Modified() const;                  // last-write time at the last load or RefreshMod
  void RefreshView();                          // apply "Attributes in Tree" and "Value Column"
  void SetGridLines(bool AOn);                 // grid lines on the tree and the details list
  void SetTreeLines(bool AOn);                 // tree lines on the tree
  void MarkSourceStale();                      // rebuild the Source view when next shown
  QString Encoding() const;                    // FEncoding
  // Asks whether to reload when the file changed on disk since the last load (see the .cpp).
  void CheckFileChanged();

  // Internals reachable by tests of this window.
  struct TParts;
  TParts& Parts() const { return *FParts; }

signals:
  void CaptionChanged(const QString& ACaption);

private:
  const TQuillonOptions* FOptions;
  QString FFilename;
  QDateTime FModified;
  QString FEncoding;
  std::unique_ptr<TParts> FParts;
};
