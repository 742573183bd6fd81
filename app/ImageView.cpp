#include "ImageView.h"

#include <QPainter>

TImageView::TImageView(QWidget* aParent) : QWidget(aParent) {
  setObjectName(QStringLiteral("ImageView"));
  setAutoFillBackground(true);
}

void TImageView::SetPicture(const TValuePicture& aPicture) {
  FPicture = aPicture;
  update();
}

void TImageView::Clear() {
  FPicture = TValuePicture();
  update();
}

void TImageView::SetFit(bool aOn) {
  FFit = aOn;
  update();
}

void TImageView::SetTransparent(bool aOn) {
  FTransparent = aOn;
  update();
}

void TImageView::paintEvent(QPaintEvent*) {
  if (FPicture.Image.isNull()) return;
  QPainter p(this);
  QSize size = FPicture.Image.size();
  if (FFit && (size.width() > width() || size.height() > height())) size.scale(this->size(), Qt::KeepAspectRatio);
  const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
  p.setRenderHint(QPainter::SmoothPixmapTransform, size != FPicture.Image.size());
  if (!FTransparent) p.fillRect(target, Qt::white);
  p.drawImage(target, FPicture.Image);
}
