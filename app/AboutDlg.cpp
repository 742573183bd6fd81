#include "AboutDlg.h"

#include "Corvane.Control.Icons.h"
#include "MainWnd.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#ifndef QUILLON_VERSION
#define QUILLON_VERSION "6.0.0"
#endif

QString TAboutDlg::VersionText() { return QStringLiteral(QUILLON_VERSION); }
QString TAboutDlg::WebAddress() { return QStringLiteral("https://www.corvane.example/quillon"); }
QString TAboutDlg::MailAddress() { return QStringLiteral("quillon@corvane.example"); }

TAboutDlg::TAboutDlg(QWidget* AParent) : QDialog(AParent) {
  setObjectName(QStringLiteral("AboutDlg"));
  setWindowTitle(QStringLiteral("About"));

  auto* picture = new QLabel(this);
  picture->setPixmap(TIconList::Shared().Icon(iiDocument).pixmap(QSize(32, 32)));
  picture->setAlignment(Qt::AlignTop);

  auto* name = new QLabel(QString::fromLatin1(cApplicationTitle), this);
  QFont big = name->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  big.setBold(true);
  name->setFont(big);

  auto* version = new QLabel(QStringLiteral("Version %1").arg(VersionText()), this);
  version->setObjectName(QStringLiteral("Version"));
  auto* purpose = new QLabel(QStringLiteral("Viewer and editor for XML documents of any size"), this);
  auto* maker = new QLabel(QStringLiteral("\u00A9 Corvane"), this);

  auto* links = new QLabel(this);
  links->setObjectName(QStringLiteral("Links"));
  links->setTextFormat(Qt::RichText);
  links->setTextInteractionFlags(Qt::TextBrowserInteraction);
  links->setOpenExternalLinks(true);
  links->setText(QStringLiteral("<a href=\"%1\">%1</a><br><a href=\"mailto:%2\">%2</a>")
                     .arg(WebAddress(), MailAddress()));

  auto* texts = new QVBoxLayout;
  texts->addWidget(name);
  texts->addWidget(version);
  texts->addSpacing(6);
  texts->addWidget(purpose);
  texts->addWidget(maker);
  texts->addSpacing(6);
  texts->addWidget(links);

  auto* top = new QHBoxLayout;
  top->addWidget(picture);
  top->addSpacing(12);
  top->addLayout(texts, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(8);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
