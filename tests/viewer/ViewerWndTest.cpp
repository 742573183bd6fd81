// The document window, driven headless: loading, what focusing a node puts into the path bar,
// details list and value pane, Base64 text and pictures, the display options, the menus and
// the change check.
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <unistd.h>

#include <iostream>

#include "Corvane_Dialogs.h"
#include "QtText.h"
#include "ScratchFile.h"
#include "SearchBox.h"
#include "TextEditor.h"
#include "ValuePicture.h"
#include "ViewerParts.h"
#include "ViewerWnd.h"
#include "VirtualTree.h"

// Readable failure messages.
inline void PrintTo(const QString& aText, std::ostream* aOut) { *aOut << '"' << aText.toStdString() << '"'; }

namespace {

QString Q(std::u16string_view aText) { return ToQString(aText); }

QByteArray PngBase64(int aSize) {
  QImage image(aSize, aSize, QImage::Format_ARGB32);
  image.fill(QColor(10, 200, 30, 128));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "png");
  return bytes.toBase64();
}

const char* const cDocument =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<!-- orders of the day -->\n"
    "<orders>\n"
    "  <order id=\"7\" state=\"open\">\n"
    "    <customer>Ann Lee</customer>\n"
    "    <note>QUJD</note>\n"
    "    <empty kind=\"none\"/>\n"
    "    some text of the order\n"
    "  </order>\n"
    "  <picture>%PNG%</picture>\n"
    "</orders>\n";

class ViewerTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FDir.isValid());
    FFile = WriteFile("orders.xml", QByteArray(cDocument).replace("%PNG%", PngBase64(16)));
    FViewer = std::make_unique<Tmdi_quillon_Viewer>(&FOptions);
    FViewer->resize(900, 600);
    FViewer->SetFilename(FFile);
  }
  void TearDown() override { SetDialogHook({}); }

  QString WriteFile(const QString& aName, const QByteArray& aBytes) { return WriteScratchFile(FDir.path(), aName, aBytes); }
  template <class T>
  T* Part(const char* aName) const {
    return WindowPart<T>(*FViewer, aName);
  }
  TVirtualTree* Tree() const { return Part<TVirtualTree>("Tree"); }
  const TNodeTree& Nodes() const { return *Tree()->Tree(); }
  // The n-th node (0-based) in document order named aName.
  TNodeIndex Find(std::u16string_view aName, int aNth = 0) const { return FindNode(Nodes(), aName, aNth); }
  void Focus(std::u16string_view aName, int aNth = 0) { Tree()->SetFocusedNode(Find(aName, aNth)); }
  QString Caption() const { return Part<QLabel>("DetailPanelCaption")->text(); }
  QString PathBar() const { return Part<QPushButton>("obPC")->text(); }
  QString PathHint() const { return Part<QPushButton>("obPC")->toolTip(); }
  QTreeWidget* List() const { return Part<QTreeWidget>("List"); }
  bool ValuePanelShown() const { return !Part<QWidget>("ValuePanel")->isHidden(); }
  QTabBar* ValueTabs() const { return Part<QTabBar>("ValueTabs"); }
  int ValueCard() const { return Part<QStackedWidget>("ValueCards")->currentIndex(); }
  QString ValueText() const { return Q(Part<TTextEditor>("ValueView")->Text()); }
  QStringList Messages() const {
    QStringList lines;
    auto* box = Part<QListWidget>("Box");
    for (int i = 0; i < box->count(); ++i) lines << box->item(i)->text();
    return lines;
  }
  QAction* MenuAction(QWidget* aOwner, const QString& aText) const {
    for (QAction* a : aOwner->findChildren<QAction*>())
      if (a->text() == aText) return a;
    ADD_FAILURE() << "no action " << aText.toStdString();
    return nullptr;
  }

  QTemporaryDir FDir;
  QString FFile;
  TQuillonOptions FOptions;
  std::unique_ptr<Tmdi_quillon_Viewer> FViewer;
};

}  // namespace

