#include "MainWnd.h"

#include "AboutDlg.h"
#include "Corvane.Control.Icons.h"
#include "Corvane.Control.MDIButtonGroup.h"
#include "Corvane_CmdLine.h"
#include "Corvane_Dialogs.h"
#include "Corvane_IPC.h"
#include "CanonicalPath.h"
#include "Corvane.LayoutManager.Form.h"
#include "Corvane.LayoutManager.MRU.h"
#include "DesktopAssociation.h"
#include "QuillonAssociation.h"
#include "EditorWnd.h"
#include "QtText.h"
#include "ScopeGuard.h"
#include "SingleInstance.h"
#include "ViewerWnd.h"
#include "WideSupport.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QTimer>
#include <QThread>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int cClientWidth = 796;
constexpr int cClientHeight = 594;
const QColor cClientBackground(79, 83, 87);

// The full name a document window keeps, so that the same file named relatively or with
// "." and ".." parts still finds its window.
QString AbsoluteName(const QString& AFilename) {
  if (AFilename.isEmpty()) return AFilename;
  return QDir::cleanPath(QFileInfo(AFilename).absoluteFilePath());
}

// An existing file, not a directory: the only names that are opened from the command line
// or a hand-over, and the only ones OpenFile makes a window for.
bool IsExistingFile(const QString& AFilename) {
  return !AFilename.isEmpty() && QFileInfo(AFilename).isFile();
}

const char* const cButtonProperty = "quillonButtonId";

}  // namespace

Twnd_quillon_Main::Twnd_quillon_Main(const TCommandLine* ACommandLine, QWidget* AParent)
    : QMainWindow(AParent), FCommandLine(ACommandLine) {
  setObjectName(QStringLiteral("wnd_quillon_Main"));

  auto* client = new QWidget(this);
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  mdibg = new TMDIButtonGroup(client);
  mdibg->setObjectName(QStringLiteral("mdibg"));
  FMdiArea = new QMdiArea(client);
  FMdiArea->setObjectName(QStringLiteral("MdiArea"));
  FMdiArea->setBackground(cClientBackground);
  FMdiArea->setActivationOrder(QMdiArea::CreationOrder);
  layout->addWidget(mdibg);
  layout->addWidget(FMdiArea, 1);
  setCentralWidget(client);

  CreateActions();
  CreateMenus();

  connect(FMdiArea, &QMdiArea::subWindowActivated, this, &Twnd_quillon_Main::SubWindowActivated);
  connect(mdibg, &TMDIButtonGroup::ButtonClicked, this,
          [this](int AId) { ActivateSubWindow(WindowOfButton(AId)); });
  connect(mdibg, &TMDIButtonGroup::ContextMenuRequested, this, [this](int, const QPoint&) {
    RefreshWinBarTitle();
    UpdateCommandStates();
  });
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState AState) {
    if (AState == Qt::ApplicationActive) CheckActiveFileChanged();
  });

  resize(cClientWidth, cClientHeight + menuBar()->sizeHint().height());
  FitAndCentre(false);
  setWindowTitle(QString::fromLatin1(cApplicationTitle));
  setWindowIcon(TIconList::Shared().Icon(iiDocument));
  setAcceptDrops(true);
  SetupLayout();

  // The receiving end of a second start: it asks to come to the front and hands over its
  // arguments, which are only queued here so that the sender is released at once.
  FServer = std::make_unique<TInstanceChannelServer>();
  FServer->OnActivate = [this] { BringToFront(); };
  FServer->OnCopyData = [this](int64_t, uint32_t, const std::vector<uint8_t>& AData) { ReceiveCopyData(AData); };
  FServer->Listen(ToQString(cQuillonMainWindowClass));

  UpdateCommandStates();
}

Twnd_quillon_Main::~Twnd_quillon_Main() {
  // The layout is saved while every control it names still exists.
  FLayout->FormDestroying();
  FClosing = true;
  // The document windows go first, while the options they point to and the window bar that
  // their destruction updates still exist; their notices are no longer wanted.
  FMdiArea->disconnect(this);
  for (QMdiSubWindow* window : FMdiArea->subWindowList()) window->disconnect(this);
  delete takeCentralWidget();
  FMdiArea = nullptr;
  mdibg = nullptr;
}

// --- Commands ----------------------------------------------------------------------------

