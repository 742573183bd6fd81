// The Content card's browser: a web view that shows one document handed to it and nothing
// else. Everything that could make a page reach beyond the document is shut: scripts, links,
// redirects, new windows, and every request but the document's own and data: URLs.
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QPointer>
#include <QPrinter>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

#include <QBuffer>
#include <QMutex>
#include <QMutexLocker>
#include <QtPlugin>

#include <atomic>
#include <memory>
#include <map>

#include <unistd.h>

#include "ContentBrowser.h"

namespace {

// The documents are served under a scheme of our own: a page loaded from bytes through a
// data: URL is limited to 2 MB, and the scheme gives each document an address that the
// request filter can let through while refusing everything else.
const QByteArray cScheme = QByteArrayLiteral("quillon-content");

// The documents being shown, by address; requests for them come from the browser's IO thread.
class TDocumentStore : public QWebEngineUrlSchemeHandler {
public:
  using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
  void Put(const QUrl& aUrl, const QByteArray& aBytes, const QByteArray& aMimeType) {
    QMutexLocker lock(&FMutex);
    FDocuments[aUrl.toString()] = {aBytes, aMimeType};
  }
  void Remove(const QUrl& aUrl) {
    QMutexLocker lock(&FMutex);
    FDocuments.erase(aUrl.toString());
  }
  void requestStarted(QWebEngineUrlRequestJob* aJob) override {
    QByteArray bytes, mime;
    {
      QMutexLocker lock(&FMutex);
      const auto it = FDocuments.find(aJob->requestUrl().toString());
      if (it == FDocuments.end()) {
        aJob->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
      }
      bytes = it->second.first;
      mime = it->second.second;
    }
    auto* buffer = new QBuffer(aJob);
    buffer->setData(bytes);
    buffer->open(QIODevice::ReadOnly);
    aJob->reply(mime, buffer);
  }

private:
  QMutex FMutex;
  std::map<QString, std::pair<QByteArray, QByteArray>> FDocuments;
};

// Lets through the one document of its page and data: URLs; everything else is blocked and
// counted. Runs on the browser's IO thread.
class TRequestFilter : public QWebEngineUrlRequestInterceptor {
public:
  using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
  void SetDocument(const QUrl& aUrl) {
    QMutexLocker lock(&FMutex);
    FDocument = aUrl;
  }
  void interceptRequest(QWebEngineUrlRequestInfo& aInfo) override {
    const QUrl url = aInfo.requestUrl();
    if (url.scheme() == QLatin1String("data")) return;
    {
      QMutexLocker lock(&FMutex);
      if (url == FDocument) return;
    }
    aInfo.block(true);
    ++Blocked;
  }
  std::atomic<int> Blocked{0};

private:
  QMutex FMutex;
  QUrl FDocument;
};

class TContentPage : public QWebEnginePage {
public:
  TContentPage(QWebEngineProfile* aProfile, QObject* aParent) : QWebEnginePage(aProfile, aParent) {
    // A refused window request ends here; createWindow below is the second guard.
    connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest&) { ++RefusedWindows; });
  }
  QUrl Document;
  int RefusedNavigations = 0;
  int RefusedWindows = 0;

protected:
  bool acceptNavigationRequest(const QUrl& aUrl, NavigationType, bool) override {
    if (aUrl.toString().startsWith(QLatin1String("about:blank"))) return true;
    // The document itself, and only when the card asked for it (not a link or a redirect
    // pointing back at it: those would simply reload it, but nothing should move the page).
    if (!Document.isEmpty() && aUrl == Document && FExpectDocument) {
      FExpectDocument = false;
      return true;
    }
    ++RefusedNavigations;
    return false;
  }
  QWebEnginePage* createWindow(WebWindowType) override {
    ++RefusedWindows;
    return nullptr;
  }

public:
  bool FExpectDocument = false;
};

class TContentView : public QWebEngineView, public IContentBrowser {
public:
  TContentView(QWebEngineProfile* aProfile, TDocumentStore* aStore, QWidget* aParent)
      : QWebEngineView(aParent), FStore(aStore) {
    static std::atomic<int> serial{0};
    FId = ++serial;
    FPage = new TContentPage(aProfile, this);
    FFilter = new TRequestFilter(FPage);
    FPage->setUrlRequestInterceptor(FFilter);
    QWebEngineSettings* s = FPage->settings();
    s->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
    s->setAttribute(QWebEngineSettings::DnsPrefetchEnabled, false);
    s->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    s->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    s->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    setPage(FPage);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    // Only the loads the card asked for are reported: a refused navigation ends as a failed
    // load too, and must not look like one.
    connect(FPage, &QWebEnginePage::loadFinished, this, [this](bool aOk) {
      if (!FLoadPending) return;
      FLoadPending = false;
      if (OnLoadFinished) OnLoadFinished(aOk);
    });
  }
  ~TContentView() override {
    if (!FPage->Document.isEmpty()) FStore->Remove(FPage->Document);
    // The page goes before the view: it must not outlive the widget it paints into.
    setPage(nullptr);
    delete FPage;
  }

