// The main window: where files come from (command line, OpenFile, a drop, a second start),
// one window per file, the window bar and command states, closing.
#include "MainWndTestUtil.h"
#include "QtText.h"

#include "AboutDlg.h"
#include "Corvane_CmdLine.h"
#include "Corvane_IPC.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include <sys/stat.h>

namespace {

std::u16string U16(const QString& AText) { return ToU16(AText); }

}  // namespace

TEST_F(MainWndTest, CommandLineFilesOpenInOrderAfterTheFirstShow) {
  const QString a = MakeFile("a.xml"), b = MakeFile("b.xml");
  QDir(FDir.path()).mkdir("folder");
  // Switches, missing names, folders and empty arguments are skipped without a word.
  TCommandLine commandLine(std::vector<std::u16string>{
      u"quillon", U16(b), u"-x:y", U16(FDir.filePath("missing.xml")), U16(FDir.filePath("folder")), u"", U16(a)});
  Twnd_quillon_Main window(&commandLine);
  EXPECT_EQ(window.windowTitle(), "Corvane Quillon x64");

  window.show();
  EXPECT_TRUE(window.Viewers().isEmpty()) << "files open from the queue, after the show";
  Drain();
  EXPECT_EQ(Filenames(window), (QStringList{b, a}));
  EXPECT_EQ(BarCaptions(window), (QStringList{"b.xml", "a.xml"}));
  ASSERT_EQ(window.Viewers().size(), 2);
  QMdiSubWindow* last = window.SubWindowOf(window.Viewers()[1]);
  EXPECT_EQ(last->windowTitle(), "a.xml");
  EXPECT_TRUE(last->isMaximized());
  EXPECT_EQ(window.ActiveViewer(), window.Viewers()[1]);
  EXPECT_EQ(window.WindowBar()->Selected(), ButtonOf(window, window.Viewers()[1]));
  EXPECT_TRUE(FBoxes.empty());

  // A later show (after a restore, say) queues nothing again.
  window.hide();
  window.show();
  Drain();
  EXPECT_EQ(window.Viewers().size(), 2);
}

TEST_F(MainWndTest, OneWindowPerFileWhateverTheSpelling) {
  const QString a = MakeFile("a.xml"), b = MakeFile("b.xml");
  Twnd_quillon_Main window;
  window.show();
  window.OpenFile(a);
  window.OpenFile(b);
  ASSERT_EQ(window.Viewers().size(), 2);
  Tmdi_quillon_Viewer* viewerA = window.Viewers()[0];
  Tmdi_quillon_Viewer* viewerB = window.Viewers()[1];

  const QString savedCurrent = QDir::currentPath();
  QDir::setCurrent(FDir.path());
  QDir(FDir.path()).mkdir("x");
  ASSERT_TRUE(QFile::link(a, FDir.filePath("link.xml")));
  const QString spellings[] = {a, FDir.path() + "/./sub/../a.xml", "a.xml", "./x/../a.xml", FDir.filePath("link.xml")};
  for (const QString& spelling : spellings) {
    window.OpenFile(b);
    ASSERT_EQ(window.ActiveViewer(), viewerB);
    window.OpenFile(spelling);
    EXPECT_EQ(window.Viewers().size(), 2) << spelling.toStdString();
    EXPECT_EQ(window.ActiveViewer(), viewerA) << spelling.toStdString();
    EXPECT_EQ(window.WindowBar()->Selected(), ButtonOf(window, viewerA)) << spelling.toStdString();
  }
  QDir::setCurrent(savedCurrent);
  EXPECT_EQ(BarCaptions(window), (QStringList{"a.xml", "b.xml"}));
  EXPECT_TRUE(FBoxes.empty());

  // File names are case-sensitive: A.XML beside a.xml is another file with its own window.
  const QString upper = MakeFile("A.XML");
  window.OpenFile(upper);
  EXPECT_EQ(BarCaptions(window), (QStringList{"a.xml", "b.xml", "A.XML"}));
}