void Twnd_quillon_Main::CreateActions() {
  const TIconList& icons = TIconList::Shared();
  auto make = [&](const char* AName, const QString& ACaption, int AIcon, const QString& AHint) {
    auto* action = new QAction(ACaption, this);
    action->setObjectName(QString::fromLatin1(AName));
    if (AIcon >= 0) action->setIcon(icons.Icon(AIcon));
    if (!AHint.isEmpty()) action->setToolTip(AHint);
    return action;
  };

  acOpen = make("acOpen", QStringLiteral("&Open..."), iiOpen, QStringLiteral("Open"));
  acOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  connect(acOpen, &QAction::triggered, this, [this] {
    // One existing file at a time; the dialog is resizable and has no read-only box.
    QFileDialog dialog(this, QString(), QString(),
                       QStringLiteral("XML files (*.xml *.xsl);;HTML files (*.html *.htm);;All files (*)"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      OpenFile(dialog.selectedFiles().constFirst());
  });

  // The editor runs modally; when it reports saved changes the document is opened or reloaded.
  acNew = make("acNew", QStringLiteral("New..."), iiNew, QStringLiteral("New"));
  acNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  connect(acNew, &QAction::triggered, this, [this] {
    QString name;
    if (NewXMLFile(name, this) && IsExistingFile(name)) OpenFile(name);
  });
  acEdit = make("acEdit", QStringLiteral("Editor..."), iiEditor, QStringLiteral("Editor"));
  connect(acEdit, &QAction::triggered, this, [this] {
    const QPointer<Tmdi_quillon_Viewer> viewer = ActiveViewer();
    if (!viewer) return;
    // The document window may be gone by the time the editor closes.
    if (EditXMLFile(viewer->Filename(), viewer->Encoding(), this) && viewer) viewer->Reread();
  });

  acRefresh = make("acRefresh", QStringLiteral("Refresh"), iiRefresh, QStringLiteral("Refresh"));
  acRefresh->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  connect(acRefresh, &QAction::triggered, this, [this] {
    if (Tmdi_quillon_Viewer* viewer = ActiveViewer()) viewer->Reread();
  });

  acExit = make("acExit", QStringLiteral("E&xit"), iiExit, QStringLiteral("Exit"));
  connect(acExit, &QAction::triggered, this, &QWidget::close);

  acCascade = make("acCascade", QStringLiteral("&Cascade"), iiCascade, QStringLiteral("Cascade"));
  connect(acCascade, &QAction::triggered, this, [this] {
    const auto quiet = ScopedCount(FQuiet);
    FMdiArea->cascadeSubWindows();
  });
  acTileHor = make("acTileHor", QStringLiteral("Tile &horizontally"), iiTileHorizontal,
                   QStringLiteral("Tile horizontally"));
  connect(acTileHor, &QAction::triggered, this, [this] { Tile(Qt::Horizontal); });
  acTileVer = make("acTileVer", QStringLiteral("Tile &vertically"), iiTileVertical,
                   QStringLiteral("Tile vertically"));
  connect(acTileVer, &QAction::triggered, this, [this] { Tile(Qt::Vertical); });

  acClose = make("acClose", QStringLiteral("Close"), iiClose, QString());
  connect(acClose, &QAction::triggered, this, [this] {
    // From the window bar the hot button names the window; chosen from the Windows menu
    // with no button pressed yet, the command is enabled for the active window and closes it.
    QMdiSubWindow* window = HotWindow();
    if (!window && mdibg->Hot() == TMDIButtonGroup::cNone) window = FMdiArea->currentSubWindow();
    if (window) window->close();
  });
  acCloseAll = make("acCloseAll", QStringLiteral("Close All"), -1, QString());
  connect(acCloseAll, &QAction::triggered, this, &Twnd_quillon_Main::CloseAll);
  acMinAll = make("acMinAll", QStringLiteral("Minimize All"), -1, QString());
  connect(acMinAll, &QAction::triggered, this, [this] {
    const auto quiet = ScopedCount(FQuiet);
    for (QMdiSubWindow* window : FMdiArea->subWindowList()) MinimizeWindow(window);
  });

  acRestore = make("acRestore", QStringLiteral("Restore"), iiRestore, QString());
  connect(acRestore, &QAction::triggered, this, [this] {
    if (QMdiSubWindow* window = HotWindow()) window->showNormal();
  });
  acMinimize = make("acMinimize", QStringLiteral("Minimize"), iiMinimize, QString());
  connect(acMinimize, &QAction::triggered, this, [this] {
    if (QMdiSubWindow* window = HotWindow()) MinimizeWindow(window);
  });
  acMaximize = make("acMaximize", QStringLiteral("Maximize"), iiMaximize, QString());
  connect(acMaximize, &QAction::triggered, this, [this] {
    if (QMdiSubWindow* window = HotWindow()) window->showMaximized();
  });
  acTitle = make("acTitle", QStringLiteral("<none>"), iiDocument, QString());
  connect(acTitle, &QAction::triggered, this, [this] {
    if (QMdiSubWindow* window = HotWindow()) ActivateSubWindow(window);
  });

  acAbout = make("acAbout", QStringLiteral("About..."), iiAbout, QString());
  connect(acAbout, &QAction::triggered, this, [this] {
    TAboutDlg about(this);
    about.exec();
  });

  auto option = [&](QAction*& AAction, const char* AName, const QString& ACaption, bool AState) {
    AAction = make(AName, ACaption, -1, QString());
    AAction->setCheckable(true);
    AAction->setChecked(AState);
    QAction* action = AAction;
    // The state follows every change, a restored one too; the effects run only when the user
    // chooses the option, so a stored state is taken in without running the command.
    connect(action, &QAction::toggled, this, [this, action] { OptionToggled(action); });
    connect(action, &QAction::triggered, this, [this, action] { OptionChanged(action); });
  };
  option(acTreeAttr, "acTreeAttr", QStringLiteral("Attributes in Tree"), FOptions.AttributesInTree);
  option(acValueCol, "acValueCol", QStringLiteral("Value Column"), FOptions.ValueColumn);
  option(acTreeLines, "acTreeLines", QStringLiteral("Tree Lines"), FOptions.TreeLines);
  option(acGrid, "acGrid", QStringLiteral("Grid Lines"), FOptions.GridLines);
  option(acStrictXML, "acStrictXML", QStringLiteral("Strict XML parsing"), FOptions.StrictXML);
  option(acFormSource, "acFormSource", QStringLiteral("Format Source"), FOptions.FormatSource);
  option(acPersistent, "acPersistent", QStringLiteral("Persistent settings"), FOptions.PersistentSettings);
  CreateDocumentCommands();

  acRegister = make("acRegister", QStringLiteral("Default Quillon"), -1, QString());
  acRegister->setCheckable(true);
  connect(acRegister, &QAction::triggered, this, [this](bool AOn) { RegisterChanged(AOn); });
}

void Twnd_quillon_Main::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  FFileMenu = file;
  file->addAction(acNew);
  file->addAction(acOpen);
  file->addSeparator();
  file->addAction(acEdit);
  file->addSeparator();
  file->addAction(acRefresh);
  file->addSeparator();
  file->addAction(acPrint);
  file->addSeparator();
  ExportMenu = file->addMenu(QStringLiteral("Export"));
  ExportMenu->setObjectName(QStringLiteral("ExportMenu"));
  ExportMenu->addAction(acExportCSV);
  ExportMenu->addAction(acExportJSON);
  file->addSeparator();
  file->addAction(acExit);

  QMenu* options = menuBar()->addMenu(QStringLiteral("&Options"));
  options->addAction(acTreeAttr);
  options->addAction(acValueCol);
  options->addAction(acTreeLines);
  options->addAction(acGrid);
  options->addSeparator();
  options->addAction(acStrictXML);
  options->addSeparator();
  options->addAction(acFormSource);
  options->addSeparator();
  options->addAction(acPersistent);
  options->addSeparator();
  options->addAction(acRegister);

  FWindowsMenu = menuBar()->addMenu(QStringLiteral("&Windows"));
  FWindowsMenu->addAction(acCascade);
  FWindowsMenu->addAction(acTileHor);
  FWindowsMenu->addAction(acTileVer);
  FWindowsMenu->addSeparator();
  FWindowsMenu->addAction(acClose);
  FWindowsMenu->addAction(acCloseAll);
  connect(FWindowsMenu, &QMenu::aboutToShow, this, &Twnd_quillon_Main::FillWindowsMenu);

  QMenu* info = menuBar()->addMenu(QStringLiteral("&Info"));
  info->addAction(acAbout);

  for (QMenu* menu : {file, options, FWindowsMenu, info})
    connect(menu, &QMenu::aboutToShow, this, &Twnd_quillon_Main::UpdateCommandStates);

  FToolBar = addToolBar(QStringLiteral("Tools"));
  FToolBar->setObjectName(QStringLiteral("ToolBar"));
  FToolBar->setMovable(false);
  FToolBar->setIconSize(QSize(TIconList::cSize, TIconList::cSize));
  FToolBar->addAction(acNew);
  FToolBar->addAction(acOpen);
  FToolBar->addAction(acRefresh);
  FToolBar->addSeparator();
  FToolBar->addAction(acEdit);
  FToolBar->addAction(acPrint);
  FToolBar->addSeparator();
  FToolBar->addAction(acCascade);
  FToolBar->addAction(acTileHor);
  FToolBar->addAction(acTileVer);
  FToolBar->addSeparator();
  FToolBar->addAction(acExit);

  FWinBarMenu = new QMenu(this);
  FWinBarMenu->setObjectName(QStringLiteral("WinBarMenu"));
  FWinBarMenu->addAction(acTitle);
  FWinBarMenu->addSeparator();
  FWinBarMenu->addAction(acRestore);
  FWinBarMenu->addAction(acMinimize);
  FWinBarMenu->addAction(acMaximize);
  FWinBarMenu->addSeparator();
  FWinBarMenu->addAction(acMinAll);
  FWinBarMenu->addAction(acCloseAll);
  FWinBarMenu->addSeparator();
  FWinBarMenu->addAction(acClose);
  FWinBarMenu->setDefaultAction(acClose);
  connect(FWinBarMenu, &QMenu::aboutToShow, this, [this] {
    RefreshWinBarTitle();
    UpdateCommandStates();
  });
  mdibg->SetContextMenu(FWinBarMenu);

  FWindowListGroup = new QActionGroup(this);
  FWindowListGroup->setExclusive(true);
}

void Twnd_quillon_Main::UpdateCommandStates() {
  if (!FMdiArea) return;
  const bool anyWindow = !FMdiArea->subWindowList().isEmpty();
  const bool activeWindow = ActiveViewer() != nullptr;
  acRefresh->setEnabled(activeWindow);
  acEdit->setEnabled(activeWindow);
  acClose->setEnabled(activeWindow);
  acCloseAll->setEnabled(anyWindow);
  acCascade->setEnabled(anyWindow);
  acTileHor->setEnabled(anyWindow);
  acTileVer->setEnabled(anyWindow);
  acMinAll->setEnabled(anyWindow);
  acPrint->setEnabled(activeWindow);
  acExportCSV->setEnabled(activeWindow);
  acExportJSON->setEnabled(activeWindow);
  ExportMenu->menuAction()->setEnabled(activeWindow);
}

void Twnd_quillon_Main::OptionToggled(QAction* AAction) {
  const bool on = AAction->isChecked();
  if (AAction == acTreeAttr) FOptions.AttributesInTree = on;
  else if (AAction == acValueCol) FOptions.ValueColumn = on;
  else if (AAction == acTreeLines) FOptions.TreeLines = on;
  else if (AAction == acGrid) FOptions.GridLines = on;
  else if (AAction == acStrictXML) FOptions.StrictXML = on;  // read at the next load
  else if (AAction == acFormSource) FOptions.FormatSource = on;
  else if (AAction == acPersistent) FOptions.PersistentSettings = on;
}

void Twnd_quillon_Main::OptionChanged(QAction* AAction) {
  OptionToggled(AAction);
  const bool on = AAction->isChecked();
  const QList<Tmdi_quillon_Viewer*> viewers = Viewers();
  if (AAction == acTreeAttr || AAction == acValueCol) {
    for (Tmdi_quillon_Viewer* viewer : viewers) viewer->RefreshView();
  } else if (AAction == acTreeLines) {
    for (Tmdi_quillon_Viewer* viewer : viewers) viewer->SetTreeLines(on);
  } else if (AAction == acGrid) {
    for (Tmdi_quillon_Viewer* viewer : viewers) viewer->SetGridLines(on);
  } else if (AAction == acFormSource) {
    for (Tmdi_quillon_Viewer* viewer : viewers) viewer->MarkSourceStale();
  } else if (AAction == acPersistent) {
    // Switched off, the layout is saved one last time, so the next start finds the option
    // off instead of the state of the last save made while it was on.
    if (!on && !FLayout->LayoutReadOnly()) FLayout->LayoutManager().Save();
    FLayout->SetLayoutReadOnly(!on);
    for (Tmdi_quillon_Viewer* viewer : viewers) viewer->SetLayoutReadOnly(!on);
  }
}

// --- Layout, recently used files, file association -------------------------------------------

ILayoutManagerStorage& LayoutStorage() {
  static TLayoutManagerRegistryStorage storage(
      UserSettingsFile(QStringLiteral("Corvane"), QStringLiteral("Quillon-%1.x.conf").arg(QStringLiteral(QUILLON_VERSION).section(QLatin1Char('.'), 0, 0))));
  return storage;
}

namespace {

// A store error at start-up is shown once the window is up; the window goes on without it.
void ReportLater(const ELayoutStorageError& AError) {
  const QString message = QString::fromStdString(AError.what());
  QTimer::singleShot(0, qApp, [message] { ErrorDlg(message); });
}

}  // namespace

void Twnd_quillon_Main::SetupLayout() {
  // Designed read-only with the option off: a first run writes nothing.
  FLayout = new TLMForm(this);
  FLayout->SetMainForm();
  TLayoutManager& manager = FLayout->LayoutManager();
  manager.SetStorage(&LayoutStorage());
  manager.FormStyle = fsMDIForm;
  FLayout->SetLayoutReadOnly(true);
  FLayout->SetLayoutControl(true);
  for (QAction* option : {acPersistent, acTreeAttr, acValueCol, acGrid, acTreeLines, acStrictXML, acFormSource})
    manager.Add(option, {QStringLiteral("Checked")});
  manager.OnAfterRestore = [this](QWidget*) { FLayout->SetLayoutReadOnly(!acPersistent->isChecked()); };
  manager.OnAfterSave = [this](QWidget*) {
    try {
      FMRU->Save();
    } catch (const ELayoutStorageError& E) {
      ReportLater(E);
    }
  };

  FMRU = new TLayoutManagerMRU(this);
  FMRU->StartImageIndex = 100;
  FMRU->IconOf = [](int AIndex) {
    return AIndex < TIconList::Shared().Count() ? TIconList::Shared().Icon(AIndex) : QIcon();
  };
  FMRU->Storage = &LayoutStorage();
  FMRU->SetMenu(FFileMenu);
  FMRU->SetOnMenuClick([this](TLayoutManagerMRU*, const QString& AItem) { OpenFile(AItem); });
  try {
    FMRU->Restore();
  } catch (const ELayoutStorageError& E) {
    ReportLater(E);
  }

  // The check mark shows whether the desktop's default for XML starts this very program.
  const QString registered = RegisteredProgram(QStringLiteral("application/xml"));
  acRegister->setChecked(!registered.isEmpty() && SameFileName(registered, QuillonProgramPath()));
}

void Twnd_quillon_Main::RegisterChanged(bool AOn) {
  if (AOn)
    RegisterAssociation(QuillonAssociation());
  else
    UnregisterAssociation(QuillonAssociation());
}

// --- Document windows ----------------------------------------------------------------------

QList<Tmdi_quillon_Viewer*> Twnd_quillon_Main::Viewers() const {
  QList<Tmdi_quillon_Viewer*> result;
  if (!FMdiArea) return result;
  for (QMdiSubWindow* window : FMdiArea->subWindowList(QMdiArea::CreationOrder))
    if (auto* viewer = qobject_cast<Tmdi_quillon_Viewer*>(window->widget())) result.append(viewer);
  return result;
}

Tmdi_quillon_Viewer* Twnd_quillon_Main::ActiveViewer() const {
  // The current window, not QMdiArea's "active" one, which is null whenever another
  // application has the focus.
  QMdiSubWindow* window = FMdiArea ? FMdiArea->currentSubWindow() : nullptr;
  return window ? qobject_cast<Tmdi_quillon_Viewer*>(window->widget()) : nullptr;
}

QMdiSubWindow* Twnd_quillon_Main::SubWindowOf(const Tmdi_quillon_Viewer* AViewer) const {
  if (!FMdiArea || !AViewer) return nullptr;
  for (QMdiSubWindow* window : FMdiArea->subWindowList())
    if (window->widget() == AViewer) return window;
  return nullptr;
}

void Twnd_quillon_Main::QueueOpenFile(const QString& AFilename) {
  QCoreApplication::postEvent(this, new TOpenFileEvent(AFilename));
}

void Twnd_quillon_Main::OpenFile(const QString& AFilename) {
  const QString fullName = AbsoluteName(AFilename);
  // File names are case-sensitive here: the same file is the same canonical name, exactly,
  // however it was spelled or linked.
  const QString wanted = CanonicalFileName(fullName);
  for (Tmdi_quillon_Viewer* viewer : Viewers()) {
    if (CanonicalFileName(viewer->Filename()) == wanted) {
      ActivateSubWindow(SubWindowOf(viewer));
      return;
    }
  }

  if (!IsExistingFile(fullName)) {
    WarningDlg(QStringLiteral("File does not exists."));
    FMRU->Remove(AFilename);
    return;
  }

  QMdiSubWindow* window;
  Tmdi_quillon_Viewer* viewer;
  {
    // The new window becomes active before it has a file: nothing to compare yet.
    const auto quiet = ScopedCount(FQuiet);
    viewer = new Tmdi_quillon_Viewer(&FOptions);
    window = CreateChildWindow(viewer, QFileInfo(fullName).fileName(), iiDocument);
    viewer->SetGridLines(FOptions.GridLines);
    viewer->SetTreeLines(FOptions.TreeLines);
    // Listed before the load: the load lets queued requests run, and a file named after this
    // one must not be listed before it.
    FMRU->Add(fullName);
    viewer->SetFilename(fullName);
  }
  Q_UNUSED(window);
  UpdateCommandStates();
}

QMdiSubWindow* Twnd_quillon_Main::CreateChildWindow(Tmdi_quillon_Viewer* AViewer, const QString& ACaption,
                                                     int AIconIndex) {
  const QIcon icon = TIconList::Shared().Icon(AIconIndex);
  auto* window = new QMdiSubWindow;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWidget(AViewer);
  window->setWindowTitle(ACaption);
  window->setWindowIcon(icon);

  const int id = FNextButtonId++;
  window->setProperty(cButtonProperty, id);
  FButtons[id] = window;
  connect(window, &QObject::destroyed, this, [this, id] { SubWindowDestroyed(id); });
  connect(AViewer, &Tmdi_quillon_Viewer::CaptionChanged, this, [this, id](const QString& ACaptionNow) {
    if (QMdiSubWindow* w = WindowOfButton(id)) w->setWindowTitle(ACaptionNow);
    mdibg->SetCaption(id, ACaptionNow);
  });

  mdibg->AddButton(id, ACaption, icon);
  mdibg->SetSelected(id);
  FMdiArea->addSubWindow(window);
  window->showMaximized();
  FMdiArea->setActiveSubWindow(window);
  return window;
}

QMdiSubWindow* Twnd_quillon_Main::WindowOfButton(int AId) const {
  const auto found = FButtons.find(AId);
  return found == FButtons.end() ? nullptr : found->second.data();
}

QMdiSubWindow* Twnd_quillon_Main::HotWindow() const { return WindowOfButton(mdibg->Hot()); }

void Twnd_quillon_Main::ActivateSubWindow(QMdiSubWindow* AWindow) {
  if (!AWindow) return;
  if (AWindow->isMinimized()) AWindow->showNormal();
  FMdiArea->setActiveSubWindow(AWindow);
  AWindow->raise();
  if (QWidget* content = AWindow->widget()) content->setFocus();
  const QVariant id = AWindow->property(cButtonProperty);
  if (id.isValid()) mdibg->SetSelected(id.toInt());
}

void Twnd_quillon_Main::SubWindowActivated(QMdiSubWindow* AWindow) {
  if (FClosing) return;
  QMdiSubWindow* current = FMdiArea->currentSubWindow();
  const QVariant id = current ? current->property(cButtonProperty) : QVariant();
  mdibg->SetSelected(id.isValid() ? id.toInt() : TMDIButtonGroup::cNone);
  UpdateCommandStates();
  if (AWindow && FQuiet == 0)
    if (auto* viewer = qobject_cast<Tmdi_quillon_Viewer*>(AWindow->widget())) viewer->CheckFileChanged();
}

void Twnd_quillon_Main::SubWindowDestroyed(int AButtonId) {
  FButtons.erase(AButtonId);
  if (FClosing || !mdibg) return;
  mdibg->RemoveButton(AButtonId);
  QMdiSubWindow* current = FMdiArea->currentSubWindow();
  const QVariant id = current ? current->property(cButtonProperty) : QVariant();
  mdibg->SetSelected(id.isValid() ? id.toInt() : TMDIButtonGroup::cNone);
  UpdateCommandStates();
}

void Twnd_quillon_Main::MinimizeWindow(QMdiSubWindow* AWindow) {
  // A minimized child window becomes the active one; without this option the area would
  // maximize it on that activation, as it does for every window while one is maximized.
  const bool keep = FMdiArea->testOption(QMdiArea::DontMaximizeSubWindowOnActivation);
  FMdiArea->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, true);
  AWindow->showMinimized();
  FMdiArea->setOption(QMdiArea::DontMaximizeSubWindowOnActivation, keep);
}

