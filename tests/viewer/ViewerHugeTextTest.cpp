// Nodes whose name or value is far longer than any field can show: single-line fields (path
// bar and its tip, details list, tree cell, Messages lines) show a bounded prefix ending in an
// ellipsis, while the value views and the copy commands still give the whole text.
#include <QClipboard>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "NodeTreeModel.h"
#include "QtText.h"
#include "QuillonOptions.h"
#include "ScratchFile.h"
#include "TextEditor.h"
#include "ValueClassify.h"
#include "ViewerParts.h"
#include "ViewerWnd.h"
#include "VirtualTree.h"

namespace {

inline void PrintTo(const QString& aText, std::ostream* aOut) { *aOut << '"' << aText.left(200).toStdString() << '"'; }

const QString cEllipsisText = QString(QChar(cEllipsis));

class ViewerHugeTextTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    FName = QStringLiteral("big") + QString(50000, QLatin1Char('n'));
    FAttr = QStringLiteral("attr") + QString(5000, QLatin1Char('a'));
    for (int i = 0; i < 20000; ++i) FValue += QStringLiteral("line %1 of the value\n").arg(i);
    FValue += QStringLiteral("last line");
    for (int i = 0; i < 3000; ++i) FDecoded += QStringLiteral("<p n=\"%1\">decoded text</p>\n").arg(i);
    const QByteArray document = "<doc>\n  <" + FName.toUtf8() + " " + FAttr.toUtf8() + "=\"short\" id=\"7\">" +
                                FValue.toUtf8() + "</" + FName.toUtf8() + ">\n  <coded>" + FDecoded.toUtf8().toBase64() +
                                "</coded>\n</doc>\n";
    FViewer = std::make_unique<Tmdi_quillon_Viewer>(&FOptions);
    FViewer->resize(900, 600);
    FViewer->SetFilename(WriteFile("huge.xml", document));
  }

  QString WriteFile(const QString& aName, const QByteArray& aBytes) { return WriteScratchFile(FDir.path(), aName, aBytes); }
  template <class T>
  T* Part(const char* aName) const {
    return WindowPart<T>(*FViewer, aName);
  }
  TVirtualTree* Tree() const { return Part<TVirtualTree>("Tree"); }
  const TNodeTree& Nodes() const { return *Tree()->Tree(); }
  TNodeIndex Find(const QString& aName) const { return FindNode(Nodes(), U16View(aName)); }
  QAction* MenuAction(QWidget* aOwner, const QString& aText) const {
    for (QAction* a : aOwner->findChildren<QAction*>())
      if (a->text() == aText) return a;
    ADD_FAILURE() << "no action " << aText.toStdString();
    return nullptr;
  }
  // A bounded field: the first cFieldTextLength units of aFull, then the ellipsis.
  static void ExpectBoundedPrefix(const QString& aShown, const QString& aFull) {
    EXPECT_EQ(aShown.size(), qsizetype(cFieldTextLength) + 1);
    EXPECT_TRUE(aShown.endsWith(cEllipsisText)) << aShown.right(10).toStdString();
    EXPECT_EQ(aShown.chopped(1), aFull.left(qsizetype(cFieldTextLength)));
  }

  QTemporaryDir FDir;
  TQuillonOptions FOptions;
  std::unique_ptr<Tmdi_quillon_Viewer> FViewer;
  QString FName, FAttr, FValue, FDecoded;
};

}  // namespace

