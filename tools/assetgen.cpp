// Draws the card sheet (cards.bmp) and the program icon (icon32.png,
// icon16.png) into the directory given on the command line.
//
// Everything is drawn from vector paths so the result does not depend on
// which fonts happen to be installed, except the rank letters, which use
// Liberation Sans at fixed pixel sizes.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QTransform>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

constexpr int CellW = 71;
constexpr int CellH = 96;
constexpr int Cols = 13;
constexpr int Rows = 5;
constexpr qreal MidX = CellW / 2.0;
constexpr qreal MidY = CellH / 2.0;

// The table's green shows through the rounded corners.
const QColor TableGreen(0, 192, 0);
const QColor Ink(20, 20, 24);
const QColor SuitRed(204, 20, 36);
const QColor Border(40, 40, 48);
const QColor Gold(226, 178, 30);
const QColor GoldDark(150, 105, 10);
const QColor Skin(250, 214, 178);
const QColor Cream(255, 248, 226);
const QColor UnusedFill(159, 128, 160);

enum class Suit { Spade, Diamond, Heart, Club };

bool isRed(Suit s) { return s == Suit::Diamond || s == Suit::Heart; }
QColor suitColour(Suit s) { return isRed(s) ? SuitRed : Ink; }

// Small deterministic generator so the patterns come out the same on every run
// and with every Qt version.
class Lcg {
 public:
  explicit Lcg(std::uint32_t seed) : state_(seed) {}
  qreal next()  // 0 <= r < 1
  {
    state_ = state_ * 1664525u + 1013904223u;
    return (state_ >> 8) / 16777216.0;
  }
  qreal range(qreal lo, qreal hi) { return lo + (hi - lo) * next(); }

 private:
  std::uint32_t state_;
};

// ---------------------------------------------------------------- suit shapes
// Each shape fits a box of height 1 centred on the origin.

QPainterPath heartPath() {
  QPainterPath p;
  p.moveTo(0, 0.5);
  p.cubicTo(-0.12, 0.32, -0.5, 0.1, -0.5, -0.2);
  p.cubicTo(-0.5, -0.39, -0.37, -0.5, -0.24, -0.5);
  p.cubicTo(-0.1, -0.5, -0.02, -0.41, 0, -0.3);
  p.cubicTo(0.02, -0.41, 0.1, -0.5, 0.24, -0.5);
  p.cubicTo(0.37, -0.5, 0.5, -0.39, 0.5, -0.2);
  p.cubicTo(0.5, 0.1, 0.12, 0.32, 0, 0.5);
  p.closeSubpath();
  return p;
}

QPainterPath diamondPath() {
  QPainterPath p;
  p.moveTo(0, -0.5);
  p.quadTo(0.15, -0.2, 0.38, 0);
  p.quadTo(0.15, 0.2, 0, 0.5);
  p.quadTo(-0.15, 0.2, -0.38, 0);
  p.quadTo(-0.15, -0.2, 0, -0.5);
  p.closeSubpath();
  return p;
}

QPainterPath spadePath() {
  QPainterPath p;
  p.moveTo(0, -0.5);
  p.cubicTo(0.12, -0.31, 0.46, -0.14, 0.46, 0.11);
  p.cubicTo(0.46, 0.28, 0.34, 0.37, 0.23, 0.37);
  p.cubicTo(0.12, 0.37, 0.06, 0.31, 0.035, 0.25);
  p.cubicTo(0.05, 0.37, 0.1, 0.45, 0.2, 0.5);
  p.lineTo(-0.2, 0.5);
  p.cubicTo(-0.1, 0.45, -0.05, 0.37, -0.035, 0.25);
  p.cubicTo(-0.06, 0.31, -0.12, 0.37, -0.23, 0.37);
  p.cubicTo(-0.34, 0.37, -0.46, 0.28, -0.46, 0.11);
  p.cubicTo(-0.46, -0.14, -0.12, -0.31, 0, -0.5);
  p.closeSubpath();
  return p;
}

QPainterPath clubPath() {
  constexpr qreal r = 0.225;
  // Each lobe is a path of its own: overlapping ellipses in one path would
  // leave holes under the odd-even rule.
  auto disc = [](QPointF c, qreal radius) {
    QPainterPath d;
    d.addEllipse(c, radius, radius);
    return d;
  };
  QPainterPath lobes = disc(QPointF(0, -0.5 + r), r)
                           .united(disc(QPointF(-0.48 + r, 0.08), r))
                           .united(disc(QPointF(0.48 - r, 0.08), r))
                           .united(disc(QPointF(0, 0.0), 0.13));
  QPainterPath stem;
  stem.moveTo(-0.05, 0.0);
  stem.lineTo(0.05, 0.0);
  stem.cubicTo(0.06, 0.3, 0.1, 0.44, 0.2, 0.5);
  stem.lineTo(-0.2, 0.5);
  stem.cubicTo(-0.1, 0.44, -0.06, 0.3, -0.05, 0.0);
  stem.closeSubpath();
  return lobes.united(stem).simplified();
}