void Twnd_quillon_Main::Tile(Qt::Orientation AOrientation) {
  const auto quiet = ScopedCount(FQuiet);
  QList<QMdiSubWindow*> windows;
  for (QMdiSubWindow* window : FMdiArea->subWindowList(QMdiArea::CreationOrder))
    if (!window->isMinimized() && !window->isHidden()) windows.append(window);
  if (windows.isEmpty()) return;
  for (QMdiSubWindow* window : windows)
    if (window->isMaximized()) window->showNormal();

  // Horizontally: full-width bands one under the other; vertically: full-height columns.
  const QRect area = FMdiArea->viewport()->rect();
  const int count = int(windows.size());
  for (int i = 0; i < count; ++i) {
    QRect band;
    if (AOrientation == Qt::Horizontal) {
      const int top = area.height() * i / count, bottom = area.height() * (i + 1) / count;
      band = QRect(0, top, area.width(), bottom - top);
    } else {
      const int left = area.width() * i / count, right = area.width() * (i + 1) / count;
      band = QRect(left, 0, right - left, area.height());
    }
    windows[i]->setGeometry(band);
  }
}

void Twnd_quillon_Main::CloseAll() {
  const auto quiet = ScopedCount(FQuiet);
  // Bottom of the stacking order first, the active window last.
  QList<QMdiSubWindow*> windows = FMdiArea->subWindowList(QMdiArea::StackingOrder);
  if (QMdiSubWindow* active = FMdiArea->currentSubWindow()) {
    windows.removeAll(active);
    windows.append(active);
  }
  for (QMdiSubWindow* window : windows) window->close();
}

