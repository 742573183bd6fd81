// The editor's find-and-replace box: find text, replace text, match case, whole word, the
// direction, and Find Next, Replace, Replace All. It is modeless and stays open beside the
// editor; the owner does the searching when it hears OnFind or OnReplace.
#pragma once

#include <QDialog>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TFindReplaceDlg : public QDialog {
  Q_OBJECT
public:
  explicit TFindReplaceDlg(QWidget* AParent);

  QString FindText() const;
  void SetFindText(const QString& AText);
  QString ReplaceText() const;
  void SetReplaceText(const QString& AText);
  bool MatchCase() const;
  void SetMatchCase(bool AValue);
  bool WholeWord() const;
  void SetWholeWord(bool AValue);
  // The downward direction; cleared means upward.
  bool Down() const;
  void SetDown(bool AValue);

  // Shows the box (beside its owner the first time) and puts the focus into the find text.
  void Execute();

  std::function<void()> OnFind;              // Find Next
  std::function<void(bool AAll)> OnReplace;  // Replace, or Replace All

  QPushButton* bFindNext = nullptr;
  QPushButton* bReplace = nullptr;
  QPushButton* bReplaceAll = nullptr;
  QPushButton* bClose = nullptr;

private:
  void UpdateButtons();

  QLineEdit* FFind = nullptr;
  QLineEdit* FReplace = nullptr;
  QCheckBox* FMatchCase = nullptr;
  QCheckBox* FWholeWord = nullptr;
  QRadioButton* FUp = nullptr;
  QRadioButton* FDown = nullptr;
  bool FPlaced = false;
};
