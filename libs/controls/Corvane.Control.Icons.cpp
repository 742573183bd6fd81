#include "Corvane.Control.Icons.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// One palette for the whole set.
const QColor cInk(0x37, 0x41, 0x4B);
const QColor cPaper(0xFF, 0xFF, 0xFF);
const QColor cShade(0xDD, 0xE3, 0xEA);
const QColor cBlue(0x2E, 0x78, 0xD2);
const QColor cBlueDark(0x1D, 0x56, 0x9E);
const QColor cBlueLight(0xC4, 0xDC, 0xF7);
const QColor cGreen(0x2F, 0x9B, 0x4E);
const QColor cGreenDark(0x23, 0x76, 0x3B);
const QColor cRed(0xD6, 0x45, 0x41);
const QColor cRedDark(0xA8, 0x2E, 0x2B);
const QColor cAmber(0xE9, 0xA2, 0x3B);
const QColor cAmberDark(0xB7, 0x76, 0x1C);
const QColor cAmberLight(0xFC, 0xDF, 0xA6);
const QColor cPurple(0x82, 0x57, 0xC2);
const QColor cTeal(0x1F, 0x94, 0x94);
const QColor cGrey(0x8A, 0x94, 0x9E);
const QColor cGreyLight(0xE6, 0xEA, 0xEE);

QPen Pen(const QColor& c, qreal w = 1.0) { return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin); }
QPen SquarePen(const QColor& c, qreal w = 1.0) { return QPen(c, w, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin); }

// Rectangles are given on the pixel grid (x, y, w, h covering whole pixels); the outline
// runs through the middle of the edge pixels so that it stays sharp at ratio 1.
QRectF Inner(qreal x, qreal y, qreal w, qreal h) { return QRectF(x + 0.5, y + 0.5, w - 1, h - 1); }

void Box(QPainter& p, qreal x, qreal y, qreal w, qreal h, const QColor& fill, const QColor& edge) {
  p.setPen(SquarePen(edge));
  p.setBrush(fill);
  p.drawRect(Inner(x, y, w, h));
}

void RoundBox(QPainter& p, qreal x, qreal y, qreal w, qreal h, const QColor& fill, const QColor& edge,
              qreal r = 2.0) {
  p.setPen(Pen(edge));
  p.setBrush(fill);
  p.drawRoundedRect(Inner(x, y, w, h), r, r);
}

// A sheet of paper with a folded top-right corner.
void Page(QPainter& p, qreal x, qreal y, qreal w, qreal h, qreal fold = 4) {
  const QRectF r = Inner(x, y, w, h);
  QPainterPath path;
  path.moveTo(r.left(), r.top());
  path.lineTo(r.right() - fold, r.top());
  path.lineTo(r.right(), r.top() + fold);
  path.lineTo(r.right(), r.bottom());
  path.lineTo(r.left(), r.bottom());
  path.closeSubpath();
  p.setPen(Pen(cInk));
  p.setBrush(cPaper);
  p.drawPath(path);
  QPainterPath corner;
  corner.moveTo(r.right() - fold, r.top());
  corner.lineTo(r.right() - fold, r.top() + fold);
  corner.lineTo(r.right(), r.top() + fold);
  p.setBrush(cShade);
  p.drawPath(corner);
}

// Text lines on a page.
void Lines(QPainter& p, qreal x, qreal y, const std::initializer_list<int>& lengths, qreal step = 2,
           const QColor& c = cGrey) {
  p.setPen(SquarePen(c));
  qreal yy = y + 0.5;
  for (int len : lengths) {
    if (len > 0) p.drawLine(QPointF(x, yy), QPointF(x + len - 1, yy));
    yy += step;
  }
}

// A small window: frame, blue title bar, white client.
void Window(QPainter& p, qreal x, qreal y, qreal w, qreal h, const QColor& title = cBlue) {
  Box(p, x, y, w, h, cPaper, cInk);
  p.setPen(Qt::NoPen);
  p.setBrush(title);
  p.drawRect(QRectF(x + 1, y + 1, w - 2, 2));
}