TEST_F(ViewerTest, LoadShowsStatusMessagesCaptionAndTheDocumentElementExpanded) {
  EXPECT_EQ(Part<QLabel>("sbStatus")->text(), QStringLiteral("Ready"));
  EXPECT_EQ(Part<QLabel>("sbPath")->text(), FFile);
  EXPECT_EQ(FViewer->Filename(), FFile);
  EXPECT_EQ(Part<QLabel>("TreePanelCaption")->text(), QStringLiteral("orders"));
  const QStringList messages = Messages();
  ASSERT_EQ(messages.size(), 5);
  EXPECT_TRUE(messages[0].startsWith("File size: ")) << messages[0].toStdString();
  EXPECT_EQ(messages[1], QStringLiteral("Tag count: 6"));
  EXPECT_EQ(messages[2], QStringLiteral("Processing Instruction count: 0"));
  EXPECT_EQ(messages[3], QStringLiteral("Attribute count: 3"));
  EXPECT_TRUE(messages[4].startsWith("Parsing time: "));
  // Declaration, comment, orders and the two children of orders.
  EXPECT_EQ(Tree()->RowCount(), 5);
  EXPECT_EQ(Tree()->FocusedNode(), cNoNode);
  EXPECT_FALSE(ValuePanelShown());
  EXPECT_TRUE(List()->isHidden());
  EXPECT_TRUE(Part<QTabBar>("obTab")->isTabVisible(2));  // the text makes Content fragments
  EXPECT_EQ(FViewer->Encoding(), QStringLiteral("utf-8"));

  // "Strict XML parsing" is read at each load; a broken file keeps the nodes read before the
  // error and reports the error last.
  FOptions.StrictXML = true;
  FViewer->SetFilename(WriteFile("broken.xml", "<a><b>one</b><c d=e></c></a>"));
  EXPECT_TRUE(Messages().last().startsWith("Error at line 1 at position ")) << Messages().last().toStdString();
  ASSERT_GE(Nodes().Count(), 2u);
  EXPECT_EQ(Q(Nodes().Value(Find(u"b"))), QStringLiteral("one"));
  EXPECT_EQ(Part<QLabel>("TreePanelCaption")->text(), QStringLiteral("broken"));
  EXPECT_EQ(Part<QLabel>("sbStatus")->text(), QStringLiteral("Ready"));
}

TEST_F(ViewerTest, FocusingAnElementListsItsAttributesAndShowsItsValue) {
  Focus(u"order");
  EXPECT_EQ(PathHint(), QStringLiteral("orders\\order"));
  EXPECT_EQ(PathBar(), QStringLiteral("orders \u25BA order"));
  EXPECT_EQ(Caption(), QStringLiteral("Elems: 3   Attrs: 2   Level: 1"));
  ASSERT_FALSE(List()->isHidden());
  ASSERT_EQ(List()->topLevelItemCount(), 2);
  EXPECT_EQ(List()->topLevelItem(1)->text(0), QStringLiteral("state"));
  EXPECT_EQ(List()->topLevelItem(1)->text(1), QStringLiteral("open"));
  EXPECT_TRUE(ValuePanelShown());
  EXPECT_EQ(ValueText(), QStringLiteral("some text of the order"));
  EXPECT_EQ(ValueCard(), 0);
  EXPECT_EQ(ValueTabs()->currentIndex(), 0);
  EXPECT_FALSE(ValueTabs()->isTabVisible(1));
  EXPECT_FALSE(ValueTabs()->isTabVisible(2));

  // Choosing a row of the details list shows that attribute's value.
  List()->setCurrentItem(List()->topLevelItem(0));
  EXPECT_EQ(ValueText(), QStringLiteral("7"));

  // An element with attributes and no value: the list alone fills the panel.
  Focus(u"empty");
  EXPECT_FALSE(List()->isHidden());
  EXPECT_FALSE(ValuePanelShown());
  EXPECT_EQ(Caption(), QStringLiteral("Elems: 0   Attrs: 1   Level: 2"));
}

TEST_F(ViewerTest, FocusingAnAttributeShowsItsElementsPathAndLevel) {
  Focus(u"state");
  EXPECT_EQ(PathHint(), QStringLiteral("orders\\order"));
  EXPECT_EQ(Caption(), QStringLiteral("Elems: 0   Attrs: 0   Level: 1"));
  EXPECT_TRUE(List()->isHidden());
  EXPECT_EQ(ValueText(), QStringLiteral("open"));
  EXPECT_TRUE(ValuePanelShown());
}

