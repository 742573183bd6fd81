#include "Corvane.Control.MDIButtonGroup.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>

namespace {

const QColor cSelectedColor(0x87, 0xCE, 0xEB);  // sky blue
const QColor cUnderMouseColor(0xFF, 0xFF, 0x00);  // yellow
const QColor cEdgeColor(0x80, 0x80, 0x80);  // medium grey

constexpr int cIconSize = 16;
constexpr int cIconGap = 4;

}  // namespace

TMDIButtonGroup::TMDIButtonGroup(QWidget* aParent) : QWidget(aParent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_Hover);
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
  setFixedHeight(cButtonHeight);
}

void TMDIButtonGroup::AddButton(int aId, const QString& aCaption, const QIcon& aIcon) {
  const int index = IndexOf(aId);
  if (index >= 0) {
    FButtons[size_t(index)].Caption = aCaption;
    FButtons[size_t(index)].Icon = aIcon;
    update();
    return;
  }
  FButtons.push_back({aId, aCaption, aIcon});
  Relayout();
}

void TMDIButtonGroup::RemoveButton(int aId) {
  const int index = IndexOf(aId);
  if (index < 0) return;
  FButtons.erase(FButtons.begin() + index);
  if (FHot == aId) FHot = cNone;
  if (FUnderMouse == aId) FUnderMouse = cNone;
  if (FPressed == aId) {
    FPressed = cNone;
    FDragging = false;
  }
  if (FSelected == aId) {
    FSelected = cNone;
    emit SelectionChanged(cNone);
  }
  Relayout();
}

void TMDIButtonGroup::Clear() {
  const bool hadSelection = FSelected != cNone;
  FButtons.clear();
  FSelected = FHot = FUnderMouse = FPressed = cNone;
  FDragging = false;
  if (hadSelection) emit SelectionChanged(cNone);
  Relayout();
}

void TMDIButtonGroup::SetCaption(int aId, const QString& aCaption) {
  const int index = IndexOf(aId);
  if (index < 0) return;
  FButtons[size_t(index)].Caption = aCaption;
  update(ButtonRect(index));
}

void TMDIButtonGroup::SetIcon(int aId, const QIcon& aIcon) {
  const int index = IndexOf(aId);
  if (index < 0) return;
  FButtons[size_t(index)].Icon = aIcon;
  update(ButtonRect(index));
}

void TMDIButtonGroup::MoveButton(int aId, int aNewIndex) {
  const int index = IndexOf(aId);
  if (index < 0) return;
  aNewIndex = std::clamp(aNewIndex, 0, Count() - 1);
  if (aNewIndex == index) return;
  TButton button = std::move(FButtons[size_t(index)]);
  FButtons.erase(FButtons.begin() + index);
  FButtons.insert(FButtons.begin() + aNewIndex, std::move(button));
  update();
}

int TMDIButtonGroup::IdAt(int aIndex) const {
  return (aIndex >= 0 && aIndex < Count()) ? FButtons[size_t(aIndex)].Id : cNone;
}

int TMDIButtonGroup::IndexOf(int aId) const {
  for (size_t i = 0; i < FButtons.size(); ++i)
    if (FButtons[i].Id == aId) return int(i);
  return -1;
}

QString TMDIButtonGroup::Caption(int aId) const {
  const int index = IndexOf(aId);
  return index >= 0 ? FButtons[size_t(index)].Caption : QString();
}

int TMDIButtonGroup::Columns(int aWidth) const { return std::max(1, aWidth / cButtonWidth); }

QRect TMDIButtonGroup::ButtonRect(int aIndex) const {
  if (aIndex < 0 || aIndex >= Count()) return QRect();
  const int cols = Columns(width());
  return QRect((aIndex % cols) * cButtonWidth, (aIndex / cols) * cButtonHeight, cButtonWidth, cButtonHeight);
}

int TMDIButtonGroup::ButtonAt(const QPoint& aPos) const {
  if (aPos.x() < 0 || aPos.y() < 0) return cNone;
  const int cols = Columns(width());
  const int col = aPos.x() / cButtonWidth;
  if (col >= cols) return cNone;
  return IdAt((aPos.y() / cButtonHeight) * cols + col);
}

int TMDIButtonGroup::RowCount() const {
  const int cols = Columns(width());
  return std::max(1, (Count() + cols - 1) / cols);
}

int TMDIButtonGroup::heightForWidth(int aWidth) const {
  const int cols = Columns(aWidth);
  return std::max(1, (Count() + cols - 1) / cols) * cButtonHeight;
}

QSize TMDIButtonGroup::sizeHint() const { return QSize(cButtonWidth * std::max(1, Count()), cButtonHeight); }

QSize TMDIButtonGroup::minimumSizeHint() const { return QSize(cButtonWidth, cButtonHeight); }

void TMDIButtonGroup::Relayout() {
  // The bar grows to show every row: its height follows its width.
  const int h = heightForWidth(width());
  if (height() != h) setFixedHeight(h);
  updateGeometry();
  update();
}

