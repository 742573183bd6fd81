// The picture view of the value pane: the picture centred, optionally fitted (proportionally,
// never enlarged) and drawn with or without its transparency.
#pragma once

#include <QWidget>

#include "ValuePicture.h"

class TImageView : public QWidget {
public:
  explicit TImageView(QWidget* aParent);
  void SetPicture(const TValuePicture& aPicture);
  void Clear();
  const TValuePicture& Picture() const { return FPicture; }
  bool Fit() const { return FFit; }
  void SetFit(bool aOn);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool aOn);

protected:
  void paintEvent(QPaintEvent*) override;

private:
  TValuePicture FPicture;
  bool FFit = true;
  bool FTransparent = false;
};
