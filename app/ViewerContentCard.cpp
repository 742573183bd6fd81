#include "ViewerContentCard.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

#include "ContentBrowser.h"
#include "QtText.h"
#include "ViewerHost.h"
#include "XmlDocument.h"

TViewerContentCard::TViewerContentCard(IViewerHost& aHost, QWidget* aParent) : QWidget(aParent), FHost(aHost) {
  setObjectName(QStringLiteral("ContentCard"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
}

TViewerContentCard::~TViewerContentCard() {
  if (FBusy) QApplication::restoreOverrideCursor();
  // The browser is a child widget and goes with the card; it must not report into a card
  // that is half gone.
  if (FBrowser) FBrowser->OnLoadFinished = nullptr;
}

bool TViewerContentCard::DocumentBytes(const QString& aFilename, const std::vector<std::u16string>& aFragments,
                                       QByteArray& aBytes, QString& aMimeType) {
  if (QFileInfo(aFilename).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) {
    QFile file(aFilename);
    if (!file.open(QIODevice::ReadOnly)) return false;  // gone since the load: nothing to show
    aBytes = file.readAll();
    aMimeType = QStringLiteral("image/svg+xml");
    return true;
  }
  // UTF-8, and said so both to the browser and in the page: any 8-bit code page would turn
  // every character outside it into a question mark.
  QString page = QStringLiteral("<meta charset=\"utf-8\">\r\n");
  for (const std::u16string& fragment : aFragments) {
    page += ToQString(fragment);
    page += QStringLiteral("\r\n");
  }
  aBytes = page.toUtf8();
  aMimeType = QStringLiteral("text/html; charset=utf-8");
  return true;
}

void TViewerContentCard::ShowCard() {
  if (FBuilt) return;
  if (!FBrowser) {
    if (FMessage) return;  // the browser could not start; it will not start now either
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FHost.SetStatus(QStringLiteral("Loading..."));
    QString error;
    IContentBrowserFactory* factory = ContentBrowserFactory(error);
    FBrowser = factory ? factory->CreateBrowser(this, error) : nullptr;
    QApplication::restoreOverrideCursor();
    FHost.SetStatus(QStringLiteral("Ready"));
    if (!FBrowser) {
      FMessage = new QLabel(QStringLiteral("The Content view is not available.\n%1").arg(error), this);
      FMessage->setObjectName(QStringLiteral("ContentMessage"));
      FMessage->setAlignment(Qt::AlignCenter);
      FMessage->setWordWrap(true);
      layout()->addWidget(FMessage);
      return;
    }
    FBrowser->Widget()->setObjectName(QStringLiteral("Content"));
    layout()->addWidget(FBrowser->Widget());
    FBrowser->OnLoadFinished = [this](bool) { LoadFinished(); };
  }

  QByteArray bytes;
  QString mime;
  const TXMLDocument& doc = FHost.Document();
  if (!DocumentBytes(ToQString(doc.Filename()), doc.Cnt(), bytes, mime)) return;  // tried again next time
  if (!FBusy) QApplication::setOverrideCursor(Qt::WaitCursor);
  FBusy = true;
  FHost.SetStatus(QStringLiteral("Loading..."));
  FBrowser->Load(bytes, mime);
  FBuilt = true;
}

void TViewerContentCard::LoadFinished() {
  if (FBusy) QApplication::restoreOverrideCursor();
  FBusy = false;
  FHost.SetStatus(QStringLiteral("Ready"));
}

void TViewerContentCard::Stop() {
  if (!FBrowser) return;
  FBrowser->Stop();
  // A stopped load may never report its end, and its page may be cut short: it is loaded
  // again at the next showing.
  if (FBusy) {
    LoadFinished();
    FBuilt = false;
  }
}

void TViewerContentCard::Print(QPrinter& aPrinter) {
  if (FBrowser && FBuilt) FBrowser->Print(aPrinter);
}