const QPainterPath &suitPath(Suit s) {
  static const std::array<QPainterPath, 4> paths{spadePath(), diamondPath(), heartPath(),
                                                 clubPath()};
  return paths[static_cast<int>(s)];
}

void drawSuit(QPainter &p, Suit s, QPointF centre, qreal height, bool upsideDown,
              const QColor &colour) {
  p.save();
  p.translate(centre);
  if (upsideDown) p.rotate(180);
  p.scale(height, height);
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPath(suitPath(s));
  p.restore();
}

void drawSuit(QPainter &p, Suit s, QPointF centre, qreal height, bool upsideDown = false) {
  drawSuit(p, s, centre, height, upsideDown, suitColour(s));
}

// ---------------------------------------------------------------- text
// Text goes through a path so it can be centred on its real ink and squeezed
// to fit a width.

QFont pixelFont(const QString &family, int px, bool bold) {
  QFont f(family);
  f.setPixelSize(px);
  f.setBold(bold);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

// Draws text with the centre of its top edge at `topCentre`, at most `maxWidth`
// wide.
void drawText(QPainter &p, const QString &text, const QFont &font, QPointF topCentre,
              qreal maxWidth, const QColor &colour) {
  QPainterPath path;
  path.addText(0, 0, font, text);
  const QRectF ink = path.boundingRect();
  const qreal sx = ink.width() > maxWidth ? maxWidth / ink.width() : 1.0;
  QTransform t;
  t.translate(topCentre.x(), topCentre.y());
  t.scale(sx, 1.0);
  t.translate(-ink.center().x(), -ink.top());
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPath(t.map(path));
  p.restore();
}

// ---------------------------------------------------------------- card frame

const QRectF CardOutline(0.5, 0.5, CellW - 1.0, CellH - 1.0);
constexpr qreal CornerRadius = 3.5;

void drawBlankCard(QPainter &p) {
  p.fillRect(QRectF(0, 0, CellW, CellH), TableGreen);
  p.setPen(QPen(Border, 1.0));
  p.setBrush(Qt::white);
  p.drawRoundedRect(CardOutline, CornerRadius, CornerRadius);
}

// Runs `draw` once upright and once turned half way round the card's centre,
// the way the corner indexes and court figures repeat.
template <typename F>
void twice(QPainter &p, F draw) {
  draw();
  p.save();
  p.translate(MidX, MidY);
  p.rotate(180);
  p.translate(-MidX, -MidY);
  draw();
  p.restore();
}

QString rankText(int rank) {
  switch (rank) {
    case 1:
      return QStringLiteral("A");
    case 11:
      return QStringLiteral("J");
    case 12:
      return QStringLiteral("Q");
    case 13:
      return QStringLiteral("K");
    default:
      return QString::number(rank);
  }
}

void drawIndex(QPainter &p, int rank, Suit s) {
  static const QFont font = pixelFont(QStringLiteral("Liberation Sans"), 14, true);
  twice(p, [&] {
    drawText(p, rankText(rank), font, QPointF(8.0, 4.0), 12.0, suitColour(s));
    drawSuit(p, s, QPointF(8.0, 21.0), 8.5);
  });
}

// ---------------------------------------------------------------- pip cards

struct Pip {
  qreal col;  // -1 left, 0 centre, 1 right
  qreal row;  // 0 top .. 1 bottom
};

// Pip places of the number cards as printed on ordinary playing cards.
std::vector<Pip> pipLayout(int rank) {
  constexpr qreal third = 1.0 / 3.0;
  switch (rank) {
    case 2:
      return {{0, 0}, {0, 1}};
    case 3:
      return {{0, 0}, {0, 0.5}, {0, 1}};
    case 4:
      return {{-1, 0}, {1, 0}, {-1, 1}, {1, 1}};
    case 5:
      return {{-1, 0}, {1, 0}, {0, 0.5}, {-1, 1}, {1, 1}};
    case 6:
      return {{-1, 0}, {1, 0}, {-1, 0.5}, {1, 0.5}, {-1, 1}, {1, 1}};
    case 7:
      return {{-1, 0}, {1, 0}, {0, 0.25}, {-1, 0.5}, {1, 0.5}, {-1, 1}, {1, 1}};
    case 8:
      return {{-1, 0}, {1, 0}, {0, 0.25}, {-1, 0.5}, {1, 0.5}, {0, 0.75}, {-1, 1}, {1, 1}};
    case 9:
      return {{-1, 0},         {1, 0},         {-1, third}, {1, third}, {0, 0.5},
              {-1, 2 * third}, {1, 2 * third}, {-1, 1},     {1, 1}};
    case 10:
      return {{-1, 0},         {1, 0},         {0, third / 2},     {-1, third}, {1, third},
              {-1, 2 * third}, {1, 2 * third}, {0, 1 - third / 2}, {-1, 1},     {1, 1}};
    default:
      return {};
  }
}

void drawPipCard(QPainter &p, int rank, Suit s) {
  constexpr qreal colStep = 13.5;
  constexpr qreal top = 17.0;
  constexpr qreal bottom = 79.0;
  constexpr qreal pipHeight = 12.0;
  for (const Pip &pip : pipLayout(rank)) {
    const QPointF c(MidX + pip.col * colStep, top + pip.row * (bottom - top));
    drawSuit(p, s, c, pipHeight, pip.row > 0.5);
  }
}

void drawAce(QPainter &p, Suit s) {
  if (s == Suit::Spade) {
    // The ace of spades traditionally carries the ornament.
    p.setPen(QPen(Ink, 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(MidX, MidY), 19.5, 23.5);
    p.setPen(QPen(GoldDark, 1.0));
    p.drawEllipse(QPointF(MidX, MidY), 17.5, 21.5);
    drawSuit(p, s, QPointF(MidX, MidY), 34.0);
    return;
  }
  drawSuit(p, s, QPointF(MidX, MidY), 30.0);
}

// ---------------------------------------------------------------- court cards

const QRectF CourtPanel(14.5, 11.5, 42.0, 73.0);
constexpr qreal Slant = 6.0;

struct CourtStyle {
  QColor robe;
  QColor robeDark;
  QColor trim;
  QColor hair;
};

CourtStyle courtStyle(int rank, Suit s) {
  // Each rank keeps its own robe; the trim follows the suit colour so the
  // four kings still differ a little.
  const QColor trim = isRed(s) ? QColor(40, 60, 150) : QColor(190, 30, 40);
  switch (rank) {
    case 11:
      return {QColor(34, 140, 60), QColor(16, 90, 36), trim, QColor(150, 90, 30)};
    case 12:
      return {QColor(40, 80, 190), QColor(22, 46, 120), trim, QColor(240, 190, 40)};
    default:
      return {QColor(190, 30, 40), QColor(120, 14, 22),
              isRed(s) ? QColor(40, 60, 150) : QColor(30, 30, 30), QColor(235, 235, 235)};
  }
}

void drawCrown(QPainter &p, qreal baseY) {
  QPolygonF crown;
  crown << QPointF(30.0, baseY) << QPointF(29.5, baseY - 7.0) << QPointF(32.3, baseY - 3.5)
        << QPointF(35.5, baseY - 8.5) << QPointF(38.7, baseY - 3.5) << QPointF(41.5, baseY - 7.0)
        << QPointF(41.0, baseY);
  p.setPen(QPen(GoldDark, 0.8));
  p.setBrush(Gold);
  p.drawPolygon(crown);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 20, 30));
  p.drawEllipse(QPointF(35.5, baseY - 2.0), 1.2, 1.2);
  p.setBrush(QColor(30, 90, 200));
  p.drawEllipse(QPointF(32.2, baseY - 1.8), 0.9, 0.9);
  p.drawEllipse(QPointF(38.8, baseY - 1.8), 0.9, 0.9);
}

