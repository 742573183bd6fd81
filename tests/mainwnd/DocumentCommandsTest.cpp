// Print and Export from the main window: enabled with an active document, and the export
// writes through the menu exactly what the command-line tool writes for the same file.
#include "MainWndTestUtil.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QFileDialog>
#include <QMenu>
#include <QProcess>
#include <QTimer>

namespace {

QByteArray ReadAll(const QString& AFilename) {
  QFile file(AFilename);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Answers the next save dialog: records the name it proposes, then accepts ATarget.
struct TSaveDialogAnswer {
  QString Proposed;
  QStringList Filters;
  bool Seen = false;
  explicit TSaveDialogAnswer(const QString& ATarget) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [this, poll, ATarget] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      poll->stop();
      poll->deleteLater();
      Seen = true;
      Proposed = dialog->selectedFiles().value(0);
      Filters = dialog->nameFilters();
      dialog->selectFile(ATarget);
      // selectFile leaves the name field alone while it has the focus (it has in the second
      // dialog of a run), so the answer types the name the way a user would.
      if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(QFileInfo(ATarget).fileName());
      static_cast<QDialog*>(dialog)->accept();  // the file dialog's own checks run
    });
    poll->start();
  }
};

}  // namespace

TEST_F(MainWndTest, PrintAndExportNeedAnActiveDocument) {
  Twnd_quillon_Main window;
  window.show();
  window.UpdateCommandStates();
  for (QAction* action : {window.acPrint, window.acExportCSV, window.acExportJSON, window.ExportMenu->menuAction()})
    EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
  EXPECT_EQ(window.acPrint->shortcut(), QKeySequence("Ctrl+P"));
  window.OpenFile(MakeFile("a.xml"));
  window.UpdateCommandStates();
  for (QAction* action : {window.acPrint, window.acExportCSV, window.acExportJSON, window.ExportMenu->menuAction()})
    EXPECT_TRUE(action->isEnabled()) << action->text().toStdString();
}

TEST_F(MainWndTest, ExportFromTheMenuWritesWhatTheToolWrites) {
  // Attributes, repeated names, a comment, a line break in a value and characters outside
  // ASCII: the cases where the two ways could part.
  const QString source = MakeFile(
      "doc.xml", QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- c -->\n"
                                "<a x=\"1\"><b>hi</b><b>caf\u00e9 / \u65e5</b><c y=\"2\">two\r\nlines</c></a>\n")
                     .toUtf8());
  Twnd_quillon_Main window;
  window.show();
  window.OpenFile(source);
  ASSERT_EQ(window.Viewers().size(), 1);
  struct TCase {
    QAction* Action;
    const char* Kind;
  };
  for (const TCase& c : {TCase{window.acExportCSV, "csv"}, TCase{window.acExportJSON, "json"}}) {
    SCOPED_TRACE(c.Kind);
    const QString target = FDir.filePath(QStringLiteral("menu.") + c.Kind);
    TSaveDialogAnswer answer(target);
    c.Action->trigger();
    ASSERT_TRUE(answer.Seen);
    EXPECT_EQ(answer.Proposed, FDir.filePath(QStringLiteral("doc.") + c.Kind));
    EXPECT_EQ(answer.Filters.value(1), QStringLiteral("All files (*)"));

    const QString expected = FDir.filePath(QStringLiteral("tool.") + c.Kind);
    QProcess tool;
    tool.start(QStringLiteral(QUILLON_CLI), {QStringLiteral("export"), QString::fromLatin1(c.Kind), source, expected});
    ASSERT_TRUE(tool.waitForFinished(-1));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    EXPECT_EQ(ReadAll(target), ReadAll(expected));
    EXPECT_FALSE(ReadAll(target).isEmpty());
  }
  EXPECT_TRUE(FBoxes.empty());
}
