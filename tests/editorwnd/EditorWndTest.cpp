// The XML editor window: how it starts, saves (encodings, the check first, failures that must
// not lose text), closes, formats, checks, finds and replaces, and takes dropped files.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <unistd.h>
#include <vector>

#include "Corvane_Dialogs.h"
#include "EditorWnd.h"
#include "Encodings.h"
#include "FindReplaceDlg.h"
#include "QtText.h"
#include "ScratchFile.h"
#include "TextEditor.h"

namespace {

struct TShownBox {
  TDialogKind Kind;
  QString Text;
};

QString Q(std::u16string_view AText) { return ToQString(AText); }
std::u16string U(const QString& AText) { return ToU16(AText); }

const QByteArray cUtf8Mark("\xEF\xBB\xBF");
const char cSmallDocument[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r a=\"1\">\r\n  <c>t</c>\r\n</r>\r\n";

class EditorWndTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    SetDialogHook([this](TDialogKind AKind, const QString&, const QString& AText) {
      FBoxes.push_back({AKind, AText});
      if (FAnswers.empty()) return AKind == dkConfirm || AKind == dkConfirmCancel ? mrNo : mrOk;
      const TModalResult answer = FAnswers.front();
      FAnswers.pop_front();
      return answer;
    });
    Twnd_quillon_Editor::SetSaveAsHook([this](const QString& AProposed) {
      FProposed << AProposed;
      return FSaveAs;
    });
  }
  void TearDown() override {
    SetDialogHook({});
    Twnd_quillon_Editor::SetSaveAsHook({});
    SetEditorModalHook({});
  }

