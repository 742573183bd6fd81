#include "Corvane.LayoutManager.Form.h"
#include "Corvane.LayoutManager.TextEditor.h"
#include "Corvane_Dialogs.h"
#include "LayoutTestUtil.h"
#include "TextEditor.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QSplitter>
#include <QTest>

#include <tuple>

// A window of its own class: the class name is its section.
class Twnd_Sample : public QWidget {
  Q_OBJECT
public:
  Twnd_Sample() : Form(this) {
    resize(400, 300);
    acGrid = new QAction(this);
    acGrid->setObjectName(QStringLiteral("acGrid"));
    acGrid->setCheckable(true);
    connect(acGrid, &QAction::triggered, this, [this] { ++Runs; });
  }
  TLMForm Form;
  QAction* acGrid;
  int Runs = 0;
};

class LayoutTest : public StoreTest {
protected:
  void SetUp() override {
    StoreTest::SetUp();
    SetDisplayKeyHook([this](const QWidget*) { return FKey; });
    SetDialogHook([this](TDialogKind, const QString&, const QString& AText) {
      FBoxes.append(AText);
      return mrOk;
    });
  }
  void TearDown() override {
    SetDisplayKeyHook({});
    SetDialogHook({});
  }

  // A window as a run of the program makes it: stored layout on, saving allowed.
  std::unique_ptr<Twnd_Sample> MakeWindow() {
    auto window = std::make_unique<Twnd_Sample>();
    window->Form.LayoutManager().SetStorage(FStore.get());
    window->Form.SetLayoutControl(true);
    window->Form.LayoutManager().Add(window->acGrid, {QStringLiteral("Checked")});
    window->Form.SetLayoutReadOnly(false);
    return window;
  }
  static void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }
  QString Read(const char* ASection, const char* AName) {
    return FStore->ReadString(QString::fromLatin1(ASection), QString::fromLatin1(AName), QStringLiteral("<none>"));
  }

  QString FKey = QStringLiteral("1920x1080x96");
  QStringList FBoxes;
};

TEST_F(LayoutTest, EachDisplayArrangementKeepsItsOwnLayout) {
  {
    auto window = MakeWindow();
    window->show();
    window->resize(500, 410);
    window->Form.LayoutManager().Save();
    FKey = QStringLiteral("3840x1080x96");
    window->resize(900, 610);
    window->Form.LayoutManager().Save();
  }
  EXPECT_EQ(Read("Twnd_Sample#1920x1080x96", "Size"), QStringLiteral("500,410"));
  EXPECT_EQ(Read("Twnd_Sample#3840x1080x96", "Size"), QStringLiteral("900,610"));
  EXPECT_EQ(Read("Twnd_Sample#3840x1080x96", "State"), QStringLiteral("0"));
  EXPECT_EQ(Read("Twnd_Sample", "LayoutReadOnly"), QStringLiteral("0"));

  for (const auto& [key, size] : {std::pair{"1920x1080x96", QSize(500, 410)}, std::pair{"3840x1080x96", QSize(900, 610)}}) {
    FKey = QString::fromLatin1(key);
    auto window = MakeWindow();
    window->show();  // the first show restores
    EXPECT_EQ(window->size(), size) << key;
  }
}

TEST_F(LayoutTest, WindowStatesThatStoreNoSizeOrState) {
  {
    auto window = MakeWindow();
    window->showMaximized();
    Settle();
    ASSERT_TRUE(window->isMaximized());
    window->Form.LayoutManager().Save();
  }
  EXPECT_EQ(Read("Twnd_Sample#1920x1080x96", "State"), QStringLiteral("2"));
  EXPECT_EQ(Read("Twnd_Sample#1920x1080x96", "Size"), QStringLiteral("<none>"));
  EXPECT_EQ(Read("Twnd_Sample#1920x1080x96", "Pos"), QStringLiteral("<none>"));
  {
    auto window = MakeWindow();
    window->show();
    Settle();
    EXPECT_TRUE(window->isMaximized());
    window->showMinimized();
    Settle();
    ASSERT_TRUE(window->isMinimized());
    window->Form.LayoutManager().Save();
  }
  EXPECT_EQ(Read("Twnd_Sample#1920x1080x96", "State"), QStringLiteral("<none>"));
  EXPECT_EQ(Read("Twnd_Sample#1920x1080x96", "Size"), QStringLiteral("<none>"));
  auto window = MakeWindow();
  window->show();
  EXPECT_FALSE(window->isMinimized());
  EXPECT_FALSE(window->isMaximized());
}