void drawTiara(QPainter &p, qreal baseY) {
  QPainterPath t;
  t.moveTo(30.5, baseY);
  t.quadTo(31.0, baseY - 5.0, 33.0, baseY - 4.0);
  t.quadTo(34.5, baseY - 7.5, 35.5, baseY - 7.5);
  t.quadTo(36.5, baseY - 7.5, 38.0, baseY - 4.0);
  t.quadTo(40.0, baseY - 5.0, 40.5, baseY);
  t.closeSubpath();
  p.setPen(QPen(GoldDark, 0.8));
  p.setBrush(Gold);
  p.drawPath(t);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 20, 30));
  p.drawEllipse(QPointF(35.5, baseY - 4.5), 1.1, 1.1);
}

void drawCap(QPainter &p, qreal baseY, const QColor &colour) {
  QPainterPath cap;
  cap.moveTo(29.5, baseY);
  cap.cubicTo(29.5, baseY - 6.0, 41.5, baseY - 7.0, 42.5, baseY - 1.0);
  cap.closeSubpath();
  p.setPen(QPen(colour.darker(160), 0.8));
  p.setBrush(colour);
  p.drawPath(cap);
  // feather
  QPainterPath feather;
  feather.moveTo(39.0, baseY - 3.0);
  feather.cubicTo(41.5, baseY - 9.0, 45.0, baseY - 10.0, 46.5, baseY - 9.5);
  feather.cubicTo(45.0, baseY - 7.0, 42.5, baseY - 4.0, 39.0, baseY - 3.0);
  p.setPen(Qt::NoPen);
  p.setBrush(Gold);
  p.drawPath(feather);
}