TEST_F(MainWndTest, NamesOfNoExistingFileAreReported) {
  QDir(FDir.path()).mkdir("folder");
  // A FIFO is no file to open either, and nothing may wait for its writer.
  ASSERT_EQ(mkfifo(QFile::encodeName(FDir.filePath("pipe.xml")).constData(), 0600), 0);
  Twnd_quillon_Main window;
  window.show();
  for (const QString& name :
       {FDir.filePath("missing.xml"), FDir.filePath("folder"), FDir.filePath("pipe.xml"), QString()}) {
    FBoxes.clear();
    window.OpenFile(name);
    ASSERT_EQ(FBoxes.size(), 1u) << name.toStdString();
    EXPECT_EQ(FBoxes[0].Kind, dkWarning);
    EXPECT_EQ(FBoxes[0].Title, "Warning");
    EXPECT_EQ(FBoxes[0].Text, "File does not exists.");
    EXPECT_TRUE(window.Viewers().isEmpty());
  }
}

TEST_F(MainWndTest, DroppedFilesOpenInTheOrderOfTheDrop) {
  const QString a = MakeFile("a.xml"), b = MakeFile("b.xml");
  Twnd_quillon_Main window;
  window.show();
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(FDir.filePath("gone.xml")), QUrl::fromLocalFile(a)});
  QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&window, &drop);
  Drain();
  EXPECT_EQ(Filenames(window), (QStringList{b, a}));
  ASSERT_EQ(FBoxes.size(), 1u);
  EXPECT_EQ(FBoxes[0].Text, "File does not exists.");
}

TEST_F(MainWndTest, SecondStartHandsOverItsFilesAndEnds) {
  const QString a = MakeFile("a.xml"), b = MakeFile("b.xml");
  // This process is the running instance.
  ASSERT_FALSE(CheckRunningInstance(cQuillonInstanceLockID, cQuillonMainWindowClass, false, false, 0, false, {}));
  Twnd_quillon_Main window;
  window.show();
  ASSERT_TRUE(window.ListensForSecondStart());

  // Relative names from another working directory, a switch and a missing file between.
  QProcess second;
  second.setWorkingDirectory(FDir.path());
  second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  QEventLoop loop;
  QObject::connect(&second, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&second, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
  QTimer::singleShot(60000, &loop, &QEventLoop::quit);
  second.start(QStringLiteral(QUILLON_PROGRAM), {"b.xml", "-x", "missing.xml", "a.xml"});
  loop.exec();
  if (second.state() != QProcess::NotRunning) {
    second.kill();
    second.waitForFinished();
    FAIL() << "the second start did not end";
  }
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);

  Drain();
  EXPECT_EQ(Filenames(window), (QStringList{b, a}));
  EXPECT_TRUE(FBoxes.empty());
}

TEST_F(MainWndTest, CommandStatesAndTheWindowBarFollowTheDocuments) {
  const QString a = MakeFile("a.xml"), b = MakeFile("b.xml");
  Twnd_quillon_Main window;
  window.show();
  auto enabled = [&] {
    return std::vector<bool>{window.acRefresh->isEnabled(), window.acClose->isEnabled(),
                             window.acCloseAll->isEnabled(), window.acCascade->isEnabled()};
  };
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false}));
  EXPECT_TRUE(window.acOpen->isEnabled());
  EXPECT_EQ(window.acOpen->shortcut(), QKeySequence("Ctrl+O"));
  EXPECT_EQ(window.acRefresh->shortcut(), QKeySequence("Ctrl+R"));

  window.OpenFile(a);
  window.OpenFile(b);
  EXPECT_EQ(enabled(), (std::vector<bool>{true, true, true, true}));
  Tmdi_quillon_Viewer* viewerA = window.Viewers()[0];
  Tmdi_quillon_Viewer* viewerB = window.Viewers()[1];
  TMDIButtonGroup* bar = window.WindowBar();
  EXPECT_EQ(bar->Selected(), ButtonOf(window, viewerB));
  EXPECT_EQ(bar->Hot(), TMDIButtonGroup::cNone);

  // Nothing pressed on the bar yet: the bar's menu has no title and its commands do nothing.
  emit window.WinBarMenu()->aboutToShow();
  EXPECT_EQ(window.acTitle->text(), "<none>");
  window.acMinimize->trigger();
  EXPECT_FALSE(window.SubWindowOf(viewerA)->isMinimized());
  EXPECT_FALSE(window.SubWindowOf(viewerB)->isMinimized());

  // A click on a's button activates a's window and makes its button the hot one.
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->ButtonRect(0).center());
  EXPECT_EQ(window.ActiveViewer(), viewerA);
  EXPECT_EQ(bar->Selected(), ButtonOf(window, viewerA));
  EXPECT_EQ(bar->Hot(), ButtonOf(window, viewerA));
  emit window.WinBarMenu()->aboutToShow();
  EXPECT_EQ(window.acTitle->text(), "a.xml");

  window.OpenFile(b);  // activated by other means: the bar follows, the hot button stays
  EXPECT_EQ(bar->Selected(), ButtonOf(window, viewerB));
  window.acMinimize->trigger();
  EXPECT_TRUE(window.SubWindowOf(viewerA)->isMinimized());
  window.acTitle->trigger();
  EXPECT_FALSE(window.SubWindowOf(viewerA)->isMinimized());
  EXPECT_EQ(window.ActiveViewer(), viewerA);

  // Close acts on the hot button's window; its button goes and the active one is selected.
  window.OpenFile(b);
  QPointer<Tmdi_quillon_Viewer> watchA(viewerA);
  window.acClose->trigger();
  Drain();
  EXPECT_TRUE(watchA.isNull());
  EXPECT_EQ(BarCaptions(window), QStringList{"b.xml"});
  EXPECT_EQ(bar->Selected(), ButtonOf(window, viewerB));
  EXPECT_EQ(bar->Hot(), TMDIButtonGroup::cNone);

  // With no hot button, Close from the Windows menu closes the active window.
  window.acClose->trigger();
  Drain();
  EXPECT_TRUE(window.Viewers().isEmpty());
  EXPECT_EQ(bar->Count(), 0);
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, false, false}));
}