TEST_F(ViewerTest, FocusingTheDeclarationListsItsPseudoAttributesWithoutAValuePane) {
  Focus(u"<?xml?>");
  EXPECT_EQ(PathHint(), QString());
  EXPECT_EQ(PathBar(), QString());
  ASSERT_EQ(List()->topLevelItemCount(), 2);
  EXPECT_EQ(List()->topLevelItem(0)->text(0), QStringLiteral("version"));
  EXPECT_EQ(List()->topLevelItem(1)->text(1), QStringLiteral("utf-8"));
  EXPECT_FALSE(ValuePanelShown());
  EXPECT_EQ(Caption(), QStringLiteral("Elems: 0   Attrs: 2   Level: 0"));
  // A top-level comment has an empty path too.
  Focus(u"Comment");
  EXPECT_EQ(PathHint(), QString());
  EXPECT_EQ(ValueText(), QStringLiteral(" orders of the day "));  // comments keep their blanks
}

TEST_F(ViewerTest, Base64ValuesShowTheirPictureOrTheirDecodedText) {
  // A 16 x 16 PNG with alpha: the Image tab, selected, and no Decoded tab.
  Focus(u"picture");
  EXPECT_TRUE(ValueTabs()->isTabVisible(2));
  EXPECT_FALSE(ValueTabs()->isTabVisible(1));
  EXPECT_EQ(ValueTabs()->currentIndex(), 2);
  EXPECT_EQ(ValueCard(), 2);
  EXPECT_EQ(ValueTabs()->tabText(2), QStringLiteral(" PNG: 16 x 16 - 32bit "));

  // Four letters are Base64 too: decoded text, but the Value card stays active.
  Focus(u"note");
  EXPECT_TRUE(ValueTabs()->isTabVisible(1));
  EXPECT_FALSE(ValueTabs()->isTabVisible(2));
  EXPECT_EQ(ValueTabs()->tabText(1), QStringLiteral("Decoded (1 lines)"));
  EXPECT_EQ(Q(Part<TTextEditor>("TextView")->Text()), QStringLiteral("ABC"));
  EXPECT_EQ(ValueCard(), 0);

  // Plain text hides both tabs.
  Focus(u"customer");
  EXPECT_FALSE(ValueTabs()->isTabVisible(1));
  EXPECT_FALSE(ValueTabs()->isTabVisible(2));
  EXPECT_EQ(ValueCard(), 0);
}

