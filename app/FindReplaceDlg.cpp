#include "FindReplaceDlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFindReplaceDlg::TFindReplaceDlg(QWidget* AParent) : QDialog(AParent) {
  setObjectName(QStringLiteral("rd"));
  setWindowTitle(QStringLiteral("Replace"));
  setModal(false);

  FFind = new QLineEdit(this);
  FFind->setObjectName(QStringLiteral("FindText"));
  FReplace = new QLineEdit(this);
  FReplace->setObjectName(QStringLiteral("ReplaceText"));
  auto* findLabel = new QLabel(QStringLiteral("Fi&nd what:"), this);
  findLabel->setBuddy(FFind);
  auto* replaceLabel = new QLabel(QStringLiteral("Re&place with:"), this);
  replaceLabel->setBuddy(FReplace);

  FMatchCase = new QCheckBox(QStringLiteral("Match &case"), this);
  FMatchCase->setObjectName(QStringLiteral("MatchCase"));
  FWholeWord = new QCheckBox(QStringLiteral("Match &whole word only"), this);
  FWholeWord->setObjectName(QStringLiteral("WholeWord"));

  auto* direction = new QGroupBox(QStringLiteral("Direction"), this);
  FUp = new QRadioButton(QStringLiteral("&Up"), direction);
  FUp->setObjectName(QStringLiteral("Up"));
  FDown = new QRadioButton(QStringLiteral("&Down"), direction);
  FDown->setObjectName(QStringLiteral("Down"));
  FDown->setChecked(true);
  auto* directionLayout = new QHBoxLayout(direction);
  directionLayout->addWidget(FUp);
  directionLayout->addWidget(FDown);

  bFindNext = new QPushButton(QStringLiteral("&Find Next"), this);
  bFindNext->setObjectName(QStringLiteral("bFindNext"));
  bFindNext->setDefault(true);
  bReplace = new QPushButton(QStringLiteral("&Replace"), this);
  bReplace->setObjectName(QStringLiteral("bReplace"));
  bReplaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
  bReplaceAll->setObjectName(QStringLiteral("bReplaceAll"));
  bClose = new QPushButton(QStringLiteral("Close"), this);
  bClose->setObjectName(QStringLiteral("bClose"));

  auto* fields = new QGridLayout;
  fields->addWidget(findLabel, 0, 0);
  fields->addWidget(FFind, 0, 1);
  fields->addWidget(replaceLabel, 1, 0);
  fields->addWidget(FReplace, 1, 1);
  auto* options = new QHBoxLayout;
  auto* checks = new QVBoxLayout;
  checks->addWidget(FMatchCase);
  checks->addWidget(FWholeWord);
  checks->addStretch(1);
  options->addLayout(checks);
  options->addWidget(direction);
  auto* left = new QVBoxLayout;
  left->addLayout(fields);
  left->addLayout(options);
  left->addStretch(1);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(bFindNext);
  buttons->addWidget(bReplace);
  buttons->addWidget(bReplaceAll);
  buttons->addWidget(bClose);
  buttons->addStretch(1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);

  connect(FFind, &QLineEdit::textChanged, this, &TFindReplaceDlg::UpdateButtons);
  connect(bFindNext, &QPushButton::clicked, this, [this] {
    if (OnFind) OnFind();
  });
  connect(bReplace, &QPushButton::clicked, this, [this] {
    if (OnReplace) OnReplace(false);
  });
  connect(bReplaceAll, &QPushButton::clicked, this, [this] {
    if (OnReplace) OnReplace(true);
  });
  connect(bClose, &QPushButton::clicked, this, &QDialog::close);
  UpdateButtons();
}

QString TFindReplaceDlg::FindText() const { return FFind->text(); }
void TFindReplaceDlg::SetFindText(const QString& AText) { FFind->setText(AText); }
QString TFindReplaceDlg::ReplaceText() const { return FReplace->text(); }
void TFindReplaceDlg::SetReplaceText(const QString& AText) { FReplace->setText(AText); }
bool TFindReplaceDlg::MatchCase() const { return FMatchCase->isChecked(); }
void TFindReplaceDlg::SetMatchCase(bool AValue) { FMatchCase->setChecked(AValue); }
bool TFindReplaceDlg::WholeWord() const { return FWholeWord->isChecked(); }
void TFindReplaceDlg::SetWholeWord(bool AValue) { FWholeWord->setChecked(AValue); }
bool TFindReplaceDlg::Down() const { return FDown->isChecked(); }

void TFindReplaceDlg::SetDown(bool AValue) {
  // Radio buttons of one group: checking the other one clears this one.
  (AValue ? FDown : FUp)->setChecked(true);
}

void TFindReplaceDlg::UpdateButtons() {
  // Nothing to look for: the search buttons would only report that nothing was found.
  const bool any = !FFind->text().isEmpty();
  bFindNext->setEnabled(any);
  bReplace->setEnabled(any);
  bReplaceAll->setEnabled(any);
}

void TFindReplaceDlg::Execute() {
  if (!FPlaced && parentWidget()) {
    // Beside the text, at the owner's upper right, so the match it selects stays visible.
    FPlaced = true;
    adjustSize();
    const QRect owner = parentWidget()->frameGeometry();
    move(owner.right() - width() - 24, owner.top() + 72);
  }
  show();
  raise();
  activateWindow();
  FFind->setFocus();
  FFind->selectAll();
}
