// The application's message boxes. Each is modal, owned by the active window (else the
// main window, else none) and returns when the user has answered. DialogDepth counts the
// boxes that are open, so that checks for files changed on disk stay quiet meanwhile.
#pragma once

#include <QString>

#include <functional>
#include <string_view>

// The answer of a box, valued as the platform's modal results.
enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

enum TDialogKind { dkConfirm, dkConfirmCancel, dkWarning, dkError, dkInfo };

// Boxes open right now that count (every kind but ConfirmCancelDlg). Only the
// user-interface thread touches it.
extern int DialogDepth;

bool ConfirmDlg(const QString& aMsg);            // "Confirmation", Yes/No; true for Yes
TModalResult ConfirmCancelDlg(const QString& aMsg);  // "Confirmation", Yes/No/Cancel
void WarningDlg(const QString& aMsg);            // "Warning", OK
void ErrorDlg(const QString& aMsg);              // "Error", OK
void InfoDlg(const QString& aMsg);               // "Information", OK

bool ConfirmDlg(std::u16string_view aMsg);
TModalResult ConfirmCancelDlg(std::u16string_view aMsg);
void WarningDlg(std::u16string_view aMsg);
void ErrorDlg(std::u16string_view aMsg);
void InfoDlg(std::u16string_view aMsg);

// Replaces the modal box, for tests and scripted runs: the hook gets the kind, title and
// text and returns the answer. It runs where the box would, with DialogDepth already
// raised for the counted kinds. An empty hook restores the real boxes.
using TDialogHook = std::function<TModalResult(TDialogKind aKind, const QString& aTitle, const QString& aText)>;
void SetDialogHook(TDialogHook aHook);
