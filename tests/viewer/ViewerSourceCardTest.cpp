// The Source card: the text it shows (formatted or as stored), when it is built and rebuilt,
// its status bar, its search and its printout.
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QTabBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "Corvane_Dialogs.h"
#include "QtText.h"
#include "PrintedText.h"
#include "ScratchFile.h"
#include "SearchBox.h"
#include "TextEditor.h"
#include "ViewerSourceCard.h"
#include "ViewerWnd.h"

namespace {


class SourceCardTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    SetDialogHook([this](TDialogKind aKind, const QString&, const QString& aText) {
      FBoxes << QStringLiteral("%1:%2").arg(int(aKind)).arg(aText);
      return mrOk;
    });
  }
  void TearDown() override { SetDialogHook({}); }

  QString Write(const QString& aName, const QByteArray& aBytes) { return WriteScratchFile(FDir.path(), aName, aBytes); }
  void Open(const QString& aName, const QByteArray& aBytes) {
    FFile = Write(aName, aBytes);
    FViewer = std::make_unique<Tmdi_quillon_Viewer>(&FOptions);
    FViewer->resize(900, 600);
    FViewer->show();
    FViewer->SetFilename(FFile);
  }
  void ShowCard(int aCard) { FViewer->findChild<QTabBar*>(QStringLiteral("obTab"))->setCurrentIndex(aCard); }
  TTextEditor* Memo() const { return FViewer->SourceCard()->Memo(); }
  QString Text() const { return Memo() ? ToQString(Memo()->Text()) : QStringLiteral("<not built>"); }
  QString Panel(const char* aName) const {
    auto* label = FViewer->findChild<QLabel*>(QString::fromLatin1(aName));
    return label ? label->text() : QStringLiteral("<no panel>");
  }
  TSearchBox* SearchBox() const { return FViewer->findChild<TSearchBox*>(QStringLiteral("eMemoSearch")); }
  static void Key(QWidget* aTarget, int aKey, Qt::KeyboardModifiers aModifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, aKey, aModifiers);
    QApplication::sendEvent(aTarget, &press);
  }

  QTemporaryDir FDir;
  QString FFile;
  TQuillonOptions FOptions;
  std::unique_ptr<Tmdi_quillon_Viewer> FViewer;
  QStringList FBoxes;
};

}  // namespace

