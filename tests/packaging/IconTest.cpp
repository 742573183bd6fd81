// The installed program icon is an SVG drawing of the window icon that the program paints in
// code. The two are kept by hand, so a change to one that is not made to the other would
// show one picture in the applications menu and another on the window.
#include "Corvane.Control.Icons.h"

#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

QImage RenderSvg(int aSide) {
  QSvgRenderer renderer(QStringLiteral(QUILLON_ICON_SVG));
  EXPECT_TRUE(renderer.isValid());
  QImage image(aSide, aSide, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  renderer.render(&p, QRectF(0, 0, aSide, aSide));
  p.end();
  return image;
}

// Largest difference of any channel over all pixels, and the number of pixels that differ by
// more than a rounding step.
struct TDifference {
  int Largest = 0;
  int Pixels = 0;
};

TDifference Compare(const QImage& a, const QImage& b) {
  TDifference d;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      const int diff = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                 std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
      d.Largest = std::max(d.Largest, diff);
      if (diff > 8) ++d.Pixels;
    }
  return d;
}

TEST(ProgramIcon, SvgDrawsTheWindowIcon) {
  for (const qreal ratio : {1.0, 2.0}) {
    SCOPED_TRACE(ratio);
    const QImage drawn = TIconList::Render(iiDocument, ratio).convertToFormat(QImage::Format_ARGB32);
    const QImage svg = RenderSvg(drawn.width()).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(svg.size(), drawn.size());
    const TDifference d = Compare(drawn, svg);
    EXPECT_EQ(d.Pixels, 0) << "largest channel difference " << d.Largest;
  }
}

// A different glyph must not pass the comparison above.
TEST(ProgramIcon, ComparisonTellsGlyphsApart) {
  const QImage other = TIconList::Render(iiOpen, 1.0).convertToFormat(QImage::Format_ARGB32);
  EXPECT_GT(Compare(other, RenderSvg(16).convertToFormat(QImage::Format_ARGB32)).Pixels, 10);
}

}  // namespace
