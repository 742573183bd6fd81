// Settings across runs of the main window: each run is a new window over the same store, as a
// restart of the program would be.
#include "Corvane.LayoutManager.Form.h"
#include "Corvane.LayoutManager.MRU.h"
#include "MainWndTestUtil.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTest>

namespace {

TLayoutManagerRegistryStorage& Store() { return static_cast<TLayoutManagerRegistryStorage&>(LayoutStorage()); }

QString Key() { return QStringLiteral("#") + DisplayKeyOf(nullptr); }

}  // namespace

class PersistenceTest : public MainWndTest {
protected:
  void SetUp() override {
    MainWndTest::SetUp();
    SetDisplayKeyHook([](const QWidget*) { return QStringLiteral("1920x1080x96"); });
    Store().Clear();
    QFile::remove(Store().FileName());
  }
  void TearDown() override {
    SetDisplayKeyHook({});
    MainWndTest::TearDown();
  }
  // One run: the window shown, AWork done, the window closed and destroyed.
  template <typename F>
  void Run(F AWork) {
    auto window = std::make_unique<Twnd_quillon_Main>();
    window->show();
    Drain();
    AWork(*window);
    window->close();
    Drain();
    window.reset();
    Drain();
  }
  QString Read(const QString& ASection, const char* AName) {
    const QString value = Store().ReadString(ASection, QString::fromLatin1(AName), QStringLiteral("<none>"));
    Store().Close();
    return value;
  }
  static QStringList MenuEntries(Twnd_quillon_Main& AWindow) {
    QStringList entries;
    for (QAction* action : AWindow.menuBar()->actions().constFirst()->menu()->actions())
      if (action->objectName().startsWith("mru_") && !action->isSeparator()) entries.append(action->text());
    return entries;
  }
};

TEST_F(PersistenceTest, AFirstRunWithTheDefaultsWritesNothing) {
  const QString a = MakeFile("a.xml");
  Run([&](Twnd_quillon_Main& AWindow) {
    AWindow.resize(700, 500);
    AWindow.move(20, 30);
    AWindow.OpenFile(a);
    QTest::qWait(TLMForm::cSaveDelayMs + 100);
    EXPECT_EQ(AWindow.MRU().Items(), QStringList{a});
  });
  EXPECT_FALSE(QFileInfo::exists(Store().FileName()));
}