void Twnd_quillon_Main::FillWindowsMenu() {
  for (QAction* action : FWindowListGroup->actions()) {
    FWindowsMenu->removeAction(action);
    delete action;
  }
  const QList<QMdiSubWindow*> windows = FMdiArea->subWindowList(QMdiArea::CreationOrder);
  if (windows.isEmpty()) return;
  FWindowListGroup->addAction(FWindowsMenu->addSeparator());
  QMdiSubWindow* current = FMdiArea->currentSubWindow();
  int number = 1;
  for (QMdiSubWindow* window : windows) {
    QString caption = window->windowTitle();
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
    const QString text = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(caption)
                                     : QStringLiteral("%1 %2").arg(number).arg(caption);
    ++number;
    QAction* action = FWindowsMenu->addAction(text);
    action->setCheckable(true);
    action->setChecked(window == current);
    FWindowListGroup->addAction(action);
    QPointer<QMdiSubWindow> target(window);
    connect(action, &QAction::triggered, this, [this, target] { ActivateSubWindow(target.data()); });
  }
}

void Twnd_quillon_Main::RefreshWinBarTitle() {
  QMdiSubWindow* window = HotWindow();
  QString caption = window ? window->windowTitle() : QStringLiteral("<none>");
  caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
  acTitle->setText(caption);
}