  QString WriteFile(const QString& AName, const QByteArray& ABytes) { return WriteScratchFile(FDir.path(), AName, ABytes); }
  static QByteArray ReadFile(const QString& APath) {
    QFile file(APath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }
  // An edit as the user makes it: through the control, undoable, marking the text modified.
  static void Type(Twnd_quillon_Editor& AWindow, const QString& AText) {
    AWindow.Editor->insert(AText);
    QCoreApplication::processEvents();  // the change notice arrives from the event loop
  }
  static void Replace(Twnd_quillon_Editor& AWindow, const QString& AText) {
    AWindow.Editor->selectAll();
    AWindow.Editor->removeSelectedText();
    Type(AWindow, AText);
  }
  std::unique_ptr<Twnd_quillon_Editor> Edit(const QString& APath) {
    auto window = std::make_unique<Twnd_quillon_Editor>();
    window->LoadFile(APath);
    window->show();
    return window;
  }
  QString LastBox() const { return FBoxes.empty() ? QString() : FBoxes.back().Text; }

  QTemporaryDir FDir;
  std::vector<TShownBox> FBoxes;
  std::deque<TModalResult> FAnswers;  // in order; then No for questions, OK otherwise
  QStringList FProposed;              // names the save-as dialog proposed
  QString FSaveAs;                    // what the save-as dialog answers (empty: cancel)
};

TEST_F(EditorWndTest, NewDocumentShowsTheDeclarationAndClosesWithoutAQuestion) {
  bool ran = false;
  SetEditorModalHook([&](Twnd_quillon_Editor& AWindow) {
    ran = true;
    EXPECT_EQ(Q(AWindow.Editor->Text()), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n");
    EXPECT_EQ(AWindow.Editor->lines(), 2);
    EXPECT_EQ(AWindow.Editor->CaretLine(), 2);
    EXPECT_EQ(AWindow.Editor->CaretColumn(), 1);
    EXPECT_EQ(AWindow.windowTitle(), "XML Editor");
    EXPECT_EQ(AWindow.size(), QSize(878, 620));
    EXPECT_EQ(AWindow.StatusText(0), "Row: 2   Col: 1   Chr: 0(0h)   Cnt: 2   Sel: 0");
    EXPECT_EQ(AWindow.StatusText(1), "");
    EXPECT_FALSE(AWindow.acSave->isEnabled());
    EXPECT_TRUE(AWindow.acClearPaste->isVisible());
    EXPECT_TRUE(AWindow.acWordWrap->isChecked());
    EXPECT_TRUE(AWindow.Editor->WordWrap());
    AWindow.acExit->trigger();
    EXPECT_FALSE(AWindow.isVisible());
  });
  QString name = "unchanged";
  EXPECT_FALSE(NewXMLFile(name, nullptr));
  EXPECT_TRUE(ran);
  EXPECT_TRUE(name.isEmpty());
  EXPECT_TRUE(FBoxes.empty());
}

TEST_F(EditorWndTest, SavingANewDocumentProposesUntitledAndReturnsThePath) {
  FSaveAs = FDir.filePath("new.xml");
  SetEditorModalHook([&](Twnd_quillon_Editor& AWindow) {
    Type(AWindow, "<r/>");
    EXPECT_TRUE(AWindow.acSave->isEnabled());
    EXPECT_EQ(AWindow.StatusText(1), "Modified");
    AWindow.acSave->trigger();
    EXPECT_EQ(AWindow.windowTitle(), "XML Editor - [" + FSaveAs + "]");
    EXPECT_FALSE(AWindow.Editor->Modified());
    EXPECT_FALSE(AWindow.acSave->isEnabled());
    EXPECT_EQ(AWindow.StatusText(1), "");
    AWindow.acExit->trigger();
  });
  QString name;
  EXPECT_TRUE(NewXMLFile(name, nullptr));
  EXPECT_EQ(name, FSaveAs);
  EXPECT_EQ(FProposed, QStringList{"untitled.xml"});
  EXPECT_EQ(ReadFile(FSaveAs), cUtf8Mark + "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<r/>\r\n");
  EXPECT_TRUE(FBoxes.empty());
}

TEST_F(EditorWndTest, CancellingTheSaveAsDialogWritesNothing) {
  Twnd_quillon_Editor window;
  window.StartNewDocument();
  window.show();
  Type(window, "<r/>");
  EXPECT_FALSE(window.Save());
  EXPECT_TRUE(window.Filename().isEmpty());
  EXPECT_TRUE(window.Editor->Modified());
  // Yes to the close question with the dialog cancelled keeps the window open.
  FAnswers = {mrYes};
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.ContentChanged());
}

TEST_F(EditorWndTest, TextIsWrittenInTheEncodingItsDeclarationNames) {
  struct TCase {
    const char* Name;
    QByteArray Stored;   // the file before editing
    QString Text;        // the editor's text when it is saved
    QByteArray Written;  // the file afterwards
  };
  const QString text1250 = QString::fromUtf8("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<r>\xC4\x8D\xC5\xA1</r>");
  const QString textUtf16 = QString::fromUtf8("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r>\xC3\xA9</r>");
  QByteArray utf16 = QByteArray("\xFF\xFE", 2);
  for (QChar c : textUtf16.left(textUtf16.indexOf('\n')) + "\r\n" + textUtf16.mid(textUtf16.indexOf('\n') + 1) + "\r\n") {
    utf16.append(char(c.unicode() & 0xFF));
    utf16.append(char(c.unicode() >> 8));
  }
  const TCase cases[] = {
      {"windows-1250 without a mark", cSmallDocument, text1250,
       QByteArray("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<r>\xE8\x9A</r>\r\n")},
      {"no encoding: UTF-8 with its mark", cSmallDocument, QString::fromUtf8("<?xml version=\"1.0\"?>\n<r>\xC3\xA9</r>"),
       cUtf8Mark + "<?xml version=\"1.0\"?>\r\n<r>\xC3\xA9</r>\r\n"},
      {"declaration changed to UTF-16", cUtf8Mark + cSmallDocument, textUtf16, utf16},
  };
  int n = 0;
  for (const TCase& c : cases) {
    const QString path = WriteFile(QString("e%1.xml").arg(n++), c.Stored);
    auto window = Edit(path);
    Replace(*window, c.Text);
    EXPECT_TRUE(window->Save()) << c.Name;
    EXPECT_EQ(ReadFile(path), c.Written) << c.Name;
    EXPECT_TRUE(window->ContentChanged()) << c.Name;
  }
  EXPECT_TRUE(FBoxes.empty());
}

TEST_F(EditorWndTest, AFileIsLoadedInItsDeclaredEncoding) {
  const QString path = WriteFile("w.xml", QByteArray("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<r>\xE8</r>\r\n"));
  auto window = Edit(path);
  EXPECT_EQ(window->Editor->Line(1), u"<r>\u010D</r>");
  EXPECT_EQ(window->windowTitle(), "XML Editor - [" + path + "]");
  EXPECT_FALSE(window->acClearPaste->isVisible());
  EXPECT_FALSE(window->Editor->Modified());
  ASSERT_NE(window->Encoding(), nullptr);
  EXPECT_EQ(window->Encoding()->CodePage(), 1250);
}

// A UTF-8 file goes into the control piece by piece as it is read: the mark is skipped, the
// pieces join without a seam (a character split by a piece's end included), and files shorter
// than a mark still load.
TEST_F(EditorWndTest, AFileIsLoadedWithoutItsMarkAndWhole) {
  QByteArray big = "<r>";
  while (big.size() < (1 << 24) - 1) big += "abcdefghijklmnopqrstuvwxyz\r\n";
  big.truncate((1 << 24) - 1);
  big += "\xC3\xA9</r>";  // the second piece starts inside the character
  QByteArray utf16("\xFF\xFE<\0r\0/\0>\0", 10);
  const struct {
    const char* Name;
    QByteArray Stored;
    QByteArray Shown;  // the control's UTF-8
  } cases[] = {
      {"empty", "", ""},
      {"shorter than a mark", "<", "<"},
      {"the mark alone", cUtf8Mark, ""},
      {"UTF-8 with its mark", cUtf8Mark + cSmallDocument, cSmallDocument},
      {"UTF-8 without a declaration", "<r>\xC3\xA9</r>", "<r>\xC3\xA9</r>"},
      {"UTF-16 by its mark", utf16, "<r/>"},
      {"more than one piece", big, big},
  };
  int n = 0;
  for (const auto& c : cases) {
    const QString path = WriteFile(QString("m%1.xml").arg(n++), c.Stored);
    auto window = Edit(path);
    const std::string_view shown = window->Editor->Utf8Text();
    EXPECT_TRUE(shown == std::string_view(c.Shown.constData(), size_t(c.Shown.size())))
        << c.Name << ": " << shown.size() << " bytes shown of " << c.Shown.size();
    EXPECT_FALSE(window->Editor->Modified()) << c.Name;
  }
  EXPECT_TRUE(FBoxes.empty());
}

TEST_F(EditorWndTest, TextThatIsNotWellFormedIsNotSavedAndTheCaretGoesToTheError) {
  const QString path = WriteFile("bad.xml", cSmallDocument);
  auto window = Edit(path);
  Replace(*window, "<?xml version=\"1.0\"?>\r\n<root>\r\n  <a>\r\n  </b>\r\n</root>");
  window->Editor->SetCaret(1, 1);
  EXPECT_FALSE(window->Save());
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Kind, dkError);
  EXPECT_TRUE(FBoxes[0].Text.startsWith("Error at line 4 at position 6: ")) << FBoxes[0].Text.toStdString();
  EXPECT_TRUE(FBoxes[0].Text.contains("Close=\"b\", open element=\"a\"")) << FBoxes[0].Text.toStdString();
  EXPECT_EQ(window->Editor->CaretLine(), 4);
  EXPECT_EQ(window->Editor->CaretColumn(), 6);
  EXPECT_EQ(ReadFile(path), QByteArray(cSmallDocument));
  EXPECT_TRUE(window->Editor->Modified());
  EXPECT_TRUE(window->acSave->isEnabled());
  EXPECT_EQ(window->StatusText(1), "Modified");
  EXPECT_FALSE(window->ContentChanged());
}