TEST_F(PersistenceTest, APersistentRunComesBackWithSizeOptionsAndRecentFiles) {
  const QString a = MakeFile("a.xml"), b = MakeFile("b.xml"), c = MakeFile("c.xml");
  int treeWidth = 0;
  Run([&](Twnd_quillon_Main& AWindow) {
    AWindow.acPersistent->trigger();
    AWindow.acGrid->trigger();
    AWindow.acTreeAttr->trigger();
    AWindow.resize(700, 500);
    AWindow.OpenFile(a);
    AWindow.OpenFile(b);
    Drain();
    auto* splitter = AWindow.Viewers()[1]->findChild<QSplitter*>("TreeSplitter");
    ASSERT_NE(splitter, nullptr);
    const int total = splitter->sizes()[0] + splitter->sizes()[1];
    splitter->setSizes({250, total - 250});
    treeWidth = splitter->sizes()[0];
  });
  EXPECT_EQ(Read("Twnd_quillon_Main" + Key(), "Size"), "700,500");
  EXPECT_EQ(Read("Twnd_quillon_Main\\acGrid" + Key(), "Checked"), "1");
  EXPECT_EQ(Read("Twnd_quillon_Main\\acTreeAttr" + Key(), "Checked"), "0");
  EXPECT_EQ(Read("Twnd_quillon_Main", "LayoutReadOnly"), "0");
  EXPECT_EQ(Read("Tmdi_quillon_Viewer", "LayoutReadOnly"), "0");
  EXPECT_NE(Read("Tmdi_quillon_Viewer\\TreePanel" + Key(), "Width"), "<none>");
  EXPECT_EQ(Read("MRU", "Count"), "2");

  Run([&](Twnd_quillon_Main& AWindow) {
    EXPECT_EQ(AWindow.size(), QSize(700, 500));
    EXPECT_TRUE(AWindow.acPersistent->isChecked());
    EXPECT_TRUE(AWindow.acGrid->isChecked());
    EXPECT_FALSE(AWindow.acTreeAttr->isChecked());
    EXPECT_FALSE(AWindow.LayoutForm().LayoutReadOnly());
    EXPECT_EQ(AWindow.MRU().Items(), (QStringList{a, b}));
    EXPECT_EQ(MenuEntries(AWindow), (QStringList{a, b}));
    // The restored options act on windows opened afterwards.
    AWindow.OpenFile(c);
    ASSERT_EQ(AWindow.Viewers().size(), 1);
    Drain();
    // The panel keeps the width the last closed document window had.
    EXPECT_EQ(AWindow.Viewers()[0]->findChild<QWidget*>("TreePanel")->width(), treeWidth);
    EXPECT_TRUE(AWindow.Options().GridLines);
    EXPECT_FALSE(AWindow.Options().AttributesInTree);
    // Choosing a listed entry opens it; a listed file that is gone leaves the list.
    QAction* entryB = nullptr;
    for (QAction* action : AWindow.menuBar()->actions().constFirst()->menu()->actions())
      if (action->objectName() == "mru_1") entryB = action;
    ASSERT_NE(entryB, nullptr);
    entryB->trigger();
    EXPECT_EQ(AWindow.Viewers().size(), 2);
    QFile::remove(a);
    AWindow.OpenFile(a);
    EXPECT_EQ(AWindow.MRU().Items(), (QStringList{b, c}));
  });
  EXPECT_EQ(Read("MRU", "000"), b);
  EXPECT_EQ(Read("MRU", "001"), c);
}

TEST_F(PersistenceTest, DocumentWindowsKeepSavingOnceTheirOwnStateWasStored) {
  const QString a = MakeFile("a.xml");
  Run([&](Twnd_quillon_Main& AWindow) {
    AWindow.acPersistent->trigger();
    AWindow.resize(700, 500);
    AWindow.OpenFile(a);
  });
  Run([&](Twnd_quillon_Main& AWindow) {
    AWindow.acPersistent->trigger();  // off: remembered, and nothing of the main window saved after
    EXPECT_TRUE(AWindow.LayoutForm().LayoutReadOnly());
    AWindow.resize(640, 480);
    AWindow.OpenFile(a);
    ASSERT_EQ(AWindow.Viewers().size(), 1);
    // Its stored "LayoutReadOnly" 0 wins over the main window's state.
    EXPECT_FALSE(AWindow.Viewers()[0]->LayoutReadOnly());
  });
  EXPECT_EQ(Read("Twnd_quillon_Main\\acPersistent" + Key(), "Checked"), "0");
  EXPECT_EQ(Read("Twnd_quillon_Main" + Key(), "Size"), "700,500");
  EXPECT_EQ(Read("Tmdi_quillon_Viewer", "LayoutReadOnly"), "0");
  Run([&](Twnd_quillon_Main& AWindow) {
    EXPECT_FALSE(AWindow.acPersistent->isChecked());
    EXPECT_TRUE(AWindow.LayoutForm().LayoutReadOnly());
  });
}

TEST_F(PersistenceTest, StoredValuesOfTheWrongKindAreReportedAndTheWindowStaysUsable) {
  Store().WriteString("Twnd_quillon_Main\\acGrid" + Key(), "Checked", "yes");
  Store().WriteString("MRU", "Count", "many");
  Store().Close();
  const QString a = MakeFile("a.xml");
  Run([&](Twnd_quillon_Main& AWindow) {
    Drain();
    QStringList texts;
    for (const TShownBox& box : FBoxes) texts.append(box.Text);
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"Invalid data type for 'Checked'", "Invalid data type for 'Count'"}));
    EXPECT_TRUE(AWindow.MRU().Items().isEmpty());
    AWindow.OpenFile(a);
    EXPECT_EQ(AWindow.Viewers().size(), 1);
  });
}