// "Save..." on the picture: the picture file's own bytes under its own extension, converted
// under another, through a link to the file it names (the link stays), and an error box naming
// the target when it cannot be written, with nothing left beside it. The save dialog is
// answered the way a user would type the name.
TEST_F(ViewerTest, SavePictureWritesThePictureOrSaysItCannot) {
  QStringList boxes;
  SetDialogHook([&](TDialogKind aKind, const QString&, const QString& aText) {
    boxes << QStringLiteral("%1:%2").arg(int(aKind)).arg(aText);
    return mrOk;
  });
  Focus(u"picture");
  ASSERT_EQ(ValueCard(), 2);
  QAction* save = MenuAction(Part<QWidget>("ImageView"), QStringLiteral("Save..."));
  ASSERT_NE(save, nullptr);
  const auto saveAs = [&](const QString& aTarget) {
    bool answered = false;
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [&answered, poll, aTarget] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      poll->stop();
      poll->deleteLater();
      answered = true;
      auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (edit)
        edit->setText(aTarget);
      else
        dialog->selectFile(aTarget);
      static_cast<QDialog*>(dialog)->accept();  // the dialog's own checks run
    });
    poll->start();
    save->trigger();
    EXPECT_TRUE(answered) << aTarget.toStdString();
  };
  const auto read = [](const QString& aName) {
    QFile f(aName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<not written>");
  };
  const auto leftovers = [](const QString& aFolder) {
    return QDir(aFolder).entryList({QStringLiteral("*.tmp")}, QDir::Files | QDir::Hidden);
  };
  const QByteArray png = QByteArray::fromBase64(PngBase64(16));

  saveAs(FDir.filePath("saved.png"));
  EXPECT_EQ(read(FDir.filePath("saved.png")), png);

  saveAs(FDir.filePath("saved.bmp"));
  QImage bmp;
  EXPECT_TRUE(bmp.loadFromData(read(FDir.filePath("saved.bmp")), "BMP"));
  EXPECT_EQ(bmp.size(), QSize(16, 16));

  // A link whose file does not exist yet: the file is created, the link stays a link.
  ASSERT_TRUE(QFile::link(FDir.filePath("real.png"), FDir.filePath("link.png")));
  saveAs(FDir.filePath("link.png"));
  EXPECT_TRUE(QFileInfo(FDir.filePath("link.png")).isSymLink());
  EXPECT_EQ(read(FDir.filePath("real.png")), png);
  EXPECT_TRUE(boxes.isEmpty()) << boxes.join('\n').toStdString();
  EXPECT_TRUE(leftovers(FDir.path()).isEmpty());

  // Targets that cannot be written: a name under a plain file, and a read-only folder (which
  // binds everyone but root).
  WriteFile("plain.txt", "x");
  QStringList targets{FDir.filePath("plain.txt/picture.png")};
  ASSERT_TRUE(QDir(FDir.path()).mkdir("locked"));
  ASSERT_TRUE(QFile::setPermissions(FDir.filePath("locked"), QFile::ReadOwner | QFile::ExeOwner));
  if (geteuid() != 0)
    targets << FDir.filePath("locked/picture.png");
  else
    std::cout << "[ note ] as root a read-only folder can be written: only the name under a plain file is tried\n";
  for (const QString& target : targets) {
    boxes.clear();
    saveAs(target);
    EXPECT_EQ(boxes, QStringList{QStringLiteral("%1:Cannot save %2.").arg(int(dkError)).arg(target)});
    EXPECT_FALSE(QFileInfo::exists(target));
  }
  EXPECT_TRUE(leftovers(FDir.filePath("locked")).isEmpty());
  QFile::setPermissions(FDir.filePath("locked"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ViewerTest, SamplePictureWrappedOverIndentedLinesShowsInTheImageTab) {
  FViewer->SetFilename(QStringLiteral(QUILLON_SAMPLES_DIR "/base64-image.xml"));
  Focus(u"attachment");
  EXPECT_EQ(ValueTabs()->currentIndex(), 2);
  EXPECT_EQ(ValueTabs()->tabText(2), QStringLiteral(" PNG: 32 x 32 - 24bit "));
  Focus(u"attachment", 1);
  EXPECT_TRUE(ValueTabs()->isTabVisible(1));
  EXPECT_FALSE(ValueTabs()->isTabVisible(2));
}

TEST(ViewerHelpersTest, PicturesReportKindSizeAndStoredBitsPerPixel) {
  auto encode = [](QImage aImage, const char* aFormat) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(aImage.save(&buffer, aFormat)) << aFormat;
    return bytes;
  };
  QImage rgb(5, 3, QImage::Format_RGB32);
  rgb.fill(Qt::red);
  QImage indexed = rgb.convertToFormat(QImage::Format_Indexed8);
  QImage grey = rgb.convertToFormat(QImage::Format_Grayscale8);
  // A 1 x 1 GIF with a two-colour global table.
  const QByteArray gif = QByteArray::fromHex(
      "474946383961010001008000" "00ffffff000000" "2c000000000100010000" "02024401" "003b");
  struct TCase {
    QByteArray Bytes;
    QString Caption;
  } cases[] = {
      {encode(rgb, "bmp"), " Bitmap: 5 x 3 - 24bit "},
      {encode(indexed, "bmp"), " Bitmap: 5 x 3 - 4bit "},  // few colours: written with 4 bits
      {encode(rgb, "jpeg"), " JPEG: 5 x 3 - 24bit "},
      {encode(grey, "jpeg"), " JPEG: 5 x 3 - 8bit "},
      {gif, " GIF: 1 x 1 - 1bit "},
      {encode(rgb, "png"), " PNG: 5 x 3 - 24bit "},
      {encode(indexed, "png"), " PNG: 5 x 3 - 8bit "},
      {encode(grey.convertToFormat(QImage::Format_Grayscale16), "png"), " PNG: 5 x 3 - 16bit "},
      {encode(rgb.convertToFormat(QImage::Format_RGBA64), "png"), " PNG: 5 x 3"},  // 64 bits: no suffix
  };
  for (const TCase& c : cases) {
    TValuePicture picture;
    ASSERT_TRUE(DecodeValuePicture(c.Bytes, picture)) << c.Caption.toStdString();
    EXPECT_EQ(ImageTabCaption(picture), c.Caption);
  }
  TValuePicture none;
  EXPECT_FALSE(DecodeValuePicture("ABC", none));
  EXPECT_FALSE(DecodeValuePicture(QByteArray::fromHex("89504e470d0a1a0a0000"), none));  // a cut PNG
}

TEST_F(ViewerTest, RefreshViewAppliesAttributesInTreeAndValueColumn) {
  Focus(u"customer");
  const int shownWithAttributes = Tree()->RowCount();
  FOptions.AttributesInTree = false;
  FOptions.ValueColumn = false;
  FViewer->RefreshView();
  EXPECT_EQ(Tree()->RowCount(), shownWithAttributes - 2);  // id and state
  for (int row = 0; row < Tree()->RowCount(); ++row) EXPECT_NE(Nodes().Typ(Tree()->RowNode(row)), ntAttr);
  EXPECT_EQ(Tree()->FocusedNode(), Find(u"customer"));
  EXPECT_GE(Tree()->RowOf(Find(u"customer")), 0);
  EXPECT_TRUE(Tree()->Header()->isSectionHidden(1));
  // Hidden attributes are still listed in the details.
  Focus(u"order");
  EXPECT_EQ(List()->topLevelItemCount(), 2);

  FOptions.AttributesInTree = true;
  FOptions.ValueColumn = true;
  FViewer->RefreshView();
  EXPECT_FALSE(Tree()->Header()->isSectionHidden(1));
  EXPECT_GE(Tree()->RowOf(Find(u"state")), 0);
  // A reload reads the option again: attributes added while it is off start hidden.
  FOptions.AttributesInTree = false;
  FViewer->Reread();
  EXPECT_TRUE(Nodes().Hidden(Find(u"state")));
}

TEST_F(ViewerTest, MenusCopyNameAndPathAndExpandTheFocusedNode) {
  QAction* copyName = MenuAction(Tree(), QStringLiteral("Copy name to clipboard"));
  QAction* expandNode = MenuAction(Tree(), QStringLiteral("Full Expand Node"));
  QAction* collapseNode = MenuAction(Tree(), QStringLiteral("Full Collapse Node"));
  ASSERT_TRUE(copyName && expandNode && collapseNode);
  auto* menu = qobject_cast<QMenu*>(copyName->parent());
  ASSERT_NE(menu, nullptr);
  emit menu->aboutToShow();
  EXPECT_FALSE(copyName->isEnabled());  // nothing focused yet

  Focus(u"orders");
  emit menu->aboutToShow();
  EXPECT_TRUE(copyName->isEnabled());
  Tree()->FullCollapse(cNoNode);
  Focus(u"orders");
  expandNode->trigger();
  EXPECT_EQ(Tree()->RowCount(), 3 + 1 + 5 + 1 + 1);  // top level, order, its 5 children, kind, picture
  collapseNode->trigger();
  EXPECT_EQ(Tree()->RowCount(), 3);

  Focus(u"customer");
  copyName->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("customer"));
  MenuAction(Part<QPushButton>("obPC"), QStringLiteral("Copy to clipboard"))->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("orders\\order\\customer"));
}