// --- Frame, first show, closing --------------------------------------------------------------

void Twnd_quillon_Main::FitAndCentre(bool AKeepInside) {
  QScreen* screen = this->screen();
  if (!screen) return;
  const QRect work = screen->availableGeometry();
  const int left = x() - work.left(), top = y() - work.top();
  int width = this->width(), height = this->height();
  if (!AKeepInside) {
    if (left + width > work.width()) width = qMax(1, work.width() - left);
    if (top + height > work.height()) height = qMax(1, work.height() - top);
    resize(width, height);
  }
  const QSize frame = isVisible() ? frameGeometry().size() : QSize(width, height);
  int newLeft = work.left() + (work.width() - frame.width()) / 2;
  int newTop = work.top() + (work.height() - frame.height()) / 2;
  if (AKeepInside) {
    newLeft = qMax(newLeft, work.left());
    newTop = qMax(newTop, work.top());
  }
  move(newLeft, newTop);
}

void Twnd_quillon_Main::showEvent(QShowEvent* AEvent) {
  QMainWindow::showEvent(AEvent);
  if (FFirstShown) return;
  FFirstShown = true;
  QueueCommandLineFiles();
  // A window restored maximized stays where the desktop put it.
  if (!isMaximized()) FitAndCentre(true);
}

void Twnd_quillon_Main::QueueCommandLineFiles() {
  if (!FCommandLine) return;
  // Every argument, switches included: only existing files are queued.
  for (const std::u16string& argument : FCommandLine->ParamList()) {
    const QString name = ToQString(argument);
    if (IsExistingFile(name)) QueueOpenFile(name);
  }
}

