#include "CaptionPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "Corvane.Control.Icons.h"
#include "QtText.h"
#include "ValueClassify.h"

namespace {
const QColor cCaptionColor(0xE4, 0xE8, 0xEE);
}

TCaptionPanel::TCaptionPanel(const QString& aCaption, const QString& aName, QWidget* aParent) : QFrame(aParent) {
  setObjectName(aName);
  setFrameShape(QFrame::StyledPanel);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->setSpacing(0);
  FBar = new QWidget(this);
  FBar->setAutoFillBackground(true);
  QPalette pal = FBar->palette();
  pal.setColor(QPalette::Window, cCaptionColor);
  FBar->setPalette(pal);
  FBarLayout = new QHBoxLayout(FBar);
  FBarLayout->setContentsMargins(6, 2, 2, 2);
  FBarLayout->setSpacing(2);
  FCaption = new QLabel(aCaption, FBar);
  FCaption->setObjectName(aName + QStringLiteral("Caption"));
  QFont f = FCaption->font();
  f.setBold(true);
  FCaption->setFont(f);
  FBarLayout->addWidget(FCaption, 1);
  outer->addWidget(FBar);
  FBody = new QWidget(this);
  FBodyLayout = new QVBoxLayout(FBody);
  FBodyLayout->setContentsMargins(0, 0, 0, 0);
  FBodyLayout->setSpacing(0);
  outer->addWidget(FBody, 1);
}

QToolButton* TCaptionPanel::AddButton(TIconIndex aIcon, const QString& aHint) {
  auto* b = new QToolButton(FBar);
  b->setIcon(TIconList::Shared().Icon(aIcon));
  b->setToolTip(aHint);
  b->setAutoRaise(true);
  b->setIconSize(QSize(16, 16));
  FBarLayout->addWidget(b);
  return b;
}

// A caption is one line: a file or node name of megabytes shows as its bounded prefix.
void TCaptionPanel::SetCaption(const QString& aText) {
  FCaption->setText(aText.size() > qsizetype(cFieldTextLength) ? ToQString(BoundedText(U16View(aText))) : aText);
}

QString TCaptionPanel::Caption() const { return FCaption->text(); }

int TCaptionPanel::BarHeight() const { return FBar->sizeHint().height(); }