// Upper half of a court figure; the lower half is the same turned round.
void drawCourtHalf(QPainter &p, int rank, Suit s) {
  const CourtStyle st = courtStyle(rank, s);
  const QPointF head(35.5, 27.0);

  // Queen's hair falls behind the shoulders.
  if (rank == 12) {
    QPainterPath hair;
    hair.moveTo(29.0, 24.0);
    hair.cubicTo(28.0, 32.0, 27.0, 37.0, 29.5, 40.0);
    hair.lineTo(41.5, 40.0);
    hair.cubicTo(44.0, 37.0, 43.0, 32.0, 42.0, 24.0);
    hair.cubicTo(41.0, 19.0, 30.0, 19.0, 29.0, 24.0);
    p.setPen(Qt::NoPen);
    p.setBrush(st.hair);
    p.drawPath(hair);
  }

  // Robe over the shoulders, running on under the divide, which cuts it.
  constexpr qreal hem = MidY + 14.0;
  QPainterPath robe;
  robe.moveTo(19.5, hem);
  robe.lineTo(19.5, 42.0);
  robe.cubicTo(19.5, 37.5, 24.0, 35.0, 31.0, 34.5);
  robe.lineTo(40.0, 34.5);
  robe.cubicTo(47.0, 35.0, 51.5, 37.5, 51.5, 42.0);
  robe.lineTo(51.5, hem);
  robe.closeSubpath();
  p.setPen(QPen(st.robeDark, 0.8));
  p.setBrush(st.robe);
  p.drawPath(robe);
  // Sleeves: a darker fold along each arm.
  p.setPen(QPen(st.robeDark, 1.0));
  p.drawLine(QPointF(25.5, 40.0), QPointF(25.5, hem));
  p.drawLine(QPointF(45.5, 40.0), QPointF(45.5, hem));

  // Gold band down the front and a collar.
  p.setPen(Qt::NoPen);
  p.setBrush(Gold);
  p.drawRect(QRectF(33.5, 36.0, 4.0, hem - 36.0));
  p.setBrush(st.trim);
  p.drawRect(QRectF(34.7, 36.0, 1.6, hem - 36.0));
  QPainterPath collar;
  collar.moveTo(29.5, 34.3);
  collar.lineTo(41.5, 34.3);
  collar.lineTo(35.5, 39.5);
  collar.closeSubpath();
  p.setBrush(Qt::white);
  p.setPen(QPen(QColor(120, 120, 120), 0.6));
  p.drawPath(collar);

  // Head.
  p.setPen(QPen(QColor(150, 100, 70), 0.7));
  p.setBrush(Skin);
  p.drawEllipse(head, 4.6, 5.3);
  if (rank == 11) {
    // short hair at the sides
    p.setPen(Qt::NoPen);
    p.setBrush(st.hair);
    p.drawEllipse(QPointF(31.2, 25.5), 1.4, 2.5);
    p.drawEllipse(QPointF(39.8, 25.5), 1.4, 2.5);
  }
  if (rank == 13) {
    // beard
    QPainterPath beard;
    beard.moveTo(31.0, 27.5);
    beard.cubicTo(31.0, 33.5, 33.5, 35.5, 35.5, 36.0);
    beard.cubicTo(37.5, 35.5, 40.0, 33.5, 40.0, 27.5);
    beard.cubicTo(38.5, 30.5, 32.5, 30.5, 31.0, 27.5);
    p.setPen(QPen(QColor(140, 140, 140), 0.5));
    p.setBrush(st.hair);
    p.drawPath(beard);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(Ink);
  p.drawEllipse(QPointF(33.7, 26.3), 0.7, 0.7);
  p.drawEllipse(QPointF(37.3, 26.3), 0.7, 0.7);
  if (rank != 13) {
    p.setPen(QPen(QColor(190, 60, 60), 0.8));
    p.drawLine(QPointF(34.4, 29.6), QPointF(36.6, 29.6));
  }

  // Headwear.
  switch (rank) {
    case 13:
      drawCrown(p, 22.5);
      break;
    case 12:
      drawTiara(p, 22.5);
      break;
    default:
      drawCap(p, 23.0, st.trim);
      break;
  }

  // What each one holds: a sword, a flower, a halberd.
  if (rank == 13) {
    p.setPen(QPen(QColor(110, 110, 120), 1.4));
    p.drawLine(QPointF(22.0, 15.0), QPointF(22.0, 34.0));
    p.setPen(QPen(GoldDark, 1.6));
    p.drawLine(QPointF(19.0, 34.0), QPointF(25.0, 34.0));
    p.drawLine(QPointF(22.0, 34.0), QPointF(22.0, 38.5));
  } else if (rank == 12) {
    p.setPen(QPen(QColor(30, 120, 40), 0.9));
    p.drawLine(QPointF(24.0, 40.0), QPointF(24.0, 30.0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 40, 80));
    for (int i = 0; i < 5; ++i) {
      const qreal a = i * 2.0 * M_PI / 5.0;
      p.drawEllipse(QPointF(24.0 + 1.7 * std::cos(a), 28.5 + 1.7 * std::sin(a)), 1.3, 1.3);
    }
    p.setBrush(Gold);
    p.drawEllipse(QPointF(24.0, 28.5), 1.0, 1.0);
  } else {
    p.setPen(QPen(QColor(120, 80, 40), 1.0));
    p.drawLine(QPointF(22.0, 14.0), QPointF(22.0, 40.0));
    QPainterPath blade;
    blade.moveTo(22.0, 14.0);
    blade.cubicTo(18.0, 16.0, 18.0, 20.0, 22.0, 22.0);
    blade.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 100), 0.6));
    p.setBrush(QColor(190, 190, 200));
    p.drawPath(blade);
  }

  // Suit sign in the panel's corner.
  drawSuit(p, s, QPointF(50.0, 18.0), 8.0);
}