void Twnd_quillon_Main::ReceiveCopyData(const std::vector<uint8_t>& AData) {
  for (const std::u16string& argument : ReceivedArguments(AData)) {
    const QString name = ToQString(argument);
    if (IsExistingFile(name)) QueueOpenFile(name);
  }
}

bool Twnd_quillon_Main::ListensForSecondStart() const { return FServer && FServer->IsListening(); }

void Twnd_quillon_Main::BringToFront() {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  if (!isVisible()) show();
  raise();
  activateWindow();
}

void Twnd_quillon_Main::customEvent(QEvent* AEvent) {
  if (AEvent->type() == TOpenFileEvent::cType) {
    OpenFile(static_cast<TOpenFileEvent*>(AEvent)->Filename());
    return;
  }
  QMainWindow::customEvent(AEvent);
}

void Twnd_quillon_Main::closeEvent(QCloseEvent* AEvent) {
  hide();
  CloseAll();
  // The closed windows are freed from the event loop; free them now so that every document
  // is gone before the application ends.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  AEvent->accept();
}

void Twnd_quillon_Main::dragEnterEvent(QDragEnterEvent* AEvent) {
  if (AEvent->mimeData()->hasUrls()) AEvent->acceptProposedAction();
}

void Twnd_quillon_Main::dropEvent(QDropEvent* AEvent) {
  // Queued rather than opened here, so that the drag source is released before any load;
  // the queue keeps the order of the drop.
  for (const QUrl& url : AEvent->mimeData()->urls())
    if (url.isLocalFile()) QueueOpenFile(url.toLocalFile());
  AEvent->acceptProposedAction();
}

