// The layout-managed form: a helper that a window owns, holding its layout manager and
// running it at the moments that count. It restores at the window's first show (before the
// window's own show handler), saves shortly after the user ends a move or resize and when
// the window is destroyed, and follows a change of the monitor arrangement with the stored
// size and place of the new one.
#pragma once

#include "Corvane.LayoutManager.Control.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

class TLMForm : public QObject {
  Q_OBJECT
public:
  // Creation: a form made while another form is the main one takes its store and its
  // LayoutReadOnly, and is centred on the work area.
  explicit TLMForm(QWidget* AForm);
  ~TLMForm() override;

  QWidget* Form() const { return FForm.data(); }
  TLayoutManager& LayoutManager() { return FManager; }

  // The form registers itself (before its controls) when switched on.
  bool LayoutControl() const { return FLayoutControl; }
  void SetLayoutControl(bool AValue);
  TLayoutManagerControlOptions LayoutOptions() const { return FLayoutOptions; }
  void SetLayoutOptions(TLayoutManagerControlOptions AValue);
  bool LayoutReadOnly() const { return FManager.ReadOnly(); }
  void SetLayoutReadOnly(bool AValue) { FManager.SetReadOnly(AValue); }

  // Centres the form over AForm, or over its monitor's work area without one; a form wider
  // or taller than the work area from its edge on is first narrowed to fit.
  void CenterTo(const QWidget* AForm);

  // The window calls this first in its destructor, while its controls still exist.
  void FormDestroying();

  // The main window's form, which later forms take their store and read-only state from.
  static TLMForm* MainForm();
  void SetMainForm();

  // How long after the last move or resize the layout is saved: the desktop tells nobody
  // when the user lets go of the frame.
  static constexpr int cSaveDelayMs = 400;

protected:
  bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
  void ScheduleSave();
  void DisplayMayHaveChanged();
  void WatchScreen();

  QPointer<QWidget> FForm;
  TLayoutManager FManager;
  bool FLayoutControl = false;
  TLayoutManagerControlOptions FLayoutOptions = cFormLayoutOptions;
  bool FShown = false;
  bool FDestroying = false;
  QString FDisplayKey;
  QTimer FSaveTimer;
  QMetaObject::Connection FScreenConnection;
};