void drawCourt(QPainter &p, int rank, Suit s) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(Cream);
  p.drawRect(CourtPanel);
  // The halves meet on a slant through the centre, so turning the upper
  // half round fills exactly the lower one.
  const QRectF inner = CourtPanel.adjusted(0.5, 0.5, -0.5, -0.5);
  const QPointF divideLeft(inner.left(), MidY + Slant);
  const QPointF divideRight(inner.right(), MidY - Slant);
  QPolygonF upper;
  upper << inner.topLeft() << inner.topRight() << divideRight << divideLeft;
  QPainterPath clip;
  clip.addPolygon(upper);
  twice(p, [&] {
    p.save();
    p.setClipPath(clip);
    drawCourtHalf(p, rank, s);
    p.restore();
  });
  p.setPen(QPen(GoldDark, 1.0));
  p.drawLine(divideLeft, divideRight);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(suitColour(s), 1.0));
  p.drawRect(CourtPanel);
  p.setPen(QPen(Gold, 1.0));
  p.drawRect(CourtPanel.adjusted(2.0, 2.0, -2.0, -2.0));
  p.restore();
}

void drawFace(QPainter &p, int rank, Suit s) {
  drawBlankCard(p);
  if (rank == 1)
    drawAce(p, s);
  else if (rank <= 10)
    drawPipCard(p, rank, s);
  else
    drawCourt(p, rank, s);
  drawIndex(p, rank, s);
}

// ---------------------------------------------------------------- joker