TEST_F(ViewerTest, TreeSearchFindsHiddenAttributesThenReportsTheEndThenStartsOver) {
  FOptions.AttributesInTree = false;
  FViewer->RefreshView();
  QStringList infos;
  SetDialogHook([&](TDialogKind aKind, const QString&, const QString& aText) {
    if (aKind == dkInfo) infos << aText;
    return mrOk;
  });
  auto* box = Part<QLineEdit>("eTreeSearch");
  box->setText(QStringLiteral("OPEN"));
  const TNodeIndex state = Find(u"state");
  for (int round = 0; round < 2; ++round) {
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(box, &enter);
    EXPECT_EQ(Tree()->FocusedNode(), state);
    EXPECT_EQ(ValueText(), QStringLiteral("open"));
    QCoreApplication::sendEvent(box, &enter);
    ASSERT_EQ(infos.size(), round + 1);
    EXPECT_EQ(infos.last(), QStringLiteral("Text not found"));
  }
}

TEST_F(ViewerTest, ChangeCheckAsksOnlyWhenTheFileTimeMovedAndNoBoxIsOpen) {
  int asked = 0;
  TModalResult answer = mrNo;
  SetDialogHook([&](TDialogKind aKind, const QString&, const QString& aText) {
    EXPECT_EQ(aKind, dkConfirm);
    EXPECT_EQ(aText, QStringLiteral("File %1 changed. Reload?").arg(FFile));
    ++asked;
    return answer;
  });
  FViewer->CheckFileChanged();
  EXPECT_EQ(asked, 0);

  auto touch = [&](int aSeconds) {
    QFile f(FFile);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(FViewer->Modified().addSecs(aSeconds), QFileDevice::FileModificationTime));
  };
  WriteFile("orders.xml", "<changed><a/></changed>");
  touch(5);
  ++DialogDepth;  // a message box is open: stay quiet
  FViewer->CheckFileChanged();
  --DialogDepth;
  EXPECT_EQ(asked, 0);

  // No: the new time is taken, nothing reloads, and the next check is quiet.
  FViewer->CheckFileChanged();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Messages()[1], QStringLiteral("Tag count: 6"));
  FViewer->CheckFileChanged();
  EXPECT_EQ(asked, 1);

  // Yes reloads.
  touch(10);
  answer = mrYes;
  FViewer->CheckFileChanged();
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(Messages()[1], QStringLiteral("Tag count: 2"));
}

