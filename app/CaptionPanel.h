// A panel with a caption bar (bold text and optional tool buttons) above its body, as the
// document window's XML Tree, Details and Messages panels use it.
#pragma once

#include <QFrame>

#include "IconIndex.h"

class QHBoxLayout;
class QLabel;
class QToolButton;
class QVBoxLayout;

class TCaptionPanel : public QFrame {
public:
  // aName: the object name; the caption label is aName + "Caption".
  TCaptionPanel(const QString& aCaption, const QString& aName, QWidget* aParent);
  // A button at the right end of the caption bar; iiNone: no icon (give it an arrow instead).
  QToolButton* AddButton(TIconIndex aIcon, const QString& aHint);
  void SetCaption(const QString& aText);
  QString Caption() const;
  QVBoxLayout* Body() const { return FBodyLayout; }
  QWidget* BodyWidget() const { return FBody; }
  int BarHeight() const;

private:
  QWidget* FBar;
  QHBoxLayout* FBarLayout;
  QLabel* FCaption;
  QWidget* FBody;
  QVBoxLayout* FBodyLayout;
};
