#include "ContentBrowser.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMouseEvent>
#include <QTcpServer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A browser in a shown top-level widget; the browser reports its loads into Finished.
struct TBrowserFixture : testing::Test {
  QWidget Host;
  IContentBrowser* Browser = nullptr;
  int Finished = 0;
  bool LastOk = false;

  void SetUp() override {
    QString error;
    IContentBrowserFactory* factory = ContentBrowserFactory(error);
    ASSERT_NE(factory, nullptr) << error.toStdString();
    Browser = factory->CreateBrowser(&Host, error);
    ASSERT_NE(Browser, nullptr) << error.toStdString();
    Browser->Widget()->setGeometry(0, 0, 400, 300);
    Host.resize(400, 300);
    Host.show();
    Browser->OnLoadFinished = [this](bool aOk) {
      ++Finished;
      LastOk = aOk;
    };
  }

  // Runs the event loop until AUntil holds; false when it did not come within a generous
  // bound (the bound only stops a broken run, it measures nothing).
  static bool WaitFor(const std::function<bool()>& aUntil, int aMs = 30000) {
    QElapsedTimer timer;
    timer.start();
    while (!aUntil()) {
      if (timer.elapsed() > aMs) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }
  static void Settle(int aMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < aMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }

  bool LoadHtml(const QByteArray& aHtml) {
    const int before = Finished;
    Browser->Load(aHtml, QStringLiteral("text/html; charset=utf-8"));
    return WaitFor([&] { return Finished > before; });
  }

  // A left click in the middle of the view, where the tests put a page-filling link.
  void ClickMiddle() {
    QWidget* target = Browser->Widget()->focusProxy() ? Browser->Widget()->focusProxy() : Browser->Widget();
    const QPointF at(target->width() / 2.0, target->height() / 2.0);
    const QPointF global = target->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &release);
  }
};

// Characters outside any 8-bit code page arrive as they are: the page is UTF-8 and says so.
TEST_F(TBrowserFixture, ShowsMarkupAndEveryCharacter) {
  ASSERT_TRUE(LoadHtml(QStringLiteral("<p>caf\u00e9 <b>\u65e5\u672c</b> \u2713 \U0001F600</p>").toUtf8()));
  EXPECT_TRUE(LastOk);
  EXPECT_EQ(Browser->PlainText(), QStringLiteral("caf\u00e9 \u65e5\u672c \u2713 \U0001F600"));
  // A second document replaces the first.
  ASSERT_TRUE(LoadHtml("one<br/>two<br/>"));
  EXPECT_EQ(Browser->PlainText(), QStringLiteral("one\ntwo\n"));
}

TEST_F(TBrowserFixture, ScriptsDoNotRun) {
  ASSERT_TRUE(LoadHtml("<p id=p>static</p><script>document.getElementById('p').textContent='ran'</script>"));
  EXPECT_EQ(Browser->PlainText(), QStringLiteral("static"));
}

// Clicking a link, in the page or towards a new window, leaves the page where it is.
TEST_F(TBrowserFixture, LinksLeadNowhere) {
  const char* const pages[] = {
      "<a href='https://example.invalid/' style='display:block;height:100vh'>link</a>",
      "<a href='https://example.invalid/' target='_blank' style='display:block;height:100vh'>link</a>",
  };
  for (const char* page : pages) {
    SCOPED_TRACE(page);
    ASSERT_TRUE(LoadHtml(page));
    const int refused = Browser->RefusedNavigations() + Browser->RefusedWindows();
    const int finished = Finished;
    Settle(300);  // the first paint, so that the click hits the link
    ClickMiddle();
    ASSERT_TRUE(WaitFor([&] { return Browser->RefusedNavigations() + Browser->RefusedWindows() > refused; }));
    Settle(300);
    EXPECT_EQ(Finished, finished);  // nothing else was loaded
    EXPECT_EQ(Browser->PlainText(), QStringLiteral("link"));
  }
  // The refused new window came through the window request.
  EXPECT_GE(Browser->RefusedWindows(), 1);
}

// A page that asks for remote and local resources gets none of them: a listener on the
// loopback address sees no connection, and the filter reports the refused requests.
TEST_F(TBrowserFixture, PageFetchesNothing) {
  QTcpServer server;
  ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
  int connections = 0;
  QObject::connect(&server, &QTcpServer::newConnection, [&] { ++connections; });
  const QByteArray base = "http://127.0.0.1:" + QByteArray::number(server.serverPort());
  const QByteArray page = "<p>text</p><img src='" + base + "/image.png'>"
                          "<link rel=stylesheet href='" + base + "/style.css'>"
                          "<iframe src='" + base + "/frame.html'></iframe>"
                          "<img src='file:///etc/hostname'>"
                          "<meta http-equiv=refresh content='0;url=" + base + "/moved'>";
  ASSERT_TRUE(LoadHtml(page));
  Settle(500);
  EXPECT_EQ(connections, 0);
  EXPECT_FALSE(server.hasPendingConnections());
  EXPECT_GE(Browser->BlockedRequests(), 2);  // the image and the style sheet
  EXPECT_EQ(Browser->PlainText(), QStringLiteral("text"));
}

TEST_F(TBrowserFixture, DrawsSvg) {
  const int before = Finished;
  Browser->Load("<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'>"
                "<rect width='100' height='100' fill='red'/><text y='50'>drawn</text></svg>",
                QStringLiteral("image/svg+xml"));
  ASSERT_TRUE(WaitFor([&] { return Finished > before; }));
  EXPECT_TRUE(LastOk);
  EXPECT_EQ(Browser->PlainText(), QStringLiteral("drawn"));
}

}  // namespace
