// The table's geometry and the game's rules, run without a window.
#include "table/Rules.h"

#include <gtest/gtest.h>

#include <QString>
#include <array>
#include <sstream>
#include <vector>

#include "table/TableGeometry.h"

namespace qel::test {
namespace {

using namespace table;

TEST(Geometry, ColumnsAndTheirBands) {
  const int lefts[] = {85, 1270, 2455, 3640, 4825, 6010, 7195};
  for (int c = 1; c <= 7; ++c) {
    EXPECT_EQ(ColumnLeft(c), lefts[c - 1]) << c;
    EXPECT_EQ(ColumnOfLeft(lefts[c - 1]), c) << "a card at its column's Left";
    EXPECT_EQ(ColumnOfLeft(lefts[c - 1] - kSelectedShift), c) << "a selected card";
    EXPECT_EQ(ColumnOfLeft(lefts[c - 1] + 1), c == 7 ? 0 : c + 1) << "just past the band";
  }
  EXPECT_LE(ColumnLeft(7) + kCardWidth, 8295) << "column 7 ends inside the table";
  EXPECT_EQ(ColumnOfLeft(-5), 1);
  EXPECT_EQ(ColumnOfLeft(kDeckLeft), 1) << "parked cards lie in column 1's band";
  EXPECT_EQ(ColumnOfLeft(-1100), 0);
  EXPECT_EQ(ColumnOfLeft(8000), 0);
}

TEST(Geometry, PlacesAndTheirBands) {
  const int tops[] = {220, 460, 700, 940};
  for (int j = 0; j < 4; ++j) EXPECT_EQ(PlaceTop(j), tops[j]);
  EXPECT_EQ(PlaceTop(51) + kCardHeight, 13900) << "a column of all 52 fits the table";
  // Tops as a card's image can have them: at a place, a little off it, or
  // parked (840, less whole places once column 1 has closed up).
  struct Case {
    double top;
    int place;  // -1: in no place's band
  } cases[] = {{220, 0},     {200, 0},  {240, 0},  {199.51, 0}, {199.5, -1}, {240.5, 0},
               {240.51, -1}, {460, 1},  {440, 1},  {480, 1},    {1180, 4},   {840, -1},
               {600, -1},    {360, -1}, {120, -1}, {0, -1}};
  for (const Case& c : cases) {
    int found = -1;
    for (int j = 0; j < 52; ++j)
      if (InPlaceBand(PlaceTestTop(c.top), j)) found = j;
    EXPECT_EQ(found, c.place) << c.top;
  }
}

TEST(Geometry, ScrollPositionFromTheDeepestColumn) {
  struct Case {
    double clientHeight;
    Integer rows;
    Integer deepest;
    bool fits;
    double top;
  } cases[] = {
      {6330, 18, 18, true, 360}, {6330, 18, 19, false, 120}, {6330, 18, 21, false, -360},
      {6569, 18, 0, true, 360},  {6570, 19, 19, true, 360},  {2010, 0, 3, false, -360},
      {1770, -1, 0, false, 120}, {2009, -1, 0, false, 120},  {0, -9, 0, false, -1800},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.clientHeight << " " << c.deepest);
    EXPECT_EQ(VisibleRowsFor(c.clientHeight), c.rows);
    EXPECT_EQ(ColumnFits(c.deepest, c.rows), c.fits);
    EXPECT_EQ(ScrolledTableTop(c.deepest, c.rows), c.top);
  }
}

// Card n shows cell n - 1 of the sheet: a row a suit, ace to king.
TEST(CardModel, ValueOfEachCard) {
  struct Case {
    Integer card, value;
  } cases[] = {
      {1, 1},    // ace of spades
      {9, 9},    // nine of spades
      {13, 0},   // king of spades
      {14, 1},   // ace of diamonds
      {23, 10},  // ten of diamonds
      {26, 0},   // king of diamonds
      {37, 10},  // jack of hearts
      {38, 10},  // queen of hearts
      {52, 0},   // king of clubs
  };
  for (const Case& c : cases) EXPECT_EQ(CardValue(c.card), c.value) << c.card;
}

TEST(CardModel, ThreeCardsGoBackWhenTheirValuesMakeAMultipleOfTen) {
  struct Case {
    Integer a, b, c;
    bool back;
  } cases[] = {
      {1, 9, 13, true},    // ace + nine + king = 10
      {10, 11, 12, true},  // ten + jack + queen = 30
      {13, 26, 39, true},  // three kings = 0
      {27, 48, 52, true},  // suits play no part
      {5, 18, 31, false},  // three fives = 15
      {2, 3, 4, false},    // 9
      {7, 8, 18, true},    // 7 + 8 + 5 = 20
  };
  for (const Case& c : cases)
    EXPECT_EQ(SumIsMultipleOfTen(c.a, c.b, c.c), c.back) << c.a << " " << c.b << " " << c.c;
}

TEST(Columns, DeepestAndEmptied) {
  struct Case {
    PileCounts piles;  // entry 0, the stock, counts for neither
    Integer deepest, emptied;
  } cases[] = {
      {{52, 0, 0, 0, 0, 0, 0, 0}, 0, 7},
      {{31, 3, 3, 3, 3, 3, 3, 3}, 3, 0},
      {{40, 0, 5, 0, 2, 0, 0, 0}, 5, 5},
      {{0, 1, 0, 0, 0, 0, 0, 51}, 51, 5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DeepestColumn(c.piles), c.deepest);
    EXPECT_EQ(EmptiedColumns(c.piles), c.emptied);
  }
}

TEST(StockCount, ColourByCardsLeft) {
  struct Case {
    Integer cards;
    std::uint32_t colour;
  } cases[] = {
      {0, 0x000000FF}, {1, 0x0000FFFF}, {10, 0x0000FFFF}, {11, 0x00C0C000}, {52, 0x00C0C000}};
  for (const Case& c : cases) EXPECT_EQ(StockCountColour(c.cards), c.colour) << c.cards;
}

// The end-of-column rules, judged against the column as it is at each pick.
TEST(Picks, EndOfColumnRules) {
  struct Case {
    Integer n;                    // cards in the column now
    std::vector<Integer> picked;  // places picked before, in order
    Integer p;                    // the place pressed
    bool allowed;
  } cases[] = {
      // First picks: the ends alone from six cards on; anything up to five.
      {6, {}, 2, false},
      {6, {}, 0, true},
      {6, {}, 1, true},
      {6, {}, 3, true},
      {6, {}, 4, true},
      {6, {}, 5, true},
      {5, {}, 2, true},
      {4, {}, 1, true},
      // Second picks in a column of six (L = 5).
      {6, {0}, 1, true},
      {6, {0}, 4, true},
      {6, {0}, 5, true},
      {6, {0}, 3, false},
      {6, {0}, 0, false},  // the same card again
      {6, {1}, 0, true},
      {6, {1}, 5, true},
      {6, {1}, 4, false},
      {6, {3}, 4, true},
      {6, {3}, 5, true},
      {6, {3}, 0, false},
      {6, {4}, 0, true},
      {6, {4}, 3, true},
      {6, {4}, 5, true},
      {6, {4}, 1, false},
      {6, {5}, 0, true},
      {6, {5}, 1, true},
      {6, {5}, 3, true},
      {6, {5}, 4, true},
      {6, {5}, 5, false},
      // A column of four: place 1 first goes on only with 3.
      {4, {1}, 3, true},
      {4, {1}, 0, false},
      {4, {1}, 2, false},
      {4, {2}, 0, true},
      {4, {2}, 1, true},
      {4, {2}, 3, true},
      // Third picks in a column of six, in either order of the first two.
      {6, {0, 5}, 1, true},
      {6, {5, 0}, 4, true},
      {6, {0, 5}, 2, false},
      {6, {0, 5}, 3, false},
      {6, {0, 1}, 5, true},
      {6, {0, 1}, 4, false},
      {6, {0, 4}, 5, true},
      {6, {4, 3}, 5, true},
      {6, {4, 3}, 0, false},
      {6, {3, 5}, 4, true},
      {6, {4, 5}, 0, true},
      {6, {5, 4}, 3, true},
      {6, {4, 5}, 1, false},
      {5, {0, 4}, 1, true},
      {5, {0, 4}, 3, true},
      {5, {0, 4}, 2, false},
      // Places 1 and 3 of four: any card, the two picked included.
      {4, {1, 3}, 0, true},
      {4, {3, 1}, 2, true},
      {4, {1, 3}, 1, true},
      {4, {1, 3}, 3, true},
      // A deal lengthened the column after the picks: off the ends, nothing goes.
      {7, {3}, 4, false},
      {7, {3}, 6, false},
      {7, {3}, 0, false},
      {6, {1, 4}, 0, false},
      {6, {1, 4}, 5, false},
      {6, {1, 4}, 2, false},
      // Three cards or fewer: every pick passes, a card picked before included.
      {3, {}, 1, true},
      {3, {0}, 0, true},
      {3, {2, 0}, 1, true},
      {2, {1}, 1, true},
      {1, {}, 0, true},
  };
  for (const Case& c : cases) {
    std::ostringstream what;
    what << "column of " << c.n << ", picked";
    for (Integer x : c.picked) what << ' ' << x;
    what << ", then " << c.p;
    std::array<Integer, 3> selPos{};
    for (size_t i = 0; i < c.picked.size(); ++i) selPos[i] = c.picked[i];
    selPos[c.picked.size()] = c.p;
    EXPECT_EQ(EndOfColumnAllows(c.n, static_cast<Integer>(c.picked.size()), selPos), c.allowed)
        << what.str();
  }
}

TEST(Picks, AThirdPickPutsTheFirstTwoPlacesInOrderOnlyWhereTheRulesApply) {
  std::array<Integer, 3> selPos{5, 0, 1};
  EXPECT_TRUE(EndOfColumnAllows(6, 2, selPos));
  EXPECT_EQ(selPos, (std::array<Integer, 3>{0, 5, 1}));
  selPos = {5, 0, 3};
  EXPECT_FALSE(EndOfColumnAllows(6, 2, selPos));  // refused, still in order
  EXPECT_EQ(selPos, (std::array<Integer, 3>{0, 5, 3}));
  selPos = {2, 0, 1};
  EXPECT_TRUE(EndOfColumnAllows(3, 2, selPos));
  EXPECT_EQ(selPos, (std::array<Integer, 3>{2, 0, 1}));
  selPos = {4, 0, 2};
  EXPECT_TRUE(EndOfColumnAllows(6, 1, selPos));  // a second pick leaves them alone
  EXPECT_EQ(selPos, (std::array<Integer, 3>{4, 0, 2}));
}

TEST(Admission, ComparesColumnsAsNumbersAndTimesAsText) {
  struct Case {
    QString cols9, time9;
    Integer cols;
    int secs;
    bool enters;
  } cases[] = {
      {"0", "99:99:99", 1, 86399, true},  // an empty row
      {"7", "00:10:00", 7, 599, true},
      {"7", "00:10:00", 7, 600, false},  // equal: ranks below
      {"7", "00:10:00", 7, 601, false},
      {"6", "00:00:01", 7, 80000, true},
      {"3", "00:05:00", 2, 1, false},     // row 9 has more columns
      {"2", "01:00:00", 2, 3599, true},   // 00:59:59 is below 01:00:00 as text
      {"7.0", "00:10:00", 7, 599, true},  // the number 7
      // An edited count that is no number ranks like an empty row.
      {"seven", "00:00:01", 1, 3600, true},
      {"", "00:00:01", 1, 3600, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(table::EntersRanking(c.cols, c.secs / 86400.0, c.cols9, c.time9), c.enters)
        << c.cols9.toStdString() << " " << c.time9.toStdString() << " " << c.cols << " " << c.secs;
  }
}

}  // namespace
}  // namespace qel::test