TEST_F(EditorWndTest, TheCloseQuestion) {
  struct TCase {
    const char* Name;
    bool Valid;
    std::deque<TModalResult> Answers;
    bool Closes;
    bool Written;
  };
  const TCase cases[] = {
      {"Cancel keeps the window", true, {mrCancel}, false, false},
      {"No discards the changes", true, {mrNo}, true, false},
      {"Yes saves and closes", true, {mrYes}, true, true},
      {"Yes with broken text keeps the window", false, {mrYes, mrOk}, false, false},
  };
  int n = 0;
  for (const TCase& c : cases) {
    const QString path = WriteFile(QString("c%1.xml").arg(n++), cSmallDocument);
    auto window = Edit(path);
    Replace(*window, c.Valid ? "<?xml version=\"1.0\"?><r/>" : "<?xml version=\"1.0\"?><r>");
    FBoxes.clear();
    FAnswers = c.Answers;
    EXPECT_EQ(window->close(), c.Closes) << c.Name;
    EXPECT_EQ(window->isVisible(), !c.Closes) << c.Name;
    EXPECT_EQ(ReadFile(path) != QByteArray(cSmallDocument), c.Written) << c.Name;
    EXPECT_EQ(window->ContentChanged(), c.Written) << c.Name;
    ASSERT_FALSE(FBoxes.empty()) << c.Name;
    EXPECT_EQ(FBoxes[0].Kind, dkConfirmCancel) << c.Name;
    EXPECT_EQ(FBoxes[0].Text, "Save changes?") << c.Name;
    EXPECT_EQ(FBoxes.size(), c.Valid ? 1u : 2u) << c.Name;
  }
  // Escape goes through the same question.
  const QString path = WriteFile("esc.xml", cSmallDocument);
  auto window = Edit(path);
  Type(*window, " ");
  FBoxes.clear();
  FAnswers = {mrCancel};
  window->reject();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(FBoxes.size(), 1u);
}

