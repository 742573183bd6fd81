// The New and Editor commands: the editor runs modally, and only saved changes open a new
// document window or reload the active one.
#include "MainWndTestUtil.h"

#include "EditorWnd.h"
#include "NodeTree.h"
#include "TextEditor.h"
#include "VirtualTree.h"

#include <QAction>

namespace {

class EditorCommandsTest : public MainWndTest {
protected:
  void TearDown() override {
    SetEditorModalHook({});
    Twnd_quillon_Editor::SetSaveAsHook({});
    MainWndTest::TearDown();
  }
  // Whether the document window's tree holds an element of that name.
  static bool HasNode(Tmdi_quillon_Viewer* AViewer, std::u16string_view AName) {
    auto* tree = AViewer->findChild<TVirtualTree*>(QStringLiteral("Tree"));
    if (!tree || !tree->Tree()) return false;
    const TNodeTree& nodes = *tree->Tree();
    for (TNodeIndex n = nodes.First(); n != cNoNode; n = nodes.Next(n))
      if (nodes.Name(n) == AName) return true;
    return false;
  }
  static void Retype(Twnd_quillon_Editor& AEditor, const QString& AText) {
    AEditor.Editor->selectAll();
    AEditor.Editor->removeSelectedText();
    AEditor.Editor->insert(AText);
    QCoreApplication::processEvents();
  }
};

TEST_F(EditorCommandsTest, NewIsAlwaysThereEditorNeedsAnActiveWindow) {
  Twnd_quillon_Main window;
  window.show();
  window.UpdateCommandStates();
  EXPECT_TRUE(window.acNew->isEnabled());
  EXPECT_FALSE(window.acEdit->isEnabled());
  EXPECT_EQ(window.acNew->shortcut(), QKeySequence("Ctrl+N"));
  EXPECT_EQ(window.acNew->text(), "New...");
  EXPECT_EQ(window.acEdit->text(), "Editor...");
  window.OpenFile(MakeFile("a.xml"));
  EXPECT_TRUE(window.acEdit->isEnabled());
}

TEST_F(EditorCommandsTest, ASavedNewDocumentOpensInItsOwnWindow) {
  Twnd_quillon_Main window;
  window.show();
  // Closed without saving: nothing opens.
  SetEditorModalHook([](Twnd_quillon_Editor& AEditor) { AEditor.acExit->trigger(); });
  window.acNew->trigger();
  EXPECT_TRUE(window.Viewers().isEmpty());

  const QString name = FDir.filePath("fresh.xml");
  Twnd_quillon_Editor::SetSaveAsHook([&](const QString&) { return name; });
  SetEditorModalHook([&](Twnd_quillon_Editor& AEditor) {
    EXPECT_EQ(AEditor.parentWidget(), &window);
    AEditor.Editor->insert("<fresh/>");
    EXPECT_TRUE(AEditor.Save());
    AEditor.acExit->trigger();
  });
  window.acNew->trigger();
  Drain();
  ASSERT_EQ(window.Viewers().size(), 1);
  EXPECT_EQ(window.Viewers()[0]->Filename(), name);
  EXPECT_TRUE(HasNode(window.Viewers()[0], u"fresh"));
  EXPECT_TRUE(FBoxes.empty());
}

TEST_F(EditorCommandsTest, AnEditedDocumentReloadsOnlyWhenSaved) {
  const QString file = MakeFile("doc.xml", "<?xml version=\"1.0\"?>\n<before/>\n");
  Twnd_quillon_Main window;
  window.show();
  window.OpenFile(file);
  Tmdi_quillon_Viewer* viewer = window.ActiveViewer();
  ASSERT_NE(viewer, nullptr);
  ASSERT_TRUE(HasNode(viewer, u"before"));

  // Changed, not saved: the window is left alone, even when the file changes meanwhile
  // behind the editor's back.
  SetEditorModalHook([&](Twnd_quillon_Editor& AEditor) {
    EXPECT_EQ(AEditor.Filename(), file);
    Retype(AEditor, "<?xml version=\"1.0\"?><unsaved/>");
    MakeFile("doc.xml", "<?xml version=\"1.0\"?>\n<elsewhere/>\n");
    FAnswers = {mrNo};
    AEditor.acExit->trigger();
  });
  window.acEdit->trigger();
  Drain();
  EXPECT_TRUE(HasNode(viewer, u"before"));

  // Saved: reloaded once, so the change check has nothing left to ask about.
  SetEditorModalHook([&](Twnd_quillon_Editor& AEditor) {
    Retype(AEditor, "<?xml version=\"1.0\"?><after/>");
    EXPECT_TRUE(AEditor.Save());
    AEditor.acExit->trigger();
  });
  FBoxes.clear();
  window.acEdit->trigger();
  Drain();
  ASSERT_EQ(window.Viewers().size(), 1);
  EXPECT_TRUE(HasNode(viewer, u"after"));
  window.CheckActiveFileChanged();
  EXPECT_TRUE(FBoxes.empty());
}

}  // namespace
