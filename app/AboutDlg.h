// The about box: the program's name, its version and how to reach its maker.
#pragma once

#include <QDialog>

class TAboutDlg : public QDialog {
  Q_OBJECT
public:
  explicit TAboutDlg(QWidget* AParent = nullptr);

  // "6.0.0": the version the program was built as.
  static QString VersionText();
  // The maker's web page and mail address, as shown in the box.
  static QString WebAddress();
  static QString MailAddress();
};