TEST_F(EditorWndTest, EditXMLFileReportsOnlyWrittenChanges) {
  const QString path = WriteFile("edit.xml", cSmallDocument);
  // Changed but closed with No: the caller must not reload.
  SetEditorModalHook([&](Twnd_quillon_Editor& AWindow) {
    Type(AWindow, "<!-- x -->");
    FAnswers = {mrNo};
    AWindow.acExit->trigger();
  });
  EXPECT_FALSE(EditXMLFile(path, "utf-8", nullptr));
  EXPECT_EQ(ReadFile(path), QByteArray(cSmallDocument));

  // Saved once, then changed again and discarded: what was written still counts.
  SetEditorModalHook([&](Twnd_quillon_Editor& AWindow) {
    AWindow.Editor->SetCaret(2, 1);
    Type(AWindow, "<!-- x -->");
    EXPECT_TRUE(AWindow.Save());
    Type(AWindow, "<!-- y -->");
    FAnswers = {mrNo};
    AWindow.acExit->trigger();
  });
  EXPECT_TRUE(EditXMLFile(path, "utf-8", nullptr));
  EXPECT_TRUE(ReadFile(path).contains("<!-- x -->"));
  EXPECT_FALSE(ReadFile(path).contains("<!-- y -->"));
}

TEST_F(EditorWndTest, AFileThatCannotBeReadFailsBeforeTheWindowOpens) {
  bool shown = false;
  SetEditorModalHook([&](Twnd_quillon_Editor&) { shown = true; });
  EXPECT_FALSE(EditXMLFile(FDir.filePath("missing.xml"), QString(), nullptr));
  EXPECT_FALSE(shown);
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Kind, dkError);
  EXPECT_FALSE(FBoxes[0].Text.isEmpty());
}

TEST_F(EditorWndTest, AFailedSaveKeepsTheTextAndTheOldFile) {
  const QString edited = "<?xml version=\"1.0\"?><edited/>";
  // The folder disappears while the file is edited.
  {
    QDir(FDir.path()).mkdir("gone");
    const QString path = WriteFile("gone/a.xml", cSmallDocument);
    auto window = Edit(path);
    Replace(*window, edited);
    ASSERT_TRUE(QDir(FDir.filePath("gone")).removeRecursively());
    EXPECT_FALSE(window->Save());
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].Kind, dkError);
    EXPECT_EQ(Q(window->Editor->Text()), edited);
    EXPECT_TRUE(window->Editor->Modified());
    EXPECT_FALSE(window->ContentChanged());
    // Closing with Yes tries again, fails again and keeps the window.
    FAnswers = {mrYes};
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
  }
  // A folder that cannot be written: the old file stays as it was. (Root writes anyway.)
  if (geteuid() != 0) {
    FBoxes.clear();
    QDir(FDir.path()).mkdir("locked");
    const QString path = WriteFile("locked/a.xml", cSmallDocument);
    auto window = Edit(path);
    Replace(*window, edited);
    QFile::setPermissions(FDir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(window->Save());
    QFile::setPermissions(FDir.filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(ReadFile(path), QByteArray(cSmallDocument));
    EXPECT_EQ(Q(window->Editor->Text()), edited);
    EXPECT_TRUE(window->Editor->Modified());
  }
}

TEST_F(EditorWndTest, FormatXML) {
  const QString path = WriteFile("f.xml", cSmallDocument);
  auto window = Edit(path);
  const QString text = "<?xml version='1.0' encoding='windows-1250'?><r a='1'><c>t</c><e/><!--x--></r>";
  Replace(*window, text);
  window->Editor->SetModified(false);

  // No: nothing happens.
  FAnswers = {mrNo};
  window->acFormat->trigger();
  EXPECT_EQ(Q(window->Editor->Text()), text);
  EXPECT_FALSE(window->Editor->Modified());
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, "This operation cannot be undone. Continue?");

  // Yes: the formatted text, modified, word wrap as it was, the declared encoding.
  FAnswers = {mrYes};
  window->acFormat->trigger();
  EXPECT_EQ(Q(window->Editor->Text()),
            "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<r a=\"1\">\r\n  <c>\r\n    t\r\n  </c>\r\n"
            "  <e/>\r\n  <!--x-->\r\n</r>");
  EXPECT_TRUE(window->Editor->Modified());
  EXPECT_TRUE(window->Editor->WordWrap());
  ASSERT_NE(window->Encoding(), nullptr);
  EXPECT_EQ(window->Encoding()->CodePage(), 1250);
  EXPECT_EQ(FBoxes.size(), 2u);

  // A comment the writer refuses: the error is shown and the text is the user's again.
  const QString refused = "<?xml version=\"1.0\"?><r><!-- a -- b --></r>";
  Replace(*window, refused);
  FBoxes.clear();
  FAnswers = {mrYes};
  window->acFormat->trigger();
  ASSERT_EQ(FBoxes.size(), 2u);
  EXPECT_EQ(FBoxes[1].Kind, dkError);
  EXPECT_TRUE(FBoxes[1].Text.contains("is not a valid comment text")) << FBoxes[1].Text.toStdString();
  EXPECT_EQ(Q(window->Editor->Text()), refused);
  EXPECT_TRUE(window->Editor->Modified());
  EXPECT_TRUE(window->Editor->CanUndo());
}