TEST_F(ViewerTest, ProgressBarIsRepaintedWhileALargeFileLoadsAndHiddenAfterwards) {
  QByteArray big = "<list>";
  for (int i = 0; i < 150000; ++i) big += "<i>x</i>";
  big += "</list>";
  const QString file = WriteFile("big.xml", big);
  FViewer->show();
  auto* progress = Part<QProgressBar>("sbProgress");
  struct TPaints : QObject {
    int Count = 0;
    int Width = 0;
    bool eventFilter(QObject* aObject, QEvent* aEvent) override {
      if (aEvent->type() == QEvent::Paint) {
        ++Count;
        Width = static_cast<QWidget*>(aObject)->width();
      }
      return false;
    }
  } paints;
  progress->installEventFilter(&paints);
  FViewer->SetFilename(file);
  progress->removeEventFilter(&paints);
  EXPECT_GE(paints.Count, 2);
  EXPECT_GT(paints.Width, 10);
  EXPECT_TRUE(progress->isHidden());
  EXPECT_TRUE(Messages()[1].startsWith("Tag count: 150"));
}

TEST_F(ViewerTest, CollapsedMessagesGiveTheirBandToTheTreeAndTheValueColumnFillsTheList) {
  FViewer->show();
  QCoreApplication::processEvents();
  auto* splitter = Part<QSplitter>("MsgSplitter");
  auto* panes = Part<QSplitter>("TreeSplitter");
  auto* messages = Part<QWidget>("MsgPanel");
  const int total = splitter->height();
  const int before = panes->height();
  QToolButton* fold = nullptr;
  for (QToolButton* b : messages->findChildren<QToolButton*>())
    if (b->toolTip() == QStringLiteral("Collapse")) fold = b;
  ASSERT_NE(fold, nullptr);
  fold->click();
  QCoreApplication::processEvents();
  // Only the caption bar and the splitter handle remain below the panes.
  EXPECT_GT(panes->height(), before + 100);
  EXPECT_EQ(panes->height() + messages->height() + splitter->handleWidth(), total);
  fold->click();
  QCoreApplication::processEvents();
  EXPECT_EQ(messages->height(), 150);

  // The details list's two columns fill it, also when the panel is narrower than both columns'
  // first widths: nothing to scroll sideways.
  FViewer->resize(700, 600);
  Focus(u"order");
  QCoreApplication::processEvents();
  QHeaderView* header = List()->header();
  EXPECT_EQ(header->sectionSize(0), 150);
  EXPECT_EQ(header->sectionSize(0) + header->sectionSize(1), List()->viewport()->width());
  EXPECT_EQ(List()->horizontalScrollBar()->maximum(), 0);
}