  QWidget* Widget() override { return this; }

  void Load(const QByteArray& aBytes, const QString& aMimeType) override {
    if (!FPage->Document.isEmpty()) FStore->Remove(FPage->Document);
    // A fresh address per load, so that nothing cached from the previous document is shown.
    const QUrl url(QStringLiteral("%1:/%2/%3").arg(QString::fromLatin1(cScheme)).arg(FId).arg(++FGeneration));
    FStore->Put(url, aBytes, aMimeType.toLatin1());
    FFilter->SetDocument(url);
    FPage->Document = url;
    FPage->FExpectDocument = true;
    FLoadPending = true;
    FPage->load(url);
  }

  void Stop() override { FPage->triggerAction(QWebEnginePage::Stop); }

  QString PlainText() override {
    QString text;
    bool done = false;
    QEventLoop loop;
    // The page answers from the browser's process; the guard keeps a late answer from
    // writing into a finished call.
    auto alive = std::make_shared<bool>(true);
    FPage->toPlainText([&, alive](const QString& aText) {
      if (!*alive) return;
      text = aText;
      done = true;
      loop.quit();
    });
    if (!done) loop.exec();
    *alive = false;
    return text;
  }

  bool Print(QPrinter& aPrinter) override {
    bool ok = false;
    QEventLoop loop;
    QMetaObject::Connection connection;
    if (aPrinter.outputFormat() == QPrinter::PdfFormat && !aPrinter.outputFileName().isEmpty()) {
      // Printing to a PDF file: the browser writes it itself, with its text kept as text
      // (its printing to a printer sends pictures of the pages).
      connection = connect(FPage, &QWebEnginePage::pdfPrintingFinished, &loop, [&](const QString&, bool aOk) {
        ok = aOk;
        loop.quit();
      });
      FPage->printToPdf(aPrinter.outputFileName(), aPrinter.pageLayout());
    } else {
      connection = connect(this, &QWebEngineView::printFinished, &loop, [&](bool aOk) {
        ok = aOk;
        loop.quit();
      });
      print(&aPrinter);
    }
    loop.exec();
    disconnect(connection);
    return ok;
  }

  int BlockedRequests() const override { return FFilter->Blocked.load(); }
  int RefusedNavigations() const override { return FPage->RefusedNavigations; }
  int RefusedWindows() const override { return FPage->RefusedWindows; }

protected:
  void contextMenuEvent(QContextMenuEvent* aEvent) override { aEvent->accept(); }

private:
  TDocumentStore* FStore;
  TContentPage* FPage = nullptr;
  TRequestFilter* FFilter = nullptr;
  int FId = 0;
  int FGeneration = 0;
  bool FLoadPending = false;
};

}  // namespace

class TContentBrowserPlugin : public QObject, public IContentBrowserFactory {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID IContentBrowserFactory_iid FILE "ContentBrowserPlugin.json")
  Q_INTERFACES(IContentBrowserFactory)
public:
  IContentBrowser* CreateBrowser(QWidget* AParent, QString& AError) override {
    if (!FProfile) {
      Start();
      if (!FProfile) {
        AError = QStringLiteral("The content viewer could not start.");
        return nullptr;
      }
    }
    return new TContentView(FProfile, FStore, AParent);
  }

private:
  void Start() {
    // The browser's sandbox refuses to run for root (test machines run as root); without it
    // the browser still runs, and a page here can do little anyway.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
      qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QWebEngineUrlScheme scheme(cScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
    // No storage name: an off-the-record profile, so nothing of a page is kept on disk.
    FProfile = new QWebEngineProfile(this);
    FProfile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    FProfile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    FProfile->setSpellCheckEnabled(false);
    FStore = new TDocumentStore(FProfile);
    FProfile->installUrlSchemeHandler(cScheme, FStore);
  }

  QWebEngineProfile* FProfile = nullptr;
  TDocumentStore* FStore = nullptr;
};

#include "ContentBrowserPlugin.moc"
