#pragma once
// Where things lie on the game table, in twips inside the table picture box,
// and the few other fixed numbers of the table. The game and its tests both
// take them from here.
#include <cmath>

#include "platform/runtime.h"

namespace qel::table {

inline constexpr Integer kColumns = 7;
inline constexpr Integer kFullStock = 52;  // cards, and slots of the stock ring

// Cards and the stock image.
inline constexpr Integer kBackCell = 55;  // card-sheet cell of the back on the stock image
inline constexpr Integer kCardWidth = 1065;
inline constexpr Integer kCardHeight = 1440;
inline constexpr Integer kDeckLeft = 45;  // parked cards, and the stock image in the window
inline constexpr Integer kDeckTop = 840;

// Columns: column c (1..7) has its left edge at kTableLeft + c * kColumnStep,
// a card's width and the gap between columns.
inline constexpr Integer kTableLeft = -1100;
inline constexpr Integer kColumnGap = 120;
inline constexpr Integer kColumnStep = kCardWidth + kColumnGap;

constexpr int ColumnLeft(int c) { return kTableLeft + c * kColumnStep; }

// The column whose band holds a card's Left: each band runs from just above
// one column's Left to the next one's, so a selected card, drawn a little
// left of its column, still falls in it. 0 when no column's band holds it.
constexpr Integer ColumnOfLeft(double left) {
  for (Integer c = 1; c <= kColumns; ++c)
    if (ColumnLeft(c - 1) < left && left <= ColumnLeft(c)) return c;
  return 0;
}

// Places: place j (0 the first card dealt, at the top) has its top edge at
// 220 + 240 j; each card shows a strip of 240 of the one beneath.
inline constexpr Integer kPlaceStep = 240;
inline constexpr Integer kFirstPlaceTop = 220;

constexpr int PlaceTop(int j) { return kFirstPlaceTop + kPlaceStep * j; }

// Whether a card's Top, rounded as the game reads it, lies in place j's band
// (20 either side of the place's top, both ends included).
constexpr bool InPlaceBand(double top, int j) {
  return PlaceTop(j) - 20 <= top && top <= PlaceTop(j) + 20;
}
// A card's Top as the place tests read it: Int(Top + 0.49).
inline double PlaceTestTop(double top) { return rt::Int(top + 0.49); }

// A selected card is drawn this far left of its column.
inline constexpr double kSelectedShift = 90;

// Scrolling: the table rests at Top 360 and moves up by whole places. The
// first 1770 of the client height are not counted in places.
inline constexpr double kTableRestTop = 360;
inline constexpr double kUncountedHeight = 1770;

// Card steps that fit in a client area of the given height; negative for a
// very short window.
inline Integer VisibleRowsFor(double clientHeight) {
  return static_cast<Integer>(std::floor((clientHeight - kUncountedHeight) / kPlaceStep) - 1);
}
// Whether a column of that depth fits without scrolling.
constexpr bool ColumnFits(int deepest, int visibleRows) { return deepest < visibleRows + 1; }
// The table's Top that shows the last card of the deepest column: the rest
// position when it fits.
constexpr double ScrolledTableTop(int deepest, int visibleRows) {
  return kTableRestTop - kPlaceStep * (deepest < visibleRows ? 0 : deepest - visibleRows);
}

// The keys that scroll the table, as virtual-key codes.
inline constexpr Integer kKeyUp = 65;    // A
inline constexpr Integer kKeyDown = 90;  // Z

}  // namespace qel::table