TEST_F(EditorWndTest, ValidateXMLShowsTheCounts) {
  auto window = Edit(WriteFile("v.xml", "<?xml version=\"1.0\"?><r a='1' b='2' c='3'><c d='1' e='2'/><?pi x?></r>"));
  window->acValidate->trigger();
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Kind, dkInfo);
  EXPECT_EQ(FBoxes[0].Text, "XML is valid.\r\n\r\nTags: 2\r\nAttributes: 5\r\nProcessing instructions: 1");
  EXPECT_EQ(window->TagCount(), 2);
  EXPECT_EQ(window->AttrCount(), 5);
  EXPECT_EQ(window->PICount(), 1);
}

TEST_F(EditorWndTest, StatusLineNamesTheCharacterAtTheCaret) {
  auto window = Edit(WriteFile("s.xml", "<?xml version=\"1.0\"?>\n<r>\xC3\xA9\xF0\x9F\x98\x80</r>\n"));
  struct TCase {
    int Line, Column;
    const char* Status;
  } cases[] = {
      {2, 4, "Row: 2   Col: 4   Chr: 233(E9h)   Cnt: 3   Sel: 0"},
      {2, 5, "Row: 2   Col: 5   Chr: 55357(D83Dh)   Cnt: 3   Sel: 0"},  // the first half of a pair
      {2, 11, "Row: 2   Col: 11   Chr: 0(0h)   Cnt: 3   Sel: 0"},     // after the last character
      {1, 1, "Row: 1   Col: 1   Chr: 60(3Ch)   Cnt: 3   Sel: 0"},
  };
  for (const TCase& c : cases) {
    window->Editor->SetCaret(c.Line, c.Column);
    EXPECT_EQ(window->StatusText(0), c.Status);
  }
  window->Editor->SelectAll();
  EXPECT_TRUE(window->StatusText(0).endsWith("Sel: " + QString::number(window->Editor->Text().size())));
  EXPECT_TRUE(window->acCopy->isEnabled());
}

TEST_F(EditorWndTest, FindAndReplace) {
  auto window = Edit(WriteFile("r.xml", "<?xml version=\"1.0\"?>\n<r>alpha beta Alpha alphabet</r>\n"));
  window->Editor->SetCaret(2, 25);  // in "alphabet"
  window->acFindReplace->trigger();
  TFindReplaceDlg* rd = window->rd;
  EXPECT_TRUE(rd->isVisible());
  EXPECT_EQ(rd->FindText(), "alphabet");
  EXPECT_FALSE(rd->Down()) << "opens looking upwards";

  // Upwards, whole words, any case: "Alpha" and then "alpha".
  rd->SetFindText("alpha");
  rd->SetWholeWord(true);
  rd->bFindNext->click();
  EXPECT_EQ(window->Editor->SelText(), u"Alpha");
  EXPECT_EQ(window->Editor->CaretColumn(), 15);
  rd->bFindNext->click();
  EXPECT_EQ(window->Editor->CaretColumn(), 4);
  EXPECT_TRUE(FBoxes.empty());
  rd->bFindNext->click();
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, "Text not found.");

  // Replace All goes forward from the caret; match case leaves "Alpha".
  window->Editor->SetCaret(1, 1);
  rd->SetWholeWord(false);
  rd->SetMatchCase(true);
  rd->SetReplaceText("omega");
  rd->bReplaceAll->click();
  EXPECT_EQ(window->Editor->Line(1), u"<r>omega beta Alpha omegabet</r>");
  EXPECT_TRUE(window->Editor->Modified());
  FBoxes.clear();
  rd->bReplaceAll->click();
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, "Text not found.");

  // Closing the editor closes the box too.
  FAnswers = {mrNo};
  window->close();
  EXPECT_FALSE(rd->isVisible());
}