void TMDIButtonGroup::SetSelected(int aId) {
  if (IndexOf(aId) < 0) aId = cNone;
  if (aId == FSelected) return;
  FSelected = aId;
  update();
  emit SelectionChanged(aId);
}

void TMDIButtonGroup::SetUnderMouse(int aId) {
  if (aId == FUnderMouse) return;
  FUnderMouse = aId;
  update();
}

void TMDIButtonGroup::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor face = palette().color(QPalette::Button);
  const QColor text = palette().color(QPalette::ButtonText);
  for (int i = 0; i < Count(); ++i) {
    const TButton& b = FButtons[size_t(i)];
    const QRect r = ButtonRect(i);
    QColor fill = face;
    if (b.Id == FSelected) fill = cSelectedColor;
    if (b.Id == FUnderMouse) fill = cUnderMouseColor;
    p.fillRect(r, fill);
    p.setPen(cEdgeColor);
    p.drawRect(r.adjusted(0, 0, -1, -1));

    int x = r.left() + cCaptionIndent;
    if (!b.Icon.isNull()) {
      b.Icon.paint(&p, QRect(x, r.top() + (cButtonHeight - cIconSize) / 2, cIconSize, cIconSize));
      x += cIconSize + cIconGap;
    }
    const QRect textRect(x, r.top(), r.right() - cCaptionIndent - x + 1, r.height());
    p.setPen(b.Id == FUnderMouse || b.Id == FSelected ? QColor(Qt::black) : text);
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
               fontMetrics().elidedText(b.Caption, Qt::ElideRight, textRect.width()));
  }
}

void TMDIButtonGroup::mousePressEvent(QMouseEvent* aEvent) {
  const int id = ButtonAt(aEvent->position().toPoint());
  FHot = id;  // any button of the mouse, and none when the press hit no button
  if (aEvent->button() == Qt::LeftButton) {
    FPressed = id;
    FPressPos = aEvent->position().toPoint();
    FDragging = false;
  }
  aEvent->accept();
}

void TMDIButtonGroup::mouseMoveEvent(QMouseEvent* aEvent) {
  const QPoint pos = aEvent->position().toPoint();
  SetUnderMouse(ButtonAt(pos));
  if (FPressed == cNone || !(aEvent->buttons() & Qt::LeftButton)) return;
  if (!FDragging && (pos - FPressPos).manhattanLength() >= QApplication::startDragDistance())
    FDragging = true;
  if (!FDragging) return;
  const int target = ButtonAt(pos);
  if (target != cNone && target != FPressed) {
    const int newIndex = IndexOf(target);
    MoveButton(FPressed, newIndex);
    emit ButtonMoved(FPressed, newIndex);
  }
}

void TMDIButtonGroup::mouseReleaseEvent(QMouseEvent* aEvent) {
  if (aEvent->button() != Qt::LeftButton) return;
  const int pressed = FPressed;
  const bool dragged = FDragging;
  FPressed = cNone;
  FDragging = false;
  if (pressed == cNone || dragged) return;
  if (ButtonAt(aEvent->position().toPoint()) != pressed) return;
  SetSelected(pressed);
  emit ButtonClicked(pressed);
}

void TMDIButtonGroup::leaveEvent(QEvent*) { SetUnderMouse(cNone); }

void TMDIButtonGroup::wheelEvent(QWheelEvent* aEvent) {
  // The wheel does nothing here, and must not scroll whatever holds the bar either.
  aEvent->accept();
}

void TMDIButtonGroup::contextMenuEvent(QContextMenuEvent* aEvent) {
  // A menu opened from the keyboard has had no press: the hot button is what the
  // caret-less bar can offer, the selected one.
  if (aEvent->reason() != QContextMenuEvent::Mouse) FHot = FSelected;
  emit ContextMenuRequested(FHot, aEvent->globalPos());
  if (FMenu) FMenu->popup(aEvent->globalPos());
  aEvent->accept();
}

void TMDIButtonGroup::resizeEvent(QResizeEvent* aEvent) {
  QWidget::resizeEvent(aEvent);
  Relayout();
}

bool TMDIButtonGroup::event(QEvent* aEvent) {
  if (aEvent->type() == QEvent::ToolTip) {
    // The full caption when the button shows it cut.
    auto* help = static_cast<QHelpEvent*>(aEvent);
    const int index = IndexOf(ButtonAt(help->pos()));
    if (index >= 0) {
      const TButton& b = FButtons[size_t(index)];
      const int room = cButtonWidth - 2 * cCaptionIndent - (b.Icon.isNull() ? 0 : cIconSize + cIconGap);
      if (fontMetrics().horizontalAdvance(b.Caption) > room) {
        QToolTip::showText(help->globalPos(), b.Caption, this, ButtonRect(index));
        return true;
      }
    }
    QToolTip::hideText();
    aEvent->ignore();
    return true;
  }
  return QWidget::event(aEvent);
}