// A caption button face for the window commands.
void ButtonFace(QPainter& p) { RoundBox(p, 1, 1, 14, 14, cGreyLight, cGrey, 2.5); }

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c, qreal width = 2.0, qreal head = 3.5) {
  p.setPen(Pen(c, width));
  const QPointF d = to - from;
  const qreal len = std::hypot(d.x(), d.y());
  if (len <= 0) return;
  const QPointF u = d / len;
  const QPointF n(-u.y(), u.x());
  p.drawLine(from, to - u * 1.0);
  QPolygonF tip;
  tip << to + u * 0.5 << to - u * head + n * head << to - u * head - n * head;
  p.setPen(Pen(c, 1));
  p.setBrush(c);
  p.drawPolygon(tip);
}

// A round badge with a light rim.
void Disc(QPainter& p, qreal cx, qreal cy, qreal r, const QColor& fill, const QColor& edge) {
  p.setPen(Pen(edge));
  p.setBrush(fill);
  p.drawEllipse(QPointF(cx, cy), r, r);
}

void Cross(QPainter& p, qreal cx, qreal cy, qreal half, const QColor& c, qreal width = 2.0) {
  p.setPen(Pen(c, width));
  p.drawLine(QPointF(cx - half, cy - half), QPointF(cx + half, cy + half));
  p.drawLine(QPointF(cx - half, cy + half), QPointF(cx + half, cy - half));
}

// A question mark whose bowl spans [cx-2.5, cx+2.5] from top y.
void Question(QPainter& p, qreal cx, qreal y, const QColor& c) {
  p.setPen(Pen(c, 1.6));
  p.setBrush(Qt::NoBrush);
  QPainterPath q;
  q.moveTo(cx - 2.3, y + 2.2);
  q.cubicTo(cx - 2.3, y - 0.6, cx + 2.5, y - 0.6, cx + 2.5, y + 2.0);
  q.cubicTo(cx + 2.5, y + 3.8, cx, y + 3.6, cx, y + 5.8);
  p.drawPath(q);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawEllipse(QPointF(cx, y + 8.2), 1.0, 1.0);
}

