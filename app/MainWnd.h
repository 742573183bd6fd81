// The program's frame: document windows inside a multiple-document area, the window bar
// with one button per document, the menus, the tool bar, the options that the document
// windows read, and the receiving end of a second start.
#pragma once

#include "QuillonOptions.h"

#include <QEvent>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>

class QAction;
class QActionGroup;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class ILayoutManagerStorage;
class TCommandLine;
class TLMForm;
class TLayoutManagerMRU;
class TInstanceChannelServer;
class TMDIButtonGroup;
class Tmdi_quillon_Viewer;

// The application title, shown by the main window and the about box.
inline constexpr const char* cApplicationTitle = "Corvane Quillon x64";

// The open-file request the main window queues to itself (the window message number the
// request has always had). It carries its own copy of the name, so nothing the sender
// owns has to outlive the queue.
class TOpenFileEvent : public QEvent {
public:
  static constexpr QEvent::Type cType = QEvent::Type(2024);
  explicit TOpenFileEvent(const QString& AFilename) : QEvent(cType), FFilename(AFilename) {}
  const QString& Filename() const { return FFilename; }

private:
  QString FFilename;
};

// The one settings store of the process: $XDG_CONFIG_HOME/Corvane/Quillon-6.x.conf.
ILayoutManagerStorage& LayoutStorage();

class Twnd_quillon_Main : public QMainWindow {
  Q_OBJECT
public:
  // ACommandLine: the files named in it are queued for opening at the first show; it must
  // outlive that show (the program passes ProgramCommandLine).
  explicit Twnd_quillon_Main(const TCommandLine* ACommandLine = nullptr, QWidget* AParent = nullptr);
  ~Twnd_quillon_Main() override;

  // Brings the window of AFilename forward (names compared without regard to the case of
  // ASCII letters) or opens the file in a new document window; a name that is no existing
  // file gets "File does not exists.".
  void OpenFile(const QString& AFilename);
  // Queues an open-file request, handled later from the event loop in queue order.
  void QueueOpenFile(const QString& AFilename);

  // The document windows in the order they were opened, and the active one (or null).
  QList<Tmdi_quillon_Viewer*> Viewers() const;
  Tmdi_quillon_Viewer* ActiveViewer() const;
  QMdiSubWindow* SubWindowOf(const Tmdi_quillon_Viewer* AViewer) const;

  const TQuillonOptions& Options() const { return FOptions; }
  QMdiArea* MdiArea() const { return FMdiArea; }
  TMDIButtonGroup* WindowBar() const { return mdibg; }
  QMenu* WinBarMenu() const { return FWinBarMenu; }
  // True when the receiving end of a second start listens.
  bool ListensForSecondStart() const;

  // Enables the commands that need a document window or an active one.
  void UpdateCommandStates();
  // The check made when the application becomes active: asks to reload the active
  // document when its file changed on disk.
  void CheckActiveFileChanged();

  QAction* acNew = nullptr;
  QAction* acOpen = nullptr;
  QAction* acEdit = nullptr;
  QAction* acRefresh = nullptr;
  QAction* acExit = nullptr;
  QAction* acCascade = nullptr;
  QAction* acTileHor = nullptr;
  QAction* acTileVer = nullptr;
  QAction* acClose = nullptr;
  QAction* acCloseAll = nullptr;
  QAction* acMinAll = nullptr;
  QAction* acRestore = nullptr;
  QAction* acMinimize = nullptr;
  QAction* acMaximize = nullptr;
  QAction* acTitle = nullptr;
  QAction* acAbout = nullptr;
  QAction* acPrint = nullptr;
  QAction* acExportCSV = nullptr;
  QAction* acExportJSON = nullptr;
  QMenu* ExportMenu = nullptr;
  QAction* acTreeAttr = nullptr;
  QAction* acValueCol = nullptr;
  QAction* acTreeLines = nullptr;
  QAction* acGrid = nullptr;
  QAction* acStrictXML = nullptr;
  QAction* acFormSource = nullptr;
  QAction* acPersistent = nullptr;
  QAction* acRegister = nullptr;

  // Layout persistence and the recently used files.
  TLMForm& LayoutForm() const { return *FLayout; }
  TLayoutManagerMRU& MRU() const { return *FMRU; }

protected:
  void showEvent(QShowEvent* AEvent) override;
  void closeEvent(QCloseEvent* AEvent) override;
  void customEvent(QEvent* AEvent) override;
  void dragEnterEvent(QDragEnterEvent* AEvent) override;
  void dropEvent(QDropEvent* AEvent) override;

private:
  void CreateActions();
  void CreateMenus();
  QMdiSubWindow* CreateChildWindow(Tmdi_quillon_Viewer* AViewer, const QString& ACaption, int AIconIndex);
  void FitAndCentre(bool AKeepInside);
  void QueueCommandLineFiles();
  void ReceiveCopyData(const std::vector<uint8_t>& AData);
  void BringToFront();

  void SubWindowActivated(QMdiSubWindow* AWindow);
  void SubWindowDestroyed(int AButtonId);
  void ActivateSubWindow(QMdiSubWindow* AWindow);
  void FillWindowsMenu();
  void RefreshWinBarTitle();
  QMdiSubWindow* HotWindow() const;
  QMdiSubWindow* WindowOfButton(int AId) const;
  void CloseAll();
  void Tile(Qt::Orientation AOrientation);
  void MinimizeWindow(QMdiSubWindow* AWindow);

  void OptionChanged(QAction* AAction);
  void OptionToggled(QAction* AAction);
  void SetupLayout();
  void RegisterChanged(bool AOn);

  void CreateDocumentCommands();
  void PrintActive();
  void ExportActive(bool AJSON);

  TQuillonOptions FOptions;
  const TCommandLine* FCommandLine;
  TLMForm* FLayout = nullptr;
  QMenu* FFileMenu = nullptr;
  TLayoutManagerMRU* FMRU = nullptr;
  QMdiArea* FMdiArea = nullptr;
  TMDIButtonGroup* mdibg = nullptr;
  QToolBar* FToolBar = nullptr;
  QMenu* FWindowsMenu = nullptr;
  QMenu* FWinBarMenu = nullptr;
  QActionGroup* FWindowListGroup = nullptr;
  std::unique_ptr<TInstanceChannelServer> FServer;
  std::map<int, QPointer<QMdiSubWindow>> FButtons;  // window-bar button id -> its window
  int FNextButtonId = 1;
  bool FFirstShown = false;
  int FQuiet = 0;          // windows are being arranged or created: activation asks nothing
  bool FChecking = false;  // the activation check runs (it may wait in a nested loop)
  bool FClosing = false;
};