// --- Change check ----------------------------------------------------------------------------

void Twnd_quillon_Main::CheckActiveFileChanged() {
  if (FChecking || FClosing) return;
  if (QApplication::activeModalWidget() || DialogDepth > 0) return;
  FChecking = true;
  QPointer<Twnd_quillon_Main> self(this);
  // Activated while minimized (from the task bar or a second start): wait until the frame
  // is back, so the question appears over it.
  while (self && isMinimized() && isVisible() && !FClosing) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!self) return;
    QThread::msleep(100);
  }
  if (!self) return;
  FChecking = false;
  if (Tmdi_quillon_Viewer* viewer = ActiveViewer()) viewer->CheckFileChanged();
}

// --- Print and export -------------------------------------------------------------------

void Twnd_quillon_Main::CreateDocumentCommands() {
  acPrint = new QAction(TIconList::Shared().Icon(iiPrint), QStringLiteral("&Print..."), this);
  acPrint->setObjectName(QStringLiteral("acPrint"));
  acPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  acPrint->setToolTip(QStringLiteral("Print"));
  connect(acPrint, &QAction::triggered, this, &Twnd_quillon_Main::PrintActive);

  acExportCSV = new QAction(QStringLiteral("CSV..."), this);
  acExportCSV->setObjectName(QStringLiteral("acExportCSV"));
  connect(acExportCSV, &QAction::triggered, this, [this] { ExportActive(false); });
  acExportJSON = new QAction(QStringLiteral("JSON..."), this);
  acExportJSON->setObjectName(QStringLiteral("acExportJSON"));
  acExportJSON->setToolTip(QStringLiteral("Export to JSON..."));
  connect(acExportJSON, &QAction::triggered, this, [this] { ExportActive(true); });
}

