#include "Corvane.Control.Icons.h"
#include "Corvane.Control.MDIButtonGroup.h"

#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

int OpaquePixels(const QImage& aImage) {
  int n = 0;
  for (int y = 0; y < aImage.height(); ++y)
    for (int x = 0; x < aImage.width(); ++x)
      if (qAlpha(aImage.pixel(x, y)) > 128) ++n;
  return n;
}

TEST(IconList, FortyFiveDistinctVisibleIconsAtBothRatios) {
  const TIconList& icons = TIconList::Shared();
  ASSERT_EQ(icons.Count(), 45);
  std::vector<QImage> seen;
  for (int i = 0; i < icons.Count(); ++i) {
    const QImage one = TIconList::Render(i, 1.0);
    const QImage two = TIconList::Render(i, 2.0);
    ASSERT_EQ(one.size(), QSize(16, 16)) << i;
    ASSERT_EQ(two.size(), QSize(32, 32)) << i;
    EXPECT_GT(OpaquePixels(one), 20) << i;  // a glyph, not a speck
    EXPECT_GT(OpaquePixels(two), 80) << i;
    if (i != iiFullCollapse) {  // 5 doubles as the window title item
      for (size_t j = 0; j < seen.size(); ++j) EXPECT_NE(one, seen[j]) << i << " looks like " << j;
    }
    seen.push_back(one);

    const QPixmap pixmap = icons.Icon(i).pixmap(QSize(16, 16), 2.0);
    EXPECT_EQ(pixmap.deviceIndependentSize(), QSizeF(16, 16)) << i;
  }
  EXPECT_TRUE(icons.Icon(-1).isNull());
  EXPECT_TRUE(icons.Icon(45).isNull());
  EXPECT_TRUE(icons.Pixmap(45).isNull());
}

class ButtonGroup : public ::testing::Test {
protected:
  void SetUp() override {
    Bar.resize(2 * TMDIButtonGroup::cButtonWidth + 10, TMDIButtonGroup::cButtonHeight);
    Bar.show();
  }
  QPoint CentreOf(int aId) const { return Bar.ButtonRect(Bar.IndexOf(aId)).center(); }

  TMDIButtonGroup Bar;
};

TEST_F(ButtonGroup, ButtonsFillRowsAndTheBarGrows) {
  for (int id = 1; id <= 5; ++id) Bar.AddButton(id * 10, QString("file%1.xml").arg(id));
  EXPECT_EQ(Bar.Count(), 5);
  EXPECT_EQ(Bar.RowCount(), 3);  // two per row
  EXPECT_EQ(Bar.height(), 3 * TMDIButtonGroup::cButtonHeight);
  EXPECT_EQ(Bar.ButtonRect(3), QRect(150, 22, 150, 22));
  EXPECT_EQ(Bar.ButtonAt(QPoint(155, 25)), 40);
  EXPECT_EQ(Bar.ButtonAt(QPoint(305, 5)), TMDIButtonGroup::cNone);  // right of the last column
  EXPECT_EQ(Bar.ButtonAt(QPoint(155, 50)), TMDIButtonGroup::cNone);  // behind the last button

  Bar.RemoveButton(50);
  Bar.RemoveButton(40);
  EXPECT_EQ(Bar.height(), 2 * TMDIButtonGroup::cButtonHeight);
  Bar.resize(1000, Bar.height());
  EXPECT_EQ(Bar.height(), TMDIButtonGroup::cButtonHeight);
}

TEST_F(ButtonGroup, SelectionRenameAndRemoval) {
  QSignalSpy selection(&Bar, &TMDIButtonGroup::SelectionChanged);
  Bar.AddButton(1, "a.xml");
  Bar.AddButton(2, "b.xml");
  Bar.SetSelected(2);
  EXPECT_EQ(Bar.Selected(), 2);
  Bar.SetSelected(99);  // unknown: nothing selected
  EXPECT_EQ(Bar.Selected(), TMDIButtonGroup::cNone);
  Bar.SetSelected(2);

  Bar.SetCaption(2, "renamed.xml");
  Bar.AddButton(1, "again.xml");  // an existing id is renamed, not added
  EXPECT_EQ(Bar.Count(), 2);
  EXPECT_EQ(Bar.Caption(1), "again.xml");
  EXPECT_EQ(Bar.Caption(2), "renamed.xml");

  Bar.MoveButton(2, 0);
  EXPECT_EQ(Bar.IdAt(0), 2);
  EXPECT_EQ(Bar.IdAt(1), 1);

  Bar.RemoveButton(2);
  EXPECT_EQ(Bar.Selected(), TMDIButtonGroup::cNone);
  EXPECT_EQ(selection.count(), 4);  // 2, none, 2, none
  EXPECT_EQ(selection.last().at(0).toInt(), TMDIButtonGroup::cNone);
}

TEST_F(ButtonGroup, PressesSetTheHotButtonAndLeftClicksChoose) {
  Bar.AddButton(1, "a.xml");
  Bar.AddButton(2, "b.xml");
  QSignalSpy clicked(&Bar, &TMDIButtonGroup::ButtonClicked);

  QTest::mouseClick(&Bar, Qt::RightButton, {}, CentreOf(2));
  EXPECT_EQ(Bar.Hot(), 2);
  EXPECT_EQ(clicked.count(), 0);  // only the left button chooses
  EXPECT_EQ(Bar.Selected(), TMDIButtonGroup::cNone);

  QTest::mouseClick(&Bar, Qt::LeftButton, {}, CentreOf(1));
  EXPECT_EQ(Bar.Hot(), 1);
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked.at(0).at(0).toInt(), 1);
  EXPECT_EQ(Bar.Selected(), 1);

  QTest::mouseClick(&Bar, Qt::MiddleButton, {}, QPoint(Bar.width() - 2, 5));  // no button there
  EXPECT_EQ(Bar.Hot(), TMDIButtonGroup::cNone);
  EXPECT_EQ(Bar.Selected(), 1);

  Bar.RemoveButton(1);
  QTest::mousePress(&Bar, Qt::LeftButton, {}, CentreOf(2));
  Bar.RemoveButton(2);  // the window closed while the button was held
  QTest::mouseRelease(&Bar, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(Bar.Hot(), TMDIButtonGroup::cNone);
}

TEST_F(ButtonGroup, ContextMenuNamesTheHotButton) {
  Bar.AddButton(7, "a.xml");
  QSignalSpy requested(&Bar, &TMDIButtonGroup::ContextMenuRequested);
  QTest::mousePress(&Bar, Qt::RightButton, {}, CentreOf(7));
  QContextMenuEvent event(QContextMenuEvent::Mouse, CentreOf(7), Bar.mapToGlobal(CentreOf(7)));
  QApplication::sendEvent(&Bar, &event);
  ASSERT_EQ(requested.count(), 1);
  EXPECT_EQ(requested.at(0).at(0).toInt(), 7);
}

}  // namespace