void drawJoker(QPainter &p) {
  drawBlankCard(p);

  static const QFont font = pixelFont(QStringLiteral("Liberation Sans"), 9, true);
  twice(p, [&] {
    const QString word = QStringLiteral("JOKER");
    for (int i = 0; i < word.size(); ++i)
      drawText(p, word.mid(i, 1), font, QPointF(7.5, 4.0 + i * 9.0), 7.0, i % 2 ? SuitRed : Ink);
    p.setPen(Qt::NoPen);
    p.setBrush(Gold);
    QPolygonF star;
    for (int i = 0; i < 10; ++i) {
      const qreal a = -M_PI / 2 + i * M_PI / 5;
      const qreal r = i % 2 ? 1.5 : 3.5;
      star << QPointF(7.5 + r * std::cos(a), 52.0 + r * std::sin(a));
    }
    p.setPen(QPen(GoldDark, 0.6));
    p.drawPolygon(star);
  });

  const QColor red(210, 30, 40);
  const QColor green(30, 150, 60);
  const QColor blue(40, 70, 190);

  // Body: a chequered tunic.
  QPainterPath body;
  body.moveTo(16.0, 88.0);
  body.cubicTo(16.0, 72.0, 24.0, 65.0, 35.5, 65.0);
  body.cubicTo(47.0, 65.0, 55.0, 72.0, 55.0, 88.0);
  body.closeSubpath();
  p.save();
  p.setClipPath(body);
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 4; ++j) {
      p.fillRect(QRectF(16.0 + i * 5.0, 64.0 + j * 6.0, 5.0, 6.0), (i + j) % 2 ? red : blue);
    }
  p.restore();
  p.setPen(QPen(Ink, 0.8));
  p.setBrush(Qt::NoBrush);
  p.drawPath(body);

  // Ruff.
  QPolygonF ruff;
  for (int i = 0; i <= 12; ++i) {
    const qreal x = 22.0 + i * 27.0 / 12.0;
    ruff << QPointF(x, i % 2 ? 69.0 : 63.0);
  }
  ruff << QPointF(49.0, 60.0) << QPointF(22.0, 60.0);
  p.setPen(QPen(QColor(120, 120, 120), 0.6));
  p.setBrush(Qt::white);
  p.drawPolygon(ruff);

  // Hat: three floppy points with bells.
  struct Flap {
    QPointF tip;
    QPointF c1, c2;
    QColor colour;
  };
  const std::array<Flap, 3> flaps{{
      {QPointF(17.0, 26.0), QPointF(24.0, 28.0), QPointF(20.0, 38.0), red},
      {QPointF(35.5, 12.0), QPointF(31.0, 22.0), QPointF(40.0, 22.0), green},
      {QPointF(54.0, 26.0), QPointF(47.0, 28.0), QPointF(51.0, 38.0), blue},
  }};
  for (const Flap &f : flaps) {
    QPainterPath fl;
    fl.moveTo(26.0, 44.0);
    fl.quadTo(f.c1, f.tip);
    fl.quadTo(f.c2, QPointF(45.0, 44.0));
    fl.closeSubpath();
    p.setPen(QPen(f.colour.darker(170), 0.8));
    p.setBrush(f.colour);
    p.drawPath(fl);
  }
  for (const Flap &f : flaps) {
    p.setPen(QPen(GoldDark, 0.7));
    p.setBrush(Gold);
    p.drawEllipse(f.tip, 2.6, 2.6);
  }
  // Band of the hat.
  p.setPen(QPen(GoldDark, 0.7));
  p.setBrush(Gold);
  p.drawRoundedRect(QRectF(25.0, 41.5, 21.0, 4.0), 1.5, 1.5);

  // Face.
  p.setPen(QPen(QColor(150, 100, 70), 0.8));
  p.setBrush(Skin);
  p.drawEllipse(QPointF(35.5, 53.0), 8.0, 8.0);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(240, 150, 150));
  p.drawEllipse(QPointF(30.5, 55.5), 1.8, 1.3);
  p.drawEllipse(QPointF(40.5, 55.5), 1.8, 1.3);
  p.setBrush(Ink);
  p.drawEllipse(QPointF(32.5, 51.0), 0.9, 1.2);
  p.drawEllipse(QPointF(38.5, 51.0), 0.9, 1.2);
  p.setBrush(red);
  p.drawEllipse(QPointF(35.5, 54.0), 1.6, 1.6);
  p.setPen(QPen(QColor(170, 30, 40), 0.9));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(31.5, 53.0, 8.0, 5.5), 200 * 16, 140 * 16);
}

// ---------------------------------------------------------------- backs

const QRectF BackArea(4.0, 4.0, CellW - 8.0, CellH - 8.0);

template <typename F>
void drawBack(QPainter &p, const QColor &frame, F pattern) {
  drawBlankCard(p);
  QPainterPath area;
  area.addRoundedRect(BackArea, 2.5, 2.5);
  p.save();
  p.setClipPath(area);
  pattern();
  p.restore();
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(frame, 1.0));
  p.drawRoundedRect(BackArea.adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
}

void drawNetBack(QPainter &p) {
  const QColor navy(18, 52, 130);
  const QColor cord(200, 222, 255);
  drawBack(p, QColor(10, 30, 80), [&] {
    QLinearGradient g(BackArea.topLeft(), BackArea.bottomRight());
    g.setColorAt(0, navy.lighter(125));
    g.setColorAt(1, navy.darker(125));
    p.fillRect(BackArea, g);
    constexpr qreal step = 8.0;
    p.setPen(QPen(cord, 1.0));
    for (qreal d = -CellH; d < CellW + CellH; d += step) {
      p.drawLine(QPointF(d, 0), QPointF(d + CellH, CellH));
      p.drawLine(QPointF(d, 0), QPointF(d - CellH, CellH));
    }
    // knots where the cords cross
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (qreal y = 0; y <= CellH; y += step / 2)
      for (qreal x = 0; x <= CellW + step; x += step) {
        const qreal shift = std::fmod(y / (step / 2), 2.0) == 0 ? 0 : step / 2;
        p.drawEllipse(QPointF(x + shift, y), 1.1, 1.1);
      }
  });
}

void drawPlaidBack(QPainter &p) {
  // One repeat of the sett: offset, width, colour. Drawn across and down
  // with some transparency so the crossings mix like woven threads.
  struct Band {
    qreal at, width;
    QColor colour;
  };
  const std::array<Band, 6> sett{{
      {0.0, 7.0, QColor(20, 30, 90, 170)},
      {9.0, 1.0, QColor(255, 220, 60, 220)},
      {11.0, 5.0, QColor(20, 90, 40, 160)},
      {18.0, 1.0, QColor(255, 255, 255, 200)},
      {20.0, 1.0, QColor(20, 30, 90, 170)},
      {22.0, 2.0, QColor(20, 20, 20, 120)},
  }};
  constexpr qreal period = 26.0;
  drawBack(p, QColor(70, 10, 14), [&] {
    p.fillRect(BackArea, QColor(176, 26, 34));
    for (qreal base = -period; base < CellH + period; base += period)
      for (const Band &b : sett) {
        p.fillRect(QRectF(base + b.at, 0, b.width, CellH), b.colour);
        p.fillRect(QRectF(0, base + b.at + 3.0, CellW, b.width), b.colour);
      }
    // twill: fine diagonal hatching gives the cloth a woven texture
    p.setPen(QPen(QColor(0, 0, 0, 28), 1.0));
    for (qreal d = -CellH; d < CellW; d += 2.0)
      p.drawLine(QPointF(d, 0), QPointF(d + CellH, CellH));
  });
}