namespace {

const char* const cSearchDocument =
    "<r>\n"
    "  <memo>Alpha, beta; alpha. ALPHA!</memo>\n"
    // Base64 of "alpha one, ALPHA two;\r\nalpha three".
    "  <coded>YWxwaGEgb25lLCBBTFBIQSB0d287DQphbHBoYSB0aHJlZQ==</coded>\n"
    "</r>\n";

class ValueSearchTest : public ViewerTest {
protected:
  void SetUp() override {
    ViewerTest::SetUp();
    FViewer->SetFilename(WriteFile("search.xml", cSearchDocument));
    SetDialogHook([this](TDialogKind aKind, const QString&, const QString& aText) {
      // What the status says while the box is up: the search is still running.
      FBoxes << QStringLiteral("%1:%2 (%3)").arg(int(aKind)).arg(aText, Part<QLabel>("sbStatus")->text());
      return mrOk;
    });
  }
  static void Key(QWidget* aTarget, int aKey, Qt::KeyboardModifiers aModifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, aKey, aModifiers);
    QCoreApplication::sendEvent(aTarget, &press);
  }
  static bool HasFocus(QWidget* aWidget) { return aWidget->hasFocus() || QApplication::focusWidget() == aWidget; }

  QStringList FBoxes;
};

const QString cNotFound = QStringLiteral("%1:Text not found (Searching...)").arg(int(dkInfo));

}  // namespace

