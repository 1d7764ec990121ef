#pragma once
// The game's rules as plain functions: the card model, the end-of-column
// rules for picks, the removal sum, the stock count's colour and the
// ranking's admission test. No window is needed to run them.
#include <QString>
#include <array>
#include <cstdint>

#include "platform/runtime.h"

namespace qel::table {

// Card n (1..52) is also the index of its image. Suits in the order spades,
// diamonds, hearts, clubs; ranks ace 1 .. king 13; the value for the sum is
// n Mod 13 taken as 10 above 10, so the king counts 0.
constexpr Integer CardValue(Integer n) {
  const auto v = static_cast<Integer>(n % 13);
  return v > 10 ? Integer{10} : v;
}

// Whether three cards' values add up to a multiple of 10: they then go back
// to the stock.
constexpr bool SumIsMultipleOfTen(Integer a, Integer b, Integer c) {
  return (CardValue(a) + CardValue(b) + CardValue(c)) % 10 == 0;
}

// Entry 0: cards in the stock; 1..7: cards in each column.
using PileCounts = std::array<Integer, 8>;

// The largest column count, 0 for an empty table.
Integer DeepestColumn(const PileCounts& pileCount);
// How many of the seven columns hold no card.
Integer EmptiedColumns(const PileCounts& pileCount);

// Judges the pick whose place stands in selPos[selCount], in a column of n
// cards: in a column of more than three every pick must keep the picked
// places within {0, 1, L}, {0, L-1, L} or {L-2, L-1, L}, the removals that
// close up without a gap; in a column of four, place 1 first goes on only
// with 3, and after 1 and 3 any card is taken. For a third pick in a column
// of more than three, selPos[0] and selPos[1] are first put in ascending
// order, as the selection keeps them.
bool EndOfColumnAllows(Integer n, Integer selCount, std::array<Integer, 3>& selPos);

// The back colour of the stock count (0x00BBGGRR): red when empty, yellow
// for 1 to 10 cards, the label's own colour from 11 on.
inline constexpr std::uint32_t kStockEmptyColour = 0x000000FF;
inline constexpr std::uint32_t kStockLowColour = 0x0000FFFF;
inline constexpr std::uint32_t kStockCountColour = 0x00C0C000;
constexpr std::uint32_t StockCountColour(Integer cards) {
  return cards == 0 ? kStockEmptyColour : cards <= 10 ? kStockLowColour : kStockCountColour;
}

// Whether a result of clearedCols emptied columns in the play time elapsed
// earns a place against the ranking's last row: more columns, or as many
// and a time that is shorter as "hh:mm:ss" text.
bool EntersRanking(Integer clearedCols, Date elapsed, const QString& row9Cols,
                   const QString& row9Time);

}  // namespace qel::table
