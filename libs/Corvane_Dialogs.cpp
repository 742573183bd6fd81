#include "Corvane_Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "QtText.h"
#include "ScopeGuard.h"

int DialogDepth = 0;

namespace {

TDialogHook& Hook() {
  static TDialogHook hook;
  return hook;
}

QWidget* DialogOwner() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->inherits("Twnd_quillon_Main")) return w;
  return nullptr;
}

TModalResult FromButton(int aButton) {
  switch (aButton) {
    case QMessageBox::Yes: return mrYes;
    case QMessageBox::No: return mrNo;
    case QMessageBox::Ok: return mrOk;
    case QMessageBox::Cancel: return mrCancel;
    default: return mrNone;
  }
}

TModalResult ShowBox(TDialogKind aKind, const QString& aText) {
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  QMessageBox::StandardButton defaultButton = QMessageBox::Ok;
  switch (aKind) {
    case dkConfirm:
      title = QStringLiteral("Confirmation");
      icon = QMessageBox::Question;
      buttons = QMessageBox::Yes | QMessageBox::No;
      defaultButton = QMessageBox::Yes;
      break;
    case dkConfirmCancel:
      title = QStringLiteral("Confirmation");
      icon = QMessageBox::Question;
      buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
      defaultButton = QMessageBox::Yes;
      break;
    case dkWarning:
      title = QStringLiteral("Warning");
      icon = QMessageBox::Warning;
      break;
    case dkError:
      title = QStringLiteral("Error");
      icon = QMessageBox::Critical;
      break;
    case dkInfo:
      title = QStringLiteral("Information");
      icon = QMessageBox::Information;
      break;
  }

  // Raised for the life of a counted box; an exception from the box still lowers it.
  const bool counted = aKind != dkConfirmCancel;
  if (counted) ++DialogDepth;
  const TScopeExit lower([counted] {
    if (counted) --DialogDepth;
  });
  if (Hook()) return Hook()(aKind, title, aText);

  QMessageBox box(icon, title, aText, buttons, DialogOwner());
  box.setDefaultButton(defaultButton);
  return FromButton(box.exec());
}

}  // namespace

void SetDialogHook(TDialogHook aHook) { Hook() = std::move(aHook); }

bool ConfirmDlg(const QString& aMsg) { return ShowBox(dkConfirm, aMsg) == mrYes; }
TModalResult ConfirmCancelDlg(const QString& aMsg) { return ShowBox(dkConfirmCancel, aMsg); }
void WarningDlg(const QString& aMsg) { ShowBox(dkWarning, aMsg); }
void ErrorDlg(const QString& aMsg) { ShowBox(dkError, aMsg); }
void InfoDlg(const QString& aMsg) { ShowBox(dkInfo, aMsg); }

bool ConfirmDlg(std::u16string_view aMsg) { return ConfirmDlg(ToQString(aMsg)); }
TModalResult ConfirmCancelDlg(std::u16string_view aMsg) { return ConfirmCancelDlg(ToQString(aMsg)); }
void WarningDlg(std::u16string_view aMsg) { WarningDlg(ToQString(aMsg)); }
void ErrorDlg(std::u16string_view aMsg) { ErrorDlg(ToQString(aMsg)); }
void InfoDlg(std::u16string_view aMsg) { InfoDlg(ToQString(aMsg)); }