void drawRosette(QPainter &p, Lcg &rng, QPointF c, qreal size) {
  const QColor spot(46, 26, 10);
  const QColor centre(176, 100, 28);
  p.save();
  p.translate(c);
  p.rotate(rng.range(0, 360));
  const QRectF ring(-size, -size * 0.8, 2 * size, 1.6 * size);
  p.setPen(Qt::NoPen);
  p.setBrush(centre);
  p.drawEllipse(ring.adjusted(0.6, 0.6, -0.6, -0.6));
  // a ring broken into a few thick dark strokes round a tawny centre
  const int pieces = 3 + static_cast<int>(rng.next() * 2);
  p.setPen(QPen(spot, size * 0.6, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  qreal at = rng.range(0, 360);
  const qreal share = 360.0 / pieces;
  for (int i = 0; i < pieces; ++i) {
    const qreal gap = rng.range(22, 40);
    p.drawArc(ring, qRound(at * 16), qRound((share - gap) * 16));
    at += share;
  }
  p.restore();
}

void drawLeopardBack(QPainter &p) {
  drawBack(p, QColor(90, 50, 10), [&] {
    QRadialGradient g(QPointF(MidX, MidY * 0.9), CellH * 0.65);
    g.setColorAt(0, QColor(244, 196, 110));
    g.setColorAt(1, QColor(206, 140, 54));
    p.fillRect(BackArea, g);

    Lcg rng(0x5eed1e0u);
    constexpr qreal step = 13.0;
    for (int row = -1; row * step < CellH + step; ++row)
      for (int col = -1; col * step < CellW + step; ++col) {
        const qreal x = col * step + (row % 2 ? step / 2 : 0) + rng.range(-2.5, 2.5);
        const qreal y = row * step * 0.9 + rng.range(-2.0, 2.0);
        drawRosette(p, rng, QPointF(x, y), rng.range(3.4, 4.3));
        // small solid spots fill some of the gaps between the rosettes
        if (rng.next() < 0.6) {
          p.setPen(Qt::NoPen);
          p.setBrush(QColor(52, 30, 12));
          p.drawEllipse(QPointF(x + step * 0.5 + rng.range(-1.0, 1.0),
                                y + step * 0.45 + rng.range(-1.0, 1.0)),
                        rng.range(0.8, 1.2), rng.range(0.7, 1.0));
        }
      }
  });
  // A gold line inside the dark frame finishes the back.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(240, 200, 90), 1.0));
  p.drawRoundedRect(BackArea.adjusted(2.5, 2.5, -2.5, -2.5), 1.5, 1.5);
}

// ---------------------------------------------------------------- sheet

QImage drawSheet() {
  QImage sheet(CellW * Cols, CellH * Rows, QImage::Format_RGB888);
  sheet.fill(UnusedFill);
  QPainter p(&sheet);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  const std::array<Suit, 4> rows{Suit::Spade, Suit::Diamond, Suit::Heart, Suit::Club};
  auto cell = [&](int k, auto draw) {
    p.save();
    p.translate(CellW * (k % Cols), CellH * (k / Cols));
    p.setClipRect(QRect(0, 0, CellW, CellH));
    draw();
    p.restore();
  };
  for (int row = 0; row < 4; ++row)
    for (int rank = 1; rank <= 13; ++rank)
      cell(row * Cols + rank - 1, [&] { drawFace(p, rank, rows[row]); });
  cell(52, [&] { drawJoker(p); });
  cell(53, [&] { drawNetBack(p); });
  cell(54, [&] { drawPlaidBack(p); });
  cell(55, [&] { drawLeopardBack(p); });
  // Cells 56..64 keep the even fill.
  p.end();
  return sheet;
}

// ---------------------------------------------------------------- icon

// The classic sixteen colours; the icon is reduced to them at the end.
QList<QRgb> vgaPalette() {
  return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
          qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
          qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
          qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// Three cards fanned on a green tile: a blue back, a black spade and a red
// heart in front, drawn big, scaled down and reduced to the sixteen colours.
QImage drawLargeIcon() {
  constexpr int size = 32;
  constexpr int over = 8;
  QImage img(size * over, size * over, QImage::Format_RGB32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(over, over);
  p.fillRect(QRectF(0, 0, size, size), QColor(0, 128, 0));

  // A pivot far below makes the cards spread sideways more than they tilt.
  const QPointF pivot(16.0, 54.0);
  const QRectF card(-6.5, -48.5, 13.0, 23.0);  // relative to the pivot
  const std::array<qreal, 3> angles{-13.0, 0.0, 13.0};
  for (int i = 0; i < 3; ++i) {
    p.save();
    p.translate(pivot);
    p.rotate(angles[i]);
    p.setPen(QPen(Qt::black, 1.0));
    p.setBrush(i == 0 ? QColor(0, 0, 255) : QColor(255, 255, 255));
    p.drawRect(card);
    switch (i) {
      case 0:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 128));
        p.drawRect(card.adjusted(2.5, 2.5, -2.5, -2.5));
        break;
      case 1:
        // Only its left part shows past the front card.
        drawSuit(p, Suit::Spade, card.topLeft() + QPointF(4.5, 5.5), 7.0, false, Qt::black);
        break;
      default:
        drawSuit(p, Suit::Heart, card.center(), 10.0, false, QColor(255, 0, 0));
        break;
    }
    p.restore();
  }
  p.end();
  return img.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_Indexed8, vgaPalette(), Qt::ThresholdDither);
}

// The same three cards for 16 pixels, set square to the pixel grid: tilted
// edges break up into stray dots at this size.
QImage drawSmallIcon() {
  QImage img(16, 16, QImage::Format_RGB32);
  img.fill(QColor(0, 128, 0));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setPen(Qt::black);
  p.setBrush(QColor(0, 0, 255));
  p.drawRect(QRect(1, 3, 6, 11));  // covers 7 x 12 pixels
  p.setBrush(Qt::white);
  p.drawRect(QRect(4, 2, 6, 11));
  p.drawRect(QRect(8, 3, 6, 11));
  p.end();
  // Five pixels leave no room for curves: the heart is set by hand.
  static const char *const heart[] = {".X.X.", "XXXXX", "XXXXX", ".XXX.", "..X.."};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      if (heart[y][x] == 'X') img.setPixel(9 + x, 6 + y, qRgb(255, 0, 0));
  return img.convertToFormat(QImage::Format_Indexed8, vgaPalette(), Qt::ThresholdDither);
}

bool save(const QImage &img, const QDir &dir, const QString &name, const char *format) {
  const QString path = dir.filePath(name);
  if (!img.save(path, format)) {
    std::fprintf(stderr, "qel_assetgen: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

// The card sheet goes top-down, its pixel rows starting on a 4-byte boundary
// of the file: the game then shows it straight from its resources, as
// QImage::Format_BGR888 lines, with nothing decoded.
bool saveSheet(const QImage &img, const QDir &dir, const QString &name) {
  const QImage bgr = img.convertToFormat(QImage::Format_BGR888);
  const int w = bgr.width(), h = bgr.height();
  const quint32 stride = (w * 3 + 3) & ~3;
  const quint32 offset = 56;  // the 54 bytes of headers, padded
  QByteArray out(offset + stride * h, '\0');
  int at = 0;
  const auto put = [&](quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at++] = char(v >> (8 * i));
  };
  put('B' | 'M' << 8, 2);
  put(static_cast<quint32>(out.size()), 4);
  put(0, 4);
  put(offset, 4);
  put(40, 4);  // BITMAPINFOHEADER
  put(w, 4);
  put(quint32(-h), 4);  // negative: the first row is the top one
  put(1, 2);
  put(24, 2);
  put(0, 4);  // BI_RGB
  put(stride * h, 4);
  put(3780, 4);  // 96 dpi
  put(3780, 4);
  put(0, 4);
  put(0, 4);
  for (int y = 0; y < h; ++y)
    std::copy_n(bgr.constScanLine(y), w * 3, out.data() + offset + y * stride);
  QFile f(dir.filePath(name));
  if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size()) {
    std::fprintf(stderr, "qel_assetgen: cannot write %s\n", qPrintable(f.fileName()));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  // Nothing is shown; the offscreen platform is enough for fonts.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);

  if (argc != 2) {
    std::fprintf(stderr, "usage: qel_assetgen <outdir>\n");
    return 2;
  }
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "qel_assetgen: cannot create %s\n", argv[1]);
    return 1;
  }

  bool ok = saveSheet(drawSheet(), dir, QStringLiteral("cards.bmp"));
  ok = save(drawLargeIcon(), dir, QStringLiteral("icon32.png"), "PNG") && ok;
  ok = save(drawSmallIcon(), dir, QStringLiteral("icon16.png"), "PNG") && ok;
  return ok ? 0 : 1;
}
