// The program's entry: one running instance per user session. A second start hands its
// files to the running instance and ends; the first creates the main window and runs
// until it closes.
#include "AboutDlg.h"
#include "BufferedStreams.h"
#include "Corvane_CmdLine.h"
#include "Corvane_Dialogs.h"
#include "Corvane_IPC.h"
#include "MainWnd.h"
#include "QtText.h"

#include <QApplication>
#include <QFileInfo>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

namespace {

// An exception that reaches the event loop is shown and the program goes on; letting it
// unwind through Qt's event dispatch would end the process.
class TQuillonApplication : public QApplication {
public:
  using QApplication::QApplication;

  bool notify(QObject* AReceiver, QEvent* AEvent) override {
    try {
      return QApplication::notify(AReceiver, AEvent);
    } catch (const std::exception& E) {
      ErrorDlg(QString::fromUtf8(E.what()));
    } catch (...) {
      ErrorDlg(QStringLiteral("Unknown error"));
    }
    return false;
  }
};

// The arguments as a second start hands them over. The running instance resolves names
// against its own working directory, so names of existing files go as full paths; every
// other argument goes unchanged.
std::vector<std::u16string> HandOverArguments(const TCommandLine& ACommandLine) {
  std::vector<std::u16string> result;
  for (const std::u16string& argument : ACommandLine.ParamList()) {
    const QString name = ToQString(argument);
    const QFileInfo info(name);
    if (!name.isEmpty() && info.isFile())
      result.push_back(ToU16(info.absoluteFilePath()));
    else
      result.push_back(argument);
  }
  return result;
}

// --help and --version answer on standard output and end at once: before the application
// object, so that they work without a display, and before the single-instance check, so
// that they never hand anything to a running instance. Every other switch is kept and
// ignored as before. Returns true when the process is to end.
bool AnswerInformationSwitch(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (!std::strcmp(argument, "--version")) {
      std::printf("quillon %s\n", qPrintable(TAboutDlg::VersionText()));
      return true;
    }
    if (!std::strcmp(argument, "--help") || !std::strcmp(argument, "-h")) {
      std::printf(
          "Usage: quillon [FILE...]\n"
          "\n"
          "Opens each FILE in a document window of Quillon, in order. When Quillon already\n"
          "runs in this session, the files open in the running instance and this start ends.\n"
          "Arguments that name no existing file are ignored. The only switches with an\n"
          "effect are:\n"
          "\n"
          "  -h, --help   show this help and exit\n"
          "  --version    show the version and exit\n");
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerInformationSwitch(argc, argv)) return 0;
  // Counts and sizes in the document windows use the user's thousands separator.
  std::setlocale(LC_ALL, "");
  // Parsed before the application object, which drops the switches it knows from argv.
  const auto ProgramCommandLine = std::make_unique<TCommandLine>(argc, argv);

  // The Content card's browser, loaded later from its plugin, shares its drawing contexts
  // with the program's; that can only be asked for before the application object exists.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  TQuillonApplication application(argc, argv);
  QCoreApplication::setOrganizationName(QStringLiteral("Corvane"));
  QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
  QCoreApplication::setApplicationVersion(TAboutDlg::VersionText());
  // Lets the desktop match the windows to the installed desktop entry (its icon and name).
  QGuiApplication::setDesktopFileName(QStringLiteral("com.corvane.Quillon"));

  if (CheckRunningInstance(cQuillonInstanceLockID, cQuillonMainWindowClass, true, true, 0, false,
                           HandOverArguments(*ProgramCommandLine)))
    return 0;

  // Read once more now that this process is the running instance; not refreshed later.
  std::setlocale(LC_ALL, "");
  // A save or an export under way when the session ends the program (SIGTERM, SIGHUP) or
  // Ctrl+C stops it must not leave its temporary file, as big as the output, beside the
  // target. Qt keeps the default action for these signals; the handler removes the files and
  // then ends the program by the same signal, as before.
  RemovePendingTempFilesOnSignals();

  Twnd_quillon_Main mainWindow(ProgramCommandLine.get());
  mainWindow.show();
  application.exec();
  return 0;
}