// The file and window commands do their work, not only follow the documents in their states.
TEST_F(MainWndTest, FileAndWindowCommandsRun) {
  const QString a = MakeFile("a.xml"), b = MakeFile("b.xml"), c = MakeFile("c.xml");
  Twnd_quillon_Main window;
  window.resize(900, 700);
  window.show();

  // Open: the dialog's choice opens in a new document window.
  QTimer chooser;
  int tries = 0;
  QObject::connect(&chooser, &QTimer::timeout, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      if (dialog && dialog->isVisible()) {
        dialog->selectFile(a);
        QMetaObject::invokeMethod(dialog, "accept");
        chooser.stop();
        return;
      }
    }
    if (++tries == 1000) {  // no dialog: end the modal loop rather than hang
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      chooser.stop();
    }
  });
  chooser.start(10);
  // The dialog starts in the working folder and looks into its files: make that ours.
  const QString workingFolder = QDir::currentPath();
  QDir::setCurrent(FDir.path());
  window.acOpen->trigger();
  QDir::setCurrent(workingFolder);
  EXPECT_LT(tries, 1000) << "no open dialog was shown";
  Drain();
  ASSERT_EQ(Filenames(window), QStringList{a});
  window.OpenFile(b);
  window.OpenFile(c);
  Tmdi_quillon_Viewer* viewerA = window.Viewers()[0];
  Tmdi_quillon_Viewer* viewerC = window.Viewers()[2];

  // Refresh reloads the active document only.
  const QString before = viewerA->Encoding();
  MakeFile("a.xml", "<?xml version=\"1.0\" encoding=\"windows-1250\"?><r/>");
  MakeFile("c.xml", "<?xml version=\"1.0\" encoding=\"windows-1250\"?><r/>");
  window.acRefresh->trigger();
  EXPECT_EQ(viewerC->Encoding(), "windows-1250");
  EXPECT_EQ(viewerA->Encoding(), before);

  auto windows = [&] {
    std::vector<QMdiSubWindow*> list;
    for (Tmdi_quillon_Viewer* viewer : window.Viewers()) list.push_back(window.SubWindowOf(viewer));
    return list;
  };
  auto geometries = [&] {
    std::vector<QRect> list;
    for (QMdiSubWindow* w : windows()) list.push_back(w->geometry());
    return list;
  };
  const QRect area = window.findChild<QMdiArea*>()->viewport()->rect();

  // Tile: bands that share the area without overlapping, in the order of creation.
  window.acTileHor->trigger();
  std::vector<QRect> tiled = geometries();
  for (size_t i = 0; i < tiled.size(); ++i) {
    EXPECT_FALSE(windows()[i]->isMaximized());
    EXPECT_EQ(tiled[i].width(), area.width());
    if (i > 0) {
      EXPECT_EQ(tiled[i].top(), tiled[i - 1].bottom() + 1);
    }
  }
  window.acTileVer->trigger();
  tiled = geometries();
  for (size_t i = 0; i < tiled.size(); ++i) {
    EXPECT_EQ(tiled[i].height(), area.height());
    if (i > 0) {
      EXPECT_EQ(tiled[i].left(), tiled[i - 1].right() + 1);
    }
  }

  // Cascade: every window moved down and right of the one before it.
  window.acCascade->trigger();
  const std::vector<QRect> cascaded = geometries();
  std::vector<QPoint> corners;
  for (const QRect& r : cascaded) corners.push_back(r.topLeft());
  std::sort(corners.begin(), corners.end(), [](QPoint l, QPoint r) { return l.y() < r.y(); });
  for (size_t i = 1; i < corners.size(); ++i) {
    EXPECT_GT(corners[i].x(), corners[i - 1].x());
    EXPECT_GT(corners[i].y(), corners[i - 1].y());
  }

  // Minimize All, then Maximize and Restore on the window whose bar button was clicked.
  window.acMinAll->trigger();
  for (QMdiSubWindow* w : windows()) EXPECT_TRUE(w->isMinimized());
  TMDIButtonGroup* bar = window.WindowBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->ButtonRect(0).center());
  ASSERT_EQ(bar->Hot(), ButtonOf(window, viewerA));
  window.acMaximize->trigger();
  EXPECT_TRUE(window.SubWindowOf(viewerA)->isMaximized());
  window.acRestore->trigger();
  EXPECT_FALSE(window.SubWindowOf(viewerA)->isMaximized());
  EXPECT_FALSE(window.SubWindowOf(viewerA)->isMinimized());
  // a.xml changed on disk after its load: activating it may ask about that, nothing else
  for (const TShownBox& box : FBoxes) EXPECT_TRUE(box.Text.startsWith("File ") && box.Text.endsWith(" changed. Reload?")) << box.Text.toStdString();
}