void Magnifier(QPainter& p, qreal cx, qreal cy, qreal r, QPointF handleEnd) {
  const QPointF c(cx, cy);
  const QPointF d = handleEnd - c;
  const QPointF u = d / std::hypot(d.x(), d.y());
  p.setPen(Pen(cInk, 2.5));
  p.drawLine(c + u * (r + 1.0), handleEnd);
  p.setPen(Pen(cInk, 1.5));
  p.setBrush(cBlueLight);
  p.drawEllipse(c, r, r);
  p.setPen(Pen(cPaper, 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(cx - r + 1.5, cy - r + 1.5, 2 * r - 3, 2 * r - 3), 100 * 16, 70 * 16);
}

// A curved arrow from the left or the right, for undo and redo.
void CurvedArrow(QPainter& p, bool toRight) {
  p.save();
  if (!toRight) {
    p.translate(16, 0);
    p.scale(-1, 1);
  }
  QPainterPath path;
  path.moveTo(3, 13);
  path.cubicTo(1.5, 7.0, 5.5, 4.5, 10.0, 5.5);
  p.setPen(Pen(cBlue, 2.0));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
  QPolygonF tip;
  tip << QPointF(14.5, 6.0) << QPointF(9.0, 1.5) << QPointF(9.0, 10.0);
  p.setPen(Pen(cBlue, 1));
  p.setBrush(cBlue);
  p.drawPolygon(tip);
  p.restore();
}

void NodeBadge(QPainter& p, const QColor& fill, const QColor& edge) { RoundBox(p, 1, 2, 14, 12, fill, edge, 3); }

void Draw(QPainter& p, int index) {
  switch (index) {
    case iiExit: {
      // A door left open, and the way out.
      Box(p, 2, 1, 8, 14, cAmberLight, cInk);
      QPolygonF leaf;
      leaf << QPointF(2.5, 1.5) << QPointF(6.5, 3.5) << QPointF(6.5, 15.5) << QPointF(2.5, 14.5);
      p.setPen(Pen(cInk));
      p.setBrush(cAmber);
      p.drawPolygon(leaf);
      p.setPen(Qt::NoPen);
      p.setBrush(cInk);
      p.drawEllipse(QPointF(5.3, 9.0), 0.7, 0.7);
      Arrow(p, QPointF(8.0, 8.0), QPointF(15.0, 8.0), cRed, 2.0, 3.0);
      break;
    }
    case iiCascade:
      Window(p, 0, 0, 10, 8);
      Window(p, 3, 3, 10, 8);
      Window(p, 6, 6, 10, 9);
      break;
    case iiTileHorizontal:
      Window(p, 1, 1, 14, 7);
      Window(p, 1, 8, 14, 7);
      break;
    case iiTileVertical:
      Window(p, 1, 1, 7, 14);
      Window(p, 8, 1, 7, 14);
      break;
    case iiFullExpand:
    case iiFullCollapse: {
      Box(p, 5, 1, 10, 10, cShade, cGrey);
      Box(p, 1, 5, 10, 10, cPaper, cInk);
      p.setPen(SquarePen(cBlue, 2));
      p.drawLine(QPointF(3.5, 10), QPointF(8.5, 10));
      if (index == iiFullExpand) p.drawLine(QPointF(6, 7.5), QPointF(6, 12.5));
      break;
    }
    case iiRestore:
      ButtonFace(p);
      Box(p, 6, 3, 7, 6, cPaper, cInk);
      p.fillRect(QRectF(6, 3, 7, 2), cInk);
      Box(p, 3, 7, 7, 6, cPaper, cInk);
      p.fillRect(QRectF(3, 7, 7, 2), cInk);
      break;
    case iiMinimize:
      ButtonFace(p);
      p.fillRect(QRectF(4, 10, 8, 2), cInk);
      break;
    case iiMaximize:
      ButtonFace(p);
      Box(p, 4, 4, 8, 8, cPaper, cInk);
      p.fillRect(QRectF(4, 4, 8, 2), cInk);
      break;
    case iiClose:
      ButtonFace(p);
      Cross(p, 8, 8, 3.0, cRed, 2.0);
      break;
    case iiCloseAll:
      Window(p, 0, 0, 11, 9, cGrey);
      Window(p, 4, 4, 11, 11, cGrey);
      Cross(p, 9.5, 10.0, 2.5, cRed, 2.0);
      break;
    case iiOpen: {
      // Folder body with its tab, and the open front flap.
      QPainterPath back;
      back.moveTo(1.5, 13.5);
      back.lineTo(1.5, 3.5);
      back.lineTo(5.5, 3.5);
      back.lineTo(7.0, 5.0);
      back.lineTo(12.5, 5.0);
      back.lineTo(12.5, 7.0);
      p.setPen(Pen(cAmberDark));
      p.setBrush(cAmber);
      p.drawPath(back);
      QPolygonF flap;
      flap << QPointF(1.5, 13.5) << QPointF(4.0, 7.5) << QPointF(15.0, 7.5) << QPointF(12.5, 13.5);
      p.setBrush(cAmberLight);
      p.drawPolygon(flap);
      break;
    }
    case iiMinimizeAll:
      Window(p, 0, 0, 11, 9, cGrey);
      Window(p, 4, 4, 11, 11, cGrey);
      p.fillRect(QRectF(6.5, 11, 6, 2), cInk);
      break;
    case iiDocument:
      Page(p, 2, 0, 12, 16);
      p.setPen(Pen(cBlue, 1.5));
      p.drawPolyline(QPolygonF() << QPointF(7.0, 6.5) << QPointF(4.5, 9.0) << QPointF(7.0, 11.5));
      p.drawPolyline(QPolygonF() << QPointF(9.0, 6.5) << QPointF(11.5, 9.0) << QPointF(9.0, 11.5));
      break;
    case iiPrint:
      Box(p, 4, 1, 8, 6, cPaper, cInk);  // paper going in
      RoundBox(p, 1, 6, 14, 7, cGrey, cInk, 1.5);
      Box(p, 4, 10, 8, 5, cPaper, cInk);  // printed sheet
      Lines(p, 5.5, 12, {5}, 2, cBlue);
      p.setPen(Qt::NoPen);
      p.setBrush(cGreen);
      p.drawEllipse(QPointF(12.5, 8.5), 0.9, 0.9);
      break;
    case iiSearch:
      Magnifier(p, 6.5, 6.5, 4.5, QPointF(14.0, 14.0));
      break;
    case iiSearchNext: {
      Magnifier(p, 6.5, 6.0, 4.5, QPointF(10.5, 10.0));
      QPolygonF play;
      play << QPointF(9.5, 9.0) << QPointF(15.5, 12.5) << QPointF(9.5, 16.0);
      p.setPen(Pen(cGreenDark));
      p.setBrush(cGreen);
      p.drawPolygon(play);
      break;
    }
    case iiEmptyElement:
      NodeBadge(p, cBlueLight, cBlue);
      p.setPen(Pen(cBlueDark, 1.5));
      p.drawLine(QPointF(4.5, 11.0), QPointF(7.5, 5.0));
      p.drawPolyline(QPolygonF() << QPointF(9.0, 5.0) << QPointF(12.0, 8.0) << QPointF(9.0, 11.0));
      break;
    case iiElement:
      NodeBadge(p, cBlue, cBlueDark);
      p.setPen(Pen(cPaper, 1.5));
      p.drawPolyline(QPolygonF() << QPointF(6.5, 5.0) << QPointF(3.5, 8.0) << QPointF(6.5, 11.0));
      p.drawPolyline(QPolygonF() << QPointF(9.5, 5.0) << QPointF(12.5, 8.0) << QPointF(9.5, 11.0));
      break;
    case iiAttribute:
      NodeBadge(p, cGreen, cGreenDark);
      p.fillRect(QRectF(4, 5, 8, 2), cPaper);
      p.fillRect(QRectF(4, 9, 8, 2), cPaper);
      break;
    case iiProcessingInstruction:
      NodeBadge(p, cPurple, cPurple.darker(130));
      Question(p, 8, 3.5, cPaper);
      break;
    case iiComment: {
      QPainterPath bubble;
      bubble.addRoundedRect(QRectF(1.5, 2.5, 13, 9), 3, 3);
      QPolygonF tail;
      tail << QPointF(4.0, 11.0) << QPointF(3.5, 14.5) << QPointF(8.0, 11.0);
      QPainterPath tailPath;
      tailPath.addPolygon(tail);
      tailPath.closeSubpath();
      p.setPen(Pen(cTeal.darker(130)));
      p.setBrush(cTeal);
      p.drawPath(bubble.united(tailPath));
      p.setPen(Qt::NoPen);
      p.setBrush(cPaper);
      for (qreal x : {5.0, 8.0, 11.0}) p.drawEllipse(QPointF(x, 7.0), 1.0, 1.0);
      break;
    }
    case iiParsingTime:
      Disc(p, 8, 8, 6.5, cPaper, cBlueDark);
      p.setPen(Pen(cBlue, 1.0));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(8, 8), 5.5, 5.5);
      p.setPen(Pen(cInk, 1.5));
      p.drawLine(QPointF(8, 8), QPointF(8, 4));
      p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
      break;
    case iiPath:
      p.setPen(SquarePen(cInk));
      p.drawLine(QPointF(3.5, 5), QPointF(3.5, 12.5));
      p.drawLine(QPointF(3.5, 8.5), QPointF(8, 8.5));
      p.drawLine(QPointF(3.5, 12.5), QPointF(8, 12.5));
      Box(p, 1, 1, 6, 5, cBlue, cBlueDark);
      Box(p, 8, 7, 7, 4, cBlueLight, cBlue);
      Box(p, 8, 11, 7, 4, cBlueLight, cBlue);
      break;
    case iiWarning: {
      QPolygonF tri;
      tri << QPointF(8.0, 1.0) << QPointF(15.2, 14.5) << QPointF(0.8, 14.5);
      p.setPen(Pen(cAmberDark));
      p.setBrush(cAmber);
      p.drawPolygon(tri);
      p.fillRect(QRectF(7, 5, 2, 5), cInk);
      p.fillRect(QRectF(7, 11, 2, 2), cInk);
      break;
    }
    case iiAbout:
      Disc(p, 8, 8, 6.5, cBlue, cBlueDark);
      p.fillRect(QRectF(7, 3, 2, 2), cPaper);
      p.fillRect(QRectF(7, 6, 2, 6), cPaper);
      p.fillRect(QRectF(6, 12, 4, 1), cPaper);
      break;
    case iiText:
      RoundBox(p, 1, 2, 14, 12, cGreyLight, cGrey, 3);
      Lines(p, 4, 5, {8, 6, 8}, 3, cInk);
      break;
    case iiError:
      Disc(p, 8, 8, 6.5, cRed, cRedDark);
      Cross(p, 8, 8, 2.5, cPaper, 2.0);
      break;
    case iiFileSize: {
      // A storage cylinder: three stacked platters.
      p.setPen(Pen(cBlueDark));
      p.setBrush(cBlueLight);
      QPainterPath body;
      body.moveTo(2.5, 3.5);
      body.lineTo(2.5, 12.5);
      body.arcTo(QRectF(2.5, 10.5, 11, 4), 180, 180);
      body.lineTo(13.5, 3.5);
      p.drawPath(body);
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(2.5, 6.5, 11, 4), 180 * 16, 180 * 16);
      p.setBrush(cPaper);
      p.drawEllipse(QRectF(2.5, 1.5, 11, 4));
      break;
    }
    case iiRefresh: {
      p.setPen(Pen(cGreen, 2.0));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(2.5, 2.5, 11, 11), 70 * 16, 290 * 16);
      QPolygonF tip;
      tip << QPointF(6.5, 0.5) << QPointF(11.0, 3.0) << QPointF(6.5, 6.5);
      p.setPen(Pen(cGreen, 1));
      p.setBrush(cGreen);
      p.drawPolygon(tip);
      break;
    }
    case iiClear:
      Disc(p, 8, 8, 6, cGrey, cGrey.darker(120));
      Cross(p, 8, 8, 2.5, cPaper, 1.8);
      break;
    case iiExport:
      Page(p, 1, 0, 10, 15);
      Lines(p, 3, 5, {5, 4, 5}, 2);
      Arrow(p, QPointF(6.0, 11.5), QPointF(15.0, 11.5), cGreen, 2.0, 3.0);
      break;
    case iiOptions:
      RoundBox(p, 1, 1, 14, 14, cBlue, cBlueDark, 2.5);
      p.setPen(Pen(cPaper, 2.0));
      p.drawPolyline(QPolygonF() << QPointF(4.0, 8.0) << QPointF(7.0, 11.0) << QPointF(12.0, 5.0));
      break;
    case iiXMLDeclaration: {
      // "xml" in a pixel font: whole-pixel cells stay sharp at every ratio.
      NodeBadge(p, cAmber, cAmberDark);
      static const char* const glyph[7] = {
          "..........X",
          "..........X",
          "X.X.XXXX..X",
          "X.X.X.X.X.X",
          ".X..X.X.X.X",
          "X.X.X.X.X.X",
          "X.X.X.X.X.X"};
      for (int row = 0; row < 7; ++row)
        for (int col = 0; glyph[row][col]; ++col)
          if (glyph[row][col] == 'X') p.fillRect(QRectF(3 + col, 4 + row, 1, 1), cPaper);
      break;
    }
    case iiSave:
      RoundBox(p, 1, 1, 14, 14, cBlue, cBlueDark, 1.5);
      Box(p, 4, 1, 8, 6, cPaper, cBlueDark);     // label
      p.fillRect(QRectF(9, 2, 2, 4), cBlueDark);  // shutter window
      Box(p, 4, 10, 8, 5, cBlueLight, cBlueDark);
      break;
    case iiFindReplace:
      Magnifier(p, 5.5, 5.5, 4.0, QPointF(8.5, 8.5));
      Arrow(p, QPointF(9.0, 11.0), QPointF(15.0, 11.0), cBlue, 1.5, 2.5);
      Arrow(p, QPointF(15.0, 14.5), QPointF(9.0, 14.5), cAmberDark, 1.5, 2.5);
      break;
    case iiRedo:
      CurvedArrow(p, true);
      break;
    case iiUndo:
      CurvedArrow(p, false);
      break;
    case iiPaste:
      RoundBox(p, 1, 2, 12, 14, cAmber, cAmberDark, 1.5);
      Box(p, 4, 1, 6, 3, cGrey, cInk);  // clip
      Page(p, 6, 6, 10, 10, 3);
      Lines(p, 8, 10, {5, 4, 5}, 2);
      break;
    case iiCut:
      p.setPen(Pen(cInk, 1.5));
      p.drawLine(QPointF(5.0, 1.5), QPointF(10.0, 10.0));
      p.drawLine(QPointF(11.0, 1.5), QPointF(6.0, 10.0));
      p.setPen(Pen(cRed, 1.5));
      p.setBrush(Qt::NoBrush);
      p.drawEllipse(QPointF(4.5, 12.0), 2.5, 2.5);
      p.drawEllipse(QPointF(11.5, 12.0), 2.5, 2.5);
      break;
    case iiCopy:
      Page(p, 1, 0, 9, 11, 3);
      Lines(p, 3, 4, {4, 3}, 2);
      Page(p, 6, 5, 10, 11, 3);
      Lines(p, 8, 9, {5, 4, 5}, 2);
      break;
    case iiNew:
      Page(p, 2, 0, 11, 15);
      Lines(p, 4, 5, {5, 6}, 2);
      Disc(p, 11.5, 11.5, 4.0, cGreen, cGreenDark);
      p.fillRect(QRectF(9, 11, 5, 1), cPaper);
      p.fillRect(QRectF(11, 9, 1, 5), cPaper);
      break;
    case iiEditor: {
      Page(p, 1, 0, 11, 15);
      Lines(p, 3, 5, {6, 4, 6, 5}, 2);
      // A pencil across the page's lower right.
      p.save();
      p.translate(11.5, 9.5);
      p.rotate(45);
      p.setPen(Pen(cAmberDark));
      p.setBrush(cAmber);
      p.drawRect(QRectF(-1.5, -6.0, 3.0, 9.0));
      QPolygonF tip;
      tip << QPointF(-1.5, 3.0) << QPointF(1.5, 3.0) << QPointF(0.0, 6.0);
      p.setBrush(cAmberLight);
      p.drawPolygon(tip);
      p.restore();
      break;
    }
    case iiValidate:
      Disc(p, 8, 8, 6.5, cGreen, cGreenDark);
      p.setPen(Pen(cPaper, 2.0));
      p.drawPolyline(QPolygonF() << QPointF(4.5, 8.0) << QPointF(7.0, 10.5) << QPointF(11.5, 5.5));
      break;
    case iiFormat:
      p.setPen(SquarePen(cInk, 2));
      p.drawLine(QPointF(1, 2), QPointF(10, 2));
      p.drawLine(QPointF(5, 6), QPointF(14, 6));
      p.drawLine(QPointF(5, 10), QPointF(12, 10));
      p.drawLine(QPointF(1, 14), QPointF(10, 14));
      p.setPen(Qt::NoPen);
      p.setBrush(cBlue);
      p.drawPolygon(QPolygonF() << QPointF(0.5, 5.0) << QPointF(3.5, 8.0) << QPointF(0.5, 11.0));
      break;
    default:
      break;
  }
}

}  // namespace

TIconList::TIconList() {
  FIcons.reserve(cCount);
  for (int i = 0; i < cCount; ++i) {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(Render(i, 1.0)));
    icon.addPixmap(QPixmap::fromImage(Render(i, 2.0)));
    FIcons.push_back(icon);
  }
}

QIcon TIconList::Icon(int aIndex) const {
  if (aIndex < 0 || aIndex >= cCount) return QIcon();
  return FIcons[size_t(aIndex)];
}

QPixmap TIconList::Pixmap(int aIndex, qreal aDevicePixelRatio) const {
  if (aIndex < 0 || aIndex >= cCount) return QPixmap();
  return QPixmap::fromImage(Render(aIndex, aDevicePixelRatio));
}

QImage TIconList::Render(int aIndex, qreal aDevicePixelRatio) {
  if (aIndex < 0 || aIndex >= cCount || aDevicePixelRatio <= 0) return QImage();
  const int side = int(std::lround(cSize * aDevicePixelRatio));
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  image.setDevicePixelRatio(aDevicePixelRatio);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  Draw(p, aIndex);
  p.end();
  return image;
}

const TIconList& TIconList::Shared() {
  static const TIconList list;
  return list;
}