TEST_F(EditorWndTest, ADroppedFileReplacesTheTextButTheSaveGoesToTheEditedFile) {
  const QString path = WriteFile("target.xml", cSmallDocument);
  const QByteArray droppedBytes = cUtf8Mark + "<?xml version=\"1.0\"?><dropped>\xC3\xA9</dropped>";
  const QString dropped = WriteFile("dropped.xml", droppedBytes);
  auto window = Edit(path);
  // What the control reports for a drop (a drop event is delivered only during a real drag).
  auto drop = [&] { window->Editor->OnDropFiles({U(dropped), U(path)}); };
  FAnswers = {mrNo};
  drop();
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, "Load dropped file?");
  EXPECT_EQ(ReadFile(path), QByteArray(cSmallDocument));
  EXPECT_FALSE(window->Editor->Modified());

  FAnswers = {mrYes};
  drop();
  EXPECT_EQ(window->Editor->Text(), u"<?xml version=\"1.0\"?><dropped>\u00E9</dropped>");
  EXPECT_TRUE(window->acSave->isEnabled());
  EXPECT_EQ(window->Filename(), path);
  EXPECT_TRUE(window->Save());
  EXPECT_EQ(ReadFile(path), cUtf8Mark + "<?xml version=\"1.0\"?><dropped>\xC3\xA9</dropped>\r\n");
  EXPECT_EQ(ReadFile(dropped), droppedBytes);
}

TEST_F(EditorWndTest, PasteFromClipboardReplacesTheTextAfterAsking) {
  Twnd_quillon_Editor window;
  window.StartNewDocument();
  window.show();
  const QString clip = QString::fromUtf8("<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?><r>\xC4\x8D</r>");
  QApplication::clipboard()->setText(clip);
  QCoreApplication::processEvents();
  EXPECT_TRUE(window.acClearPaste->isEnabled());
  const std::u16string before = window.Editor->Text();

  FAnswers = {mrNo};
  window.acClearPaste->trigger();
  EXPECT_EQ(window.Editor->Text(), before);
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, "This will replace editor content with clipboard content.\r\nContinue?");

  FAnswers = {mrYes};
  window.acClearPaste->trigger();
  EXPECT_EQ(Q(window.Editor->Text()), clip);
  EXPECT_TRUE(window.Editor->Modified());
  EXPECT_TRUE(window.acSave->isEnabled());
  ASSERT_NE(window.Encoding(), nullptr);
  EXPECT_EQ(window.Encoding()->CodePage(), 28592);
}

TEST_F(EditorWndTest, PopupMenuAndEditingStates) {
  auto window = Edit(WriteFile("p.xml", cSmallDocument));
  QStringList items;
  for (QAction* action : window->PopupMenu->actions()) items << (action->isSeparator() ? "-" : action->text());
  EXPECT_EQ(items, (QStringList{"Format XML", "Validate XML", "-", "Save", "-", "Undo", "Redo", "-", "Copy", "Cut",
                                "Paste", "-", "Select All", "-", "WordWrap", "-", "Find and Replace..."}));
  EXPECT_EQ(window->acSave->shortcut(), QKeySequence("Ctrl+S"));
  EXPECT_EQ(window->acFindReplace->shortcut(), QKeySequence("Ctrl+R"));

  EXPECT_FALSE(window->acUndo->isEnabled());
  EXPECT_FALSE(window->acCopy->isEnabled());
  Type(*window, "x");
  EXPECT_TRUE(window->acUndo->isEnabled());
  EXPECT_FALSE(window->acRedo->isEnabled());
  window->acUndo->trigger();
  QCoreApplication::processEvents();
  EXPECT_TRUE(window->acRedo->isEnabled());
  EXPECT_FALSE(window->Editor->Modified()) << "undone back to the loaded text";
  EXPECT_FALSE(window->acSave->isEnabled());

  window->acWordWrap->trigger();
  EXPECT_FALSE(window->Editor->WordWrap());
  EXPECT_FALSE(window->acWordWrap->isChecked());
}

}  // namespace