TEST_F(ViewerHugeTextTest, SingleLineFieldsShowABoundedPrefixAndTheWholeTextStaysAvailable) {
  const TNodeIndex node = Find(FName);
  Tree()->SetFocusedNode(node);
  auto* pathBar = Part<QPushButton>("obPC");
  const QString path = QStringLiteral("doc\\") + FName;
  ExpectBoundedPrefix(pathBar->toolTip(), path);
  EXPECT_TRUE(pathBar->text().startsWith(QStringLiteral("doc \u25BA bignnn"))) << pathBar->text().left(20).toStdString();
  EXPECT_TRUE(pathBar->text().endsWith(cEllipsisText));
  EXPECT_LE(pathBar->text().size(), qsizetype(cFieldTextLength) + 3);
  ExpectBoundedPrefix(Tree()->Model()->IndexOf(node).data().toString(), FName);
  auto* list = Part<QTreeWidget>("List");
  ASSERT_EQ(list->topLevelItemCount(), 2);
  ExpectBoundedPrefix(list->topLevelItem(0)->text(0), FAttr);
  EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("short"));

  // The value views take the whole text, and the copy commands copy the whole name and path.
  const QString value = ToQString(Nodes().Value(node));  // the reader made the breaks CR LF
  EXPECT_EQ(value, QString(FValue).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
  EXPECT_TRUE(ToQString(Part<TTextEditor>("ValueView")->Text()) == value);
  MenuAction(Tree(), QStringLiteral("Copy name to clipboard"))->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), FName);
  MenuAction(pathBar, QStringLiteral("Copy to clipboard"))->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), path);

  // An attribute shows its element's path, bounded the same way.
  Tree()->SetFocusedNode(Find(FAttr));
  ExpectBoundedPrefix(pathBar->toolTip(), path);
  EXPECT_EQ(ToQString(Part<TTextEditor>("ValueView")->Text()), QStringLiteral("short"));

  Tree()->SetFocusedNode(Find(QStringLiteral("coded")));
  EXPECT_TRUE(ToQString(Part<TTextEditor>("TextView")->Text()) == FDecoded);
  EXPECT_EQ(Part<QTabBar>("ValueTabs")->tabText(1), QStringLiteral("Decoded (3000 lines)"));

  // An error line that quotes the huge name is bounded in the Messages list.
  FOptions.StrictXML = true;
  FViewer->SetFilename(WriteFile("wrong.xml", "<" + FName.toUtf8() + "></other>"));
  auto* box = Part<QListWidget>("Box");
  ASSERT_GT(box->count(), 0);
  const QString error = box->item(box->count() - 1)->text();
  EXPECT_TRUE(error.startsWith(QStringLiteral("Error at line 1 at position "))) << error.left(60).toStdString();
  EXPECT_TRUE(error.endsWith(cEllipsisText));
  EXPECT_EQ(error.size(), qsizetype(cFieldTextLength) + 1);
}

// A value of one line longer than the views draw: the view shows its start with a note under
// it, Select All and Copy give the whole value; a small value is shown as it always was.
TEST_F(ViewerHugeTextTest, AValueOfOneHugeLineIsShownCutAndCopiedWhole) {
  QString line;
  for (int i = 0; line.size() < 300000; ++i) line += QStringLiteral("word %1 ").arg(i);
  line += QStringLiteral("end");
  QString decoded;
  for (int i = 0; decoded.size() < 200000; ++i) decoded += QStringLiteral("<p n=\"%1\"/>").arg(i);
  FViewer->SetFilename(WriteFile("line.xml", "<doc><long>" + line.toUtf8() + "</long><small>a small value</small><coded>" +
                                                 decoded.toUtf8().toBase64() + "</coded></doc>"));
  auto* valueView = Part<TTextEditor>("ValueView");
  auto* textView = Part<TTextEditor>("TextView");
  const auto controlLength = [](TTextEditor* aView) { return aView->SendScintilla(QsciScintillaBase::SCI_GETLENGTH); };
  const auto note = [](TTextEditor* aView) { return aView->SendScintilla(QsciScintillaBase::SCI_ANNOTATIONGETTEXT, 0L, 0L); };

  Tree()->SetFocusedNode(Find(QStringLiteral("long")));
  FViewer->repaint();
  EXPECT_EQ(valueView->CutLineCount(), 1);
  EXPECT_EQ(controlLength(valueView), TTextEditor::cShownLineBytes);
  EXPECT_GT(note(valueView), 0);
  EXPECT_TRUE(ToQString(valueView->Text()) == line);
  MenuAction(FViewer.get(), QStringLiteral("Select All"))->trigger();
  MenuAction(FViewer.get(), QStringLiteral("Copy to Clipboard"))->trigger();
  EXPECT_TRUE(QGuiApplication::clipboard()->text() == line);

  Tree()->SetFocusedNode(Find(QStringLiteral("small")));
  EXPECT_EQ(valueView->CutLineCount(), 0);
  EXPECT_EQ(valueView->Text(), u"a small value");
  EXPECT_EQ(controlLength(valueView), 13);
  EXPECT_EQ(note(valueView), 0);
  MenuAction(FViewer.get(), QStringLiteral("Select All"))->trigger();
  MenuAction(FViewer.get(), QStringLiteral("Copy to Clipboard"))->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("a small value"));

  Tree()->SetFocusedNode(Find(QStringLiteral("coded")));
  EXPECT_EQ(textView->CutLineCount(), 1);
  EXPECT_TRUE(ToQString(textView->Text()) == decoded);
  EXPECT_EQ(Part<QTabBar>("ValueTabs")->tabText(1), QStringLiteral("Decoded (1 lines)"));
  EXPECT_EQ(valueView->CutLineCount(), 1) << "the Base64 of one line is one line too";
}
