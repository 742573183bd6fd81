// The window bar: one button per document window, each bound to an id chosen by the
// owner. Buttons are 150 x 22 pixels and fill the bar's width row by row; the bar's height
// grows to as many rows as needed. The selected button (the active window's) is sky blue,
// the one under the mouse yellow. The hot button is the one last pressed with any mouse
// button, or none when a press hit no button; commands of the bar's menu act on it.
#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>

#include <vector>

class QMenu;

class TMDIButtonGroup : public QWidget {
  Q_OBJECT
public:
  static constexpr int cButtonWidth = 150;
  static constexpr int cButtonHeight = 22;
  static constexpr int cCaptionIndent = 5;
  static constexpr int cNone = -1;

  explicit TMDIButtonGroup(QWidget* aParent = nullptr);

  // Appends a button; an id that is already there only gets the new caption and icon.
  void AddButton(int aId, const QString& aCaption, const QIcon& aIcon = QIcon());
  // Removes the button; when it was selected or hot, nothing is selected or hot after.
  void RemoveButton(int aId);
  void Clear();
  void SetCaption(int aId, const QString& aCaption);
  void SetIcon(int aId, const QIcon& aIcon);
  // Moves a button to another position (clamped to the ends).
  void MoveButton(int aId, int aNewIndex);

  bool Contains(int aId) const { return IndexOf(aId) >= 0; }
  int Count() const { return int(FButtons.size()); }
  int IdAt(int aIndex) const;  // cNone when out of range
  int IndexOf(int aId) const;  // -1 when absent
  QString Caption(int aId) const;
  // The button under a point of the widget, or cNone.
  int ButtonAt(const QPoint& aPos) const;
  QRect ButtonRect(int aIndex) const;

  // Selects a button, or none with cNone (an unknown id also selects none).
  void SetSelected(int aId);
  int Selected() const { return FSelected; }
  int Hot() const { return FHot; }

  // Shown on a right click after ContextMenuRequested, with the hot button already set.
  void SetContextMenu(QMenu* aMenu) { FMenu = aMenu; }
  QMenu* ContextMenu() const { return FMenu; }

  int RowCount() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int aWidth) const override;

signals:
  // A button was chosen with the left mouse button; it is already selected.
  void ButtonClicked(int aId);
  // A right click on the bar; aId is the hot button or cNone.
  void ContextMenuRequested(int aId, const QPoint& aGlobalPos);
  // The user dragged a button to another position.
  void ButtonMoved(int aId, int aNewIndex);
  void SelectionChanged(int aId);

protected:
  void paintEvent(QPaintEvent* aEvent) override;
  void mousePressEvent(QMouseEvent* aEvent) override;
  void mouseMoveEvent(QMouseEvent* aEvent) override;
  void mouseReleaseEvent(QMouseEvent* aEvent) override;
  void leaveEvent(QEvent* aEvent) override;
  void wheelEvent(QWheelEvent* aEvent) override;
  void contextMenuEvent(QContextMenuEvent* aEvent) override;
  void resizeEvent(QResizeEvent* aEvent) override;
  bool event(QEvent* aEvent) override;

private:
  struct TButton {
    int Id;
    QString Caption;
    QIcon Icon;
  };

  int Columns(int aWidth) const;
  void Relayout();
  void SetUnderMouse(int aId);

  std::vector<TButton> FButtons;
  int FSelected = cNone;
  int FHot = cNone;
  int FUnderMouse = cNone;
  int FPressed = cNone;  // left press waiting for its release
  QPoint FPressPos;
  bool FDragging = false;
  QMenu* FMenu = nullptr;
};