TEST_F(LayoutTest, StoredPairsThatAreHalfOrNotAtAllNumbers) {
  struct TCase {
    const char* Pos;
    QPoint Expected;
  } cases[] = {
      {"100,x", QPoint(100, 40)},  // the top stays
      {"x,70", QPoint(30, 70)},
      {"5", QPoint(30, 40)},       // no comma: nothing changes
      {"", QPoint(30, 40)},
      {" 7 , 8 ", QPoint(7, 8)},
  };
  for (const TCase& c : cases) {
    FStore->Clear();
    FStore->WriteString(QStringLiteral("Twnd_Sample#1920x1080x96"), QStringLiteral("Pos"), QString::fromLatin1(c.Pos));
    auto window = MakeWindow();
    window->move(30, 40);
    window->Form.LayoutManager().Restore();
    EXPECT_EQ(window->pos(), c.Expected) << c.Pos;
  }
  // The older per-display value is read when "Pos" is missing.
  FStore->Clear();
  FStore->WriteString(QStringLiteral("Twnd_Sample"), QStringLiteral("Size(1920x1080x96)"), QStringLiteral("321,222"));
  auto window = MakeWindow();
  window->Form.LayoutManager().Restore();
  EXPECT_EQ(window->size(), QSize(321, 222));
}

TEST_F(LayoutTest, OptionStatesComeBackWithoutRunningTheirActions) {
  {
    auto window = MakeWindow();
    window->show();
    window->acGrid->trigger();
    window->Form.LayoutManager().Save();
  }
  EXPECT_EQ(Read("Twnd_Sample\\acGrid#1920x1080x96", "Checked"), QStringLiteral("1"));
  auto window = MakeWindow();
  window->show();
  EXPECT_TRUE(window->acGrid->isChecked());
  EXPECT_EQ(window->Runs, 0);
}

TEST_F(LayoutTest, ReadOnlyAndRestoringManagersWriteNothing) {
  auto window = MakeWindow();
  window->Form.SetLayoutReadOnly(true);
  window->show();
  window->resize(640, 480);
  window->move(12, 13);
  window->Form.LayoutManager().Save();
  QTest::qWait(TLMForm::cSaveDelayMs + 100);
  window->Form.FormDestroying();
  EXPECT_FALSE(FileExists());
}

TEST_F(LayoutTest, ResizingSavesOnceTheUserLetsGoAndDestructionSavesToo) {
  auto window = MakeWindow();
  window->show();
  Settle();
  window->resize(555, 333);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Read("Twnd_Sample#1920x1080x96", "Size") == QStringLiteral("555,333"); }));
  window->resize(444, 222);
  window->Form.FormDestroying();
  EXPECT_EQ(Read("Twnd_Sample#1920x1080x96", "Size"), QStringLiteral("444,222"));
}

TEST_F(LayoutTest, AValueOfTheWrongKindIsReportedAndTheWindowStaysUsable) {
  FStore->WriteString(QStringLiteral("Twnd_Sample#1920x1080x96"), QStringLiteral("State"), QStringLiteral("max"));
  FStore->WriteInteger(QStringLiteral("Twnd_Sample"), QStringLiteral("LayoutReadOnly"), 0);
  auto window = MakeWindow();
  window->Form.SetLayoutReadOnly(true);
  window->show();
  Settle();
  EXPECT_EQ(FBoxes, QStringList{QStringLiteral("Invalid data type for 'State'")});
  EXPECT_TRUE(window->isVisible());
  EXPECT_FALSE(window->Form.LayoutManager().Restoring());
  // The restore stopped before the read-only state was read.
  EXPECT_TRUE(window->Form.LayoutReadOnly());
}

TEST_F(LayoutTest, PaneWidthInASplitterAndTextViewOptions) {
  auto save = [&](int AWidth, bool AWrap, TSelectionMode AMode) {
    auto window = MakeWindow();
    auto* splitter = new QSplitter(window.get());
    splitter->setGeometry(0, 0, 400, 300);
    auto* pane = new QLabel(splitter);
    pane->setObjectName(QStringLiteral("TreePanel"));
    auto* view = new TTextEditor(splitter);
    view->setObjectName(QStringLiteral("ValueView"));
    window->Form.LayoutManager().Add(pane, {QStringLiteral("Width")});
    window->Form.LayoutManager().Add(view, {}, 0, TLayoutManagerTextEditLayout::Class());
    window->show();
    Settle();
    if (AWidth >= 0) {
      splitter->setSizes({AWidth, 400 - AWidth});
      view->SetWordWrap(AWrap);
      view->SetSelectionMode(AMode);
      window->Form.LayoutManager().Save();
    }
    return std::tuple{pane->width(), view->WordWrap(), view->SelectionMode()};
  };
  const int width = std::get<0>(save(150, true, smColumn));
  EXPECT_NEAR(width, 150, 10);
  EXPECT_EQ(Read("Twnd_Sample\\TreePanel#1920x1080x96", "Width"), QString::number(width));
  EXPECT_EQ(Read("Twnd_Sample\\ValueView\\Layout#1920x1080x96", "WordWrap"), QStringLiteral("1"));
  EXPECT_EQ(Read("Twnd_Sample\\ValueView\\Layout#1920x1080x96", "SelectionMode"), QStringLiteral("2"));
  EXPECT_EQ(save(-1, false, smNormal), std::tuple(width, true, smColumn));

  TLayoutManager manager(nullptr);
  QLabel label;
  EXPECT_EQ(ErrorOf([&] { manager.Add(&label, {}, 0, TLayoutManagerTextEditLayout::Class()); }),
            QStringLiteral("TLayoutManagerTextEditLayout: Control is not TCustomTextEditor"));
}

#include "LayoutManagerTest.moc"