TEST_F(MainWndTest, CloseAllClosesTheActiveWindowLast) {
  Twnd_quillon_Main window;
  window.show();
  for (const char* name : {"a.xml", "b.xml", "c.xml"}) window.OpenFile(MakeFile(name));
  window.OpenFile(FDir.filePath("b.xml"));
  QStringList closed;
  for (Tmdi_quillon_Viewer* viewer : window.Viewers()) {
    const QString caption = window.SubWindowOf(viewer)->windowTitle();
    QObject::connect(viewer, &QObject::destroyed, [&closed, caption] { closed << caption; });
  }
  window.acCloseAll->trigger();
  Drain();
  ASSERT_EQ(closed.size(), 3);
  EXPECT_EQ(closed.last(), "b.xml");
  EXPECT_EQ(window.WindowBar()->Count(), 0);
  EXPECT_FALSE(window.acCloseAll->isEnabled());
  EXPECT_TRUE(FBoxes.empty()) << "closing asks nothing";
}

TEST_F(MainWndTest, ClosingTheMainWindowClosesEveryDocumentFirst) {
  Twnd_quillon_Main window;
  window.show();
  window.OpenFile(MakeFile("a.xml"));
  window.OpenFile(MakeFile("b.xml"));
  QPointer<Tmdi_quillon_Viewer> first(window.Viewers()[0]), second(window.Viewers()[1]);
  EXPECT_TRUE(window.close());
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(first.isNull());
  EXPECT_TRUE(second.isNull());
}

TEST_F(MainWndTest, AboutBoxNamesTheProgramVersionAndMaker) {
  TAboutDlg about;
  QStringList texts;
  for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
  const QString all = texts.join('\n');
  EXPECT_TRUE(all.contains("Corvane Quillon x64"));
  EXPECT_TRUE(all.contains("Version 6.")) << all.toStdString();
  EXPECT_TRUE(all.contains("href=\"" + TAboutDlg::WebAddress()));
  EXPECT_TRUE(all.contains("href=\"mailto:" + TAboutDlg::MailAddress()));
}
