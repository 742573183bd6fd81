// The document window's Content card with the real browser: when the tab is offered, what the
// page shows for a document and for a drawing, and its printout.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTabBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "ContentBrowser.h"
#include "PrintedText.h"
#include "ScratchFile.h"
#include "ViewerContentCard.h"
#include "ViewerWnd.h"

namespace {

class ContentCardTest : public testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(FDir.isValid()); }

  void Open(const QString& aName, const QByteArray& aBytes) {
    const QString path = WriteScratchFile(FDir.path(), aName, aBytes);
    FViewer = std::make_unique<Tmdi_quillon_Viewer>(&FOptions);
    FViewer->resize(700, 500);
    FViewer->show();
    FViewer->SetFilename(path);
  }
  QTabBar* Tabs() const { return FViewer->findChild<QTabBar*>(QStringLiteral("obTab")); }
  bool ContentOffered() const { return Tabs()->isTabVisible(2); }
  // Shows the Content card and waits until its page has loaded; the page's text.
  QString ShowContent() {
    Tabs()->setCurrentIndex(2);
    TViewerContentCard* card = FViewer->ContentCard();
    QElapsedTimer timer;
    timer.start();
    while (card->Busy() && timer.elapsed() < 30000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(card->Busy());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    return card->Browser() ? card->Browser()->PlainText() : QStringLiteral("<no browser>");
  }

  QTemporaryDir FDir;
  TQuillonOptions FOptions;
  std::unique_ptr<Tmdi_quillon_Viewer> FViewer;
};

}  // namespace

// The tab follows the text fragments alone: none for a document without text, for a drawing
// without text, and for a file of 10 MiB or more.
TEST_F(ContentCardTest, TabOfferedOnlyForDocumentsWithText) {
  QByteArray big = "<r>";
  while (big.size() < 10 * 1024 * 1024) big += "<a>some text</a>";
  big += "</r>";
  struct TCase {
    const char* Name;
    QByteArray Bytes;
    bool Offered;
  } const cases[] = {
      {"text.xml", "<r><a>t</a></r>", true},
      {"empty.xml", "<r><a x='1'/><!-- c --></r>", false},
      {"blank.svg", "<svg xmlns='http://www.w3.org/2000/svg'><rect width='5' height='5'/></svg>", false},
      {"big.xml", big, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Open(QString::fromLatin1(c.Name), c.Bytes);
    EXPECT_EQ(ContentOffered(), c.Offered);
  }
}

// Every text on its own line, markup carried in the text rendered, every character kept.
TEST_F(ContentCardTest, DocumentTextRenderedAsHtml) {
  Open(QStringLiteral("doc.xml"),
       QStringLiteral("<r><p>one &lt;b&gt;bold&lt;/b&gt;</p><q><![CDATA[<i>two</i>]]></q><s>\u65e5\u672c \u0151</s></r>").toUtf8());
  ASSERT_TRUE(ContentOffered());
  EXPECT_EQ(ShowContent(), QStringLiteral("one bold\ntwo\n\u65e5\u672c \u0151\n"));
  EXPECT_EQ(FViewer->ContentCard()->Browser()->BlockedRequests(), 0);
}

// A drawing named .SVG (any case) shows the file itself: the text markup in it stays text,
// where the HTML page would have rendered it.
TEST_F(ContentCardTest, UpperCaseSvgIsDrawn) {
  Open(QStringLiteral("DRAWING.SVG"),
       "<svg xmlns='http://www.w3.org/2000/svg' width='200' height='80'>"
       "<rect width='200' height='80' fill='gold'/><text x='10' y='40'>&lt;b&gt;x&lt;/b&gt;</text></svg>");
  ASSERT_TRUE(ContentOffered());
  EXPECT_EQ(ShowContent(), QStringLiteral("<b>x</b>"));
}

// Shown once per load: leaving and coming back keeps the page, a reload renders anew.
TEST_F(ContentCardTest, RenderedOncePerLoad) {
  Open(QStringLiteral("doc.xml"), "<r>one</r>");
  EXPECT_EQ(ShowContent(), QStringLiteral("one\n"));
  QFile f(FViewer->Filename());
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write("<r>two</r>");
  f.close();
  Tabs()->setCurrentIndex(0);
  EXPECT_EQ(ShowContent(), QStringLiteral("one\n"));
  FViewer->Reread();
  EXPECT_EQ(ShowContent(), QStringLiteral("two\n"));
}

TEST_F(ContentCardTest, PrintsThePage) {
  Open(QStringLiteral("doc.xml"), "<r><a>first line</a><b>second line</b></r>");
  ShowContent();
  const QString text = PrintedText(*FViewer, FDir.filePath(QStringLiteral("content.pdf")));
  EXPECT_TRUE(text.contains(QStringLiteral("first line\nsecond line"))) << text.toStdString();
}
