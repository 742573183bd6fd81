#include "Corvane.LayoutManager.Form.h"

#include "Corvane_Dialogs.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>

namespace {

TLMForm*& MainFormSlot() {
  static TLMForm* form = nullptr;
  return form;
}

// A stored value of the wrong kind ends that restore or save; the user learns of it in the
// error box once the window has finished what it was doing, and the window stays usable.
template <typename F>
void Guarded(F AWork) {
  try {
    AWork();
  } catch (const ELayoutStorageError& E) {
    const QString message = QString::fromStdString(E.what());
    QTimer::singleShot(0, qApp, [message] { ErrorDlg(message); });
  }
}

}  // namespace

TLMForm::TLMForm(QWidget* AForm) : QObject(AForm), FForm(AForm), FManager(AForm) {
  FManager.KeepsReadOnly = true;
  // Designed read-only: nothing is written until the main window's option says so.
  FManager.SetReadOnly(true);
  if (TLMForm* main = MainForm(); main && main != this && main->Form() != AForm) {
    FManager.SetStorage(main->LayoutManager().Storage());
    FManager.SetReadOnly(main->LayoutReadOnly());
  }
  CenterTo(nullptr);
  FSaveTimer.setSingleShot(true);
  FSaveTimer.setInterval(cSaveDelayMs);
  connect(&FSaveTimer, &QTimer::timeout, this, [this] {
    if (FLayoutControl && !FDestroying) Guarded([this] { FManager.Save(); });
  });
  AForm->installEventFilter(this);
  connect(qApp, &QGuiApplication::screenAdded, this, &TLMForm::DisplayMayHaveChanged);
  connect(qApp, &QGuiApplication::screenRemoved, this, &TLMForm::DisplayMayHaveChanged);
}

TLMForm::~TLMForm() {
  if (MainFormSlot() == this) MainFormSlot() = nullptr;
}

TLMForm* TLMForm::MainForm() { return MainFormSlot(); }

void TLMForm::SetMainForm() {
  MainFormSlot() = this;
  FManager.MainForm = true;
}

void TLMForm::SetLayoutControl(bool AValue) {
  if (AValue == FLayoutControl) return;
  FLayoutControl = AValue;
  if (AValue) {
    // The form first, so that deleting its section on save comes before its controls write.
    FManager.Add(FForm.data(), {}, FLayoutOptions);
  } else {
    FManager.Remove(FForm.data());
  }
}

void TLMForm::SetLayoutOptions(TLayoutManagerControlOptions AValue) {
  FLayoutOptions = AValue;
  FManager.SetOptions(FForm.data(), AValue);
}

void TLMForm::CenterTo(const QWidget* AForm) {
  QWidget* form = FForm.data();
  if (!form) return;
  QScreen* screen = form->screen();
  if (!screen && !AForm) return;
  const QRect work = screen ? screen->availableGeometry() : QRect();
  int width = form->width(), height = form->height();
  if (screen) {
    if (form->x() - work.left() + width > work.width()) width = qMax(1, work.width() - (form->x() - work.left()));
    if (form->y() - work.top() + height > work.height()) height = qMax(1, work.height() - (form->y() - work.top()));
    if (width != form->width() || height != form->height()) form->resize(width, height);
  }
  if (AForm) {
    const QRect over = AForm->frameGeometry();
    form->move(over.left() + (over.width() - width) / 2, over.top() + (over.height() - height) / 2);
  } else {
    form->move(work.left() + (work.width() - width) / 2, work.top() + (work.height() - height) / 2);
  }
}

void TLMForm::FormDestroying() {
  if (FDestroying) return;
  FSaveTimer.stop();
  // A window that was never shown holds its designed layout, which must not overwrite the
  // stored one.
  if (FLayoutControl && FShown && FForm) Guarded([this] { FManager.Save(); });
  FDestroying = true;
}

void TLMForm::ScheduleSave() {
  if (!FLayoutControl || !FShown || FDestroying || FManager.Restoring() || FManager.ReadOnly()) return;
  FSaveTimer.start();
}

void TLMForm::WatchScreen() {
  QWindow* handle = FForm ? FForm->windowHandle() : nullptr;
  if (!handle || FScreenConnection) return;
  FScreenConnection = connect(handle, &QWindow::screenChanged, this, [this](QScreen* AScreen) {
    if (AScreen) {
      connect(AScreen, &QScreen::logicalDotsPerInchChanged, this, &TLMForm::DisplayMayHaveChanged,
              Qt::UniqueConnection);
      connect(AScreen, &QScreen::virtualGeometryChanged, this, &TLMForm::DisplayMayHaveChanged,
              Qt::UniqueConnection);
    }
    DisplayMayHaveChanged();
  });
  if (QScreen* screen = handle->screen()) {
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &TLMForm::DisplayMayHaveChanged, Qt::UniqueConnection);
    connect(screen, &QScreen::virtualGeometryChanged, this, &TLMForm::DisplayMayHaveChanged, Qt::UniqueConnection);
  }
}

void TLMForm::DisplayMayHaveChanged() {
  if (!FLayoutControl || !FShown || FDestroying || !FForm) return;
  const QString key = DisplayKeyOf(FForm->window());
  if (key == FDisplayKey) return;
  FDisplayKey = key;
  // Place and size follow the layout stored for the new arrangement; the state stays.
  Guarded([this] { FManager.Restore(FForm.data(), ~TLayoutManagerControlOptions(loState)); });
}

bool TLMForm::eventFilter(QObject* AWatched, QEvent* AEvent) {
  if (AWatched != FForm.data()) return QObject::eventFilter(AWatched, AEvent);
  switch (AEvent->type()) {
    case QEvent::Show:
      // Restored once, at the first show: a child window shown again (after it was minimized)
      // keeps what the user made of it meanwhile.
      if (!FShown && !static_cast<QShowEvent*>(AEvent)->spontaneous()) {
        if (FLayoutControl) Guarded([this] { FManager.Restore(); });
        FShown = true;
        FDisplayKey = DisplayKeyOf(FForm->window());
        WatchScreen();
      }
      break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
      ScheduleSave();
      break;
    default:
      break;
  }
  return QObject::eventFilter(AWatched, AEvent);
}