void Twnd_quillon_Main::PrintActive() {
  Tmdi_quillon_Viewer* viewer = ActiveViewer();
  if (!viewer) return;
  QPrinter printer(QPrinter::HighResolution);
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  // The window may have closed while the dialog was open.
  if (!Viewers().contains(viewer)) return;
  try {
    viewer->Print(printer);
  } catch (const EGeneralError& E) {
    ErrorDlg(E.Message());
  } catch (const std::exception& E) {
    ErrorDlg(QString::fromUtf8(E.what()));
  }
}

void Twnd_quillon_Main::ExportActive(bool AJSON) {
  Tmdi_quillon_Viewer* viewer = ActiveViewer();
  if (!viewer) return;
  const QString suffix = AJSON ? QStringLiteral("json") : QStringLiteral("csv");
  // The document's own name with the export's extension: /data/a.xml proposes /data/a.csv.
  const QFileInfo source(viewer->Filename());
  const QString proposed = source.dir().filePath(source.completeBaseName() + QLatin1Char('.') + suffix);
  // Opened in the document's folder, not wherever the last file dialog was.
  QFileDialog dialog(this, QString(), source.absolutePath(),
                     AJSON ? QStringLiteral("JSON files (*.json);;All files (*)")
                           : QStringLiteral("CSV files (*.csv);;All files (*)"));
  dialog.setObjectName(QStringLiteral("ExportDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(suffix);
  dialog.setOption(QFileDialog::ReadOnly, false);
  dialog.setSizeGripEnabled(true);
  dialog.selectFile(proposed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  const QString target = dialog.selectedFiles().constFirst();
  if (!Viewers().contains(viewer)) return;
  // The export writes a temporary file and replaces the target only when complete, so a
  // failure leaves both the window and any existing file as they were.
  try {
    if (AJSON)
      viewer->ExportToJSON(target);
    else
      viewer->ExportToCSV(target);
  } catch (const EGeneralError& E) {
    ErrorDlg(E.Message());
  } catch (const std::exception& E) {
    ErrorDlg(QString::fromUtf8(E.what()));
  }
}