// Formatted: the document type, the file's own declaration, whitespace-only text and all
// after the document element are gone, text is trimmed on its own line, and a declaration of
// version 1.0 leads (the standalone value kept). As stored: the file's text unchanged.
TEST_F(SourceCardTest, FormattedAndStoredText) {
  struct TCase {
    const char* File;
    bool Format;
    const char* Shown;
  } const cases[] = {
      {"<!DOCTYPE r [<!ENTITY e \"x\">]>\n<r a=\"1\">\n  <b>  hi  </b>\n   \n  <c/><![CDATA[z]]>\n</r>\n<!-- after -->\n", true,
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r a=\"1\">\r\n  <b>\r\n    hi\r\n  </b>\r\n  <c/>\r\n"
       "  <![CDATA[z]]>\r\n</r>"},
      {"<?xml version=\"1.0\" standalone=\"yes\"?><r/>", true,
       "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n<r/>"},
      {"<!DOCTYPE r>\n<r>\n  <b>  hi  </b>\n</r>\n<!-- after -->\n", false,
       "<!DOCTYPE r>\n<r>\n  <b>  hi  </b>\n</r>\n<!-- after -->\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.File);
    FOptions.FormatSource = c.Format;
    Open(QStringLiteral("doc.xml"), c.File);
    ShowCard(1);
    EXPECT_EQ(Text(), QString::fromUtf8(c.Shown));
    EXPECT_EQ(Panel("msbEncoding"), QStringLiteral("65001  (UTF-8)"));
    EXPECT_EQ(Panel("msbSize"), QStringLiteral("Size: %1 lines").arg(Memo()->LineCount()));
    EXPECT_TRUE(Memo()->ReadOnly());
    EXPECT_EQ(Panel("sbStatus"), QStringLiteral("Ready"));
  }
  EXPECT_TRUE(FBoxes.isEmpty());
}

// Built once per load: Source, Tree, Source shows the text first built even though the file
// changed meanwhile; a reload, or a "Format Source" change, builds it anew at the next showing.
TEST_F(SourceCardTest, BuiltOnceAndRebuiltAfterReloadOrOptionChange) {
  Open(QStringLiteral("doc.xml"), "<r>one</r>");
  EXPECT_EQ(Memo(), nullptr);  // nothing is made before the card is shown
  ShowCard(1);
  EXPECT_TRUE(Text().contains(QStringLiteral("one")));
  Write(QStringLiteral("doc.xml"), "<r>two</r>");
  ShowCard(0);
  ShowCard(1);
  EXPECT_TRUE(Text().contains(QStringLiteral("one")));

  FViewer->Reread();
  EXPECT_TRUE(Text().isEmpty());  // a load clears the text
  ShowCard(1);
  EXPECT_TRUE(Text().contains(QStringLiteral("two")));

  // The option changes while the card is shown: the text stays until the card is shown again.
  FOptions.FormatSource = false;
  FViewer->MarkSourceStale();
  EXPECT_EQ(Text(), QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\r\n  two\r\n</r>"));
  ShowCard(0);
  ShowCard(1);
  EXPECT_EQ(Text(), QStringLiteral("<r>two</r>"));
}

// The caret panel: the character right of the caret in decimal and hexadecimal, 0 at the end
// of a line; UTF-16 units, so a character outside the first plane shows its high half.
// A FIFO given as the file (from the command line, say) is refused at once with what it is,
// in the Messages list and again when the Source card would read it; nothing waits for a writer.
TEST_F(SourceCardTest, AFifoIsRefusedNotWaitedOn) {
  const QString pipe = FDir.filePath("pipe.xml");
  ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
  FViewer = std::make_unique<Tmdi_quillon_Viewer>(&FOptions);
  FViewer->resize(900, 600);
  FViewer->show();
  FViewer->SetFilename(pipe);
  const QString reason = QStringLiteral("Cannot open file \"%1\". It is a pipe, not a regular file.").arg(pipe);
  auto* box = FViewer->findChild<QListWidget*>(QStringLiteral("Box"));
  ASSERT_NE(box, nullptr);
  ASSERT_GT(box->count(), 0);
  EXPECT_EQ(box->item(box->count() - 1)->text(), reason);
  ShowCard(1);
  EXPECT_EQ(FBoxes, QStringList{QStringLiteral("%1:%2").arg(int(dkError)).arg(reason)});
  EXPECT_EQ(Text(), QString());
}

TEST_F(SourceCardTest, CaretPanelNamesTheCharacterRightOfTheCaret) {
  FOptions.FormatSource = false;
  Open(QStringLiteral("doc.xml"), QStringLiteral("<r>\u00e9\U0001F600</r>\n<!---->").toUtf8());
  ShowCard(1);
  struct TCase {
    int Line, Column;
    const char* Panel;
  } const cases[] = {
      {1, 1, "Row: 1   Col: 1   Chr: 60(3Ch)   Sel: 0"},
      {1, 4, "Row: 1   Col: 4   Chr: 233(E9h)   Sel: 0"},
      {1, 5, "Row: 1   Col: 5   Chr: 55357(D83Dh)   Sel: 0"},
      {1, 11, "Row: 1   Col: 11   Chr: 0(0h)   Sel: 0"},  // end of the line
      {2, 8, "Row: 2   Col: 8   Chr: 0(0h)   Sel: 0"},    // end of the text
  };
  for (const TCase& c : cases) {
    Memo()->SetCaret(c.Line, c.Column);
    EXPECT_EQ(Panel("msbCaret"), QString::fromLatin1(c.Panel));
  }
  Memo()->SelectAll();
  EXPECT_TRUE(Panel("msbCaret").endsWith(QStringLiteral("Sel: 18"))) << Panel("msbCaret").toStdString();
}

// The search finds forward from the caret, says "Text not found" at the end with the caret
// back at the top, and then finds from the top again; the keys of the box and the view.
TEST_F(SourceCardTest, SearchFindsReportsAndRestartsAtTheTop) {
  FOptions.FormatSource = false;
  Open(QStringLiteral("doc.xml"), "<r>\n<a>Needle</a>\n<b>hay</b>\n</r>");
  ShowCard(1);
  TSearchBox* box = SearchBox();
  ASSERT_NE(box, nullptr);

  Key(Memo(), Qt::Key_F, Qt::ControlModifier);  // Ctrl+F in the view: to the box
  EXPECT_TRUE(box->hasFocus() || QApplication::focusWidget() == box);
  box->setText(QStringLiteral("needle"));
  Key(box, Qt::Key_Return, Qt::ShiftModifier);  // with Shift: nothing
  EXPECT_FALSE(box->Found());
  Key(box, Qt::Key_Return);
  EXPECT_TRUE(box->Found());
  EXPECT_EQ(ToQString(Memo()->SelText()), QStringLiteral("Needle"));
  EXPECT_EQ(Memo()->CaretLine(), 2);

  Key(Memo(), Qt::Key_F3);  // F3 in the view searches on: no more matches
  EXPECT_FALSE(box->Found());
  ASSERT_EQ(FBoxes.size(), 1);
  EXPECT_EQ(FBoxes[0], QStringLiteral("%1:Text not found").arg(int(dkInfo)));
  EXPECT_EQ(Memo()->CaretLine(), 1);
  EXPECT_EQ(Memo()->CaretColumn(), 1);

  Key(box, Qt::Key_F3);  // and from the top again
  EXPECT_TRUE(box->Found());
  EXPECT_EQ(Memo()->CaretLine(), 2);
  box->setText(QStringLiteral("hay"));
  EXPECT_FALSE(box->Found());  // an edit starts a new search
  Key(box, Qt::Key_Escape);
  EXPECT_TRUE(Memo()->hasFocus() || QApplication::focusWidget() == Memo());
}

TEST_F(SourceCardTest, PrintsLineNumbersAndText) {
  FOptions.FormatSource = false;
  QByteArray xml = "<list>\n";
  for (int i = 0; i < 100; ++i) xml += "  <entry>row" + QByteArray::number(i) + "</entry>\n";
  xml += "</list>\n";
  Open(QStringLiteral("print.xml"), xml);
  ShowCard(1);
  const QString text = PrintedText(*FViewer, FDir.filePath(QStringLiteral("source.pdf")), {QStringLiteral("-layout")});
  EXPECT_GE(text.count(QLatin1Char('\f')), 2) << "pages";
  // Every line, numbered, in order.
  qsizetype at = 0;
  for (int i = 0; i < 100; ++i) {
    const QRegularExpression line(QStringLiteral("\\b%1\\s+<entry>row%2</entry>").arg(i + 2).arg(i));
    const QRegularExpressionMatch m = line.match(text, at);
    ASSERT_TRUE(m.hasMatch()) << "line " << i + 2;
    at = m.capturedEnd();
  }
}