// Each box searches its own view, forward from the caret and whatever the case: every match in
// turn is selected, then "Text not found" puts the caret back at the top, and the next search
// finds the first match again. An edit or an empty text starts anew; a node focused in the tree
// starts both boxes anew.
TEST_F(ValueSearchTest, ValueAndDecodedBoxesFindInTurnReportTheEndAndStartOverAtTheTop) {
  struct TMatch {
    const char* Text;
    int Line, Column;  // the caret after the match: its end
  };
  struct TCase {
    const char* Box;
    const char* View;
    std::u16string_view Node;
    std::vector<TMatch> Matches;
  } const cases[] = {
      {"eValueSearch", "ValueView", u"memo", {{"Alpha", 1, 6}, {"alpha", 1, 19}, {"ALPHA", 1, 26}}},
      {"eTextSearch", "TextView", u"coded", {{"alpha", 1, 6}, {"ALPHA", 1, 17}, {"alpha", 2, 6}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Box);
    FBoxes.clear();
    Focus(c.Node);
    auto* box = Part<TSearchBox>(c.Box);
    auto* view = Part<TTextEditor>(c.View);
    ASSERT_TRUE(box && view);
    box->setText(QStringLiteral("alpha"));
    Key(box, Qt::Key_Return, Qt::ShiftModifier);  // with a modifier held: no search
    EXPECT_FALSE(view->SelAvail());
    for (int round = 0; round < 2; ++round) {
      for (const TMatch& m : c.Matches) {
        Key(box, round ? Qt::Key_F3 : Qt::Key_Return);
        EXPECT_EQ(Q(view->SelText()), QString::fromLatin1(m.Text));
        EXPECT_EQ(view->CaretLine(), m.Line);
        EXPECT_EQ(view->CaretColumn(), m.Column);
        EXPECT_TRUE(box->Found());
      }
      Key(box, Qt::Key_Return);
      ASSERT_EQ(FBoxes.size(), round + 1);
      EXPECT_EQ(FBoxes.last(), cNotFound);
      EXPECT_EQ(view->CaretLine(), 1);
      EXPECT_EQ(view->CaretColumn(), 1);
      EXPECT_FALSE(view->SelAvail());
      EXPECT_FALSE(box->Found());
      EXPECT_EQ(box->selectedText(), QStringLiteral("alpha"));
    }
    EXPECT_EQ(Part<QLabel>("sbStatus")->text(), QStringLiteral("Ready"));

    Key(box, Qt::Key_Return);
    EXPECT_TRUE(box->Found());
    box->setText(QStringLiteral("beta"));  // an edit starts a new search
    EXPECT_FALSE(box->Found());
    box->clear();
    Key(box, Qt::Key_Return);  // an empty text finds nothing
    EXPECT_EQ(FBoxes.size(), 3);
    EXPECT_FALSE(box->Found());
  }

  // Both boxes continuing; focusing another node starts both anew.
  Focus(u"coded");
  for (auto [name, text] : {std::pair{"eValueSearch", "ywxw"}, std::pair{"eTextSearch", "alpha"}}) {
    auto* box = Part<TSearchBox>(name);
    box->setText(QString::fromLatin1(text));
    Key(box, Qt::Key_Return);
    EXPECT_TRUE(box->Found()) << name;
  }
  Focus(u"memo");
  EXPECT_FALSE(Part<TSearchBox>("eValueSearch")->Found());
  EXPECT_FALSE(Part<TSearchBox>("eTextSearch")->Found());
}

// Ctrl+F in the Value view goes to its box and F3 there searches on; Esc in the box goes back to
// the view. The Decoded view has neither key, and Esc in its box stays there. After "Text not
// found" the keyboard is back in the searched view.
TEST_F(ValueSearchTest, KeysOfTheValueAndDecodedViewsAndBoxes) {
  FViewer->show();
  FViewer->activateWindow();
  QCoreApplication::processEvents();
  auto* valueBox = Part<TSearchBox>("eValueSearch");
  auto* valueView = Part<TTextEditor>("ValueView");
  Focus(u"memo");
  valueView->setFocus();
  QCoreApplication::processEvents();
  ASSERT_TRUE(HasFocus(valueView));
  valueBox->setText(QStringLiteral("ALPHA"));
  valueBox->deselect();
  Key(valueView, Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(HasFocus(valueBox));
  EXPECT_EQ(valueBox->selectedText(), QStringLiteral("ALPHA"));
  Key(valueBox, Qt::Key_Escape);
  EXPECT_TRUE(HasFocus(valueView));
  for (int match = 0; match < 3; ++match) {
    Key(valueView, Qt::Key_F3);
    EXPECT_TRUE(valueBox->Found());
  }
  EXPECT_EQ(valueView->CaretColumn(), 26);
  Key(valueView, Qt::Key_F3);
  EXPECT_EQ(FBoxes, QStringList{cNotFound});
  EXPECT_TRUE(HasFocus(valueView));

  // The Decoded card: no keys in its view, and Esc keeps the focus in its box.
  Focus(u"coded");
  ValueTabs()->setCurrentIndex(1);
  QCoreApplication::processEvents();
  auto* textBox = Part<TSearchBox>("eTextSearch");
  auto* textView = Part<TTextEditor>("TextView");
  textBox->setText(QStringLiteral("alpha"));
  textView->setFocus();
  QCoreApplication::processEvents();
  ASSERT_TRUE(HasFocus(textView));
  Key(textView, Qt::Key_F, Qt::ControlModifier);
  Key(textView, Qt::Key_F3);
  EXPECT_FALSE(HasFocus(textBox));
  EXPECT_FALSE(textBox->Found());
  EXPECT_FALSE(textView->SelAvail());
  textBox->setFocus();
  QCoreApplication::processEvents();
  ASSERT_TRUE(HasFocus(textBox));
  Key(textBox, Qt::Key_Escape);
  EXPECT_TRUE(HasFocus(textBox));
  Key(textBox, Qt::Key_Return);
  EXPECT_TRUE(textBox->Found());
  EXPECT_EQ(FBoxes.size(), 1);
}
