#include "table/Rules.h"

#include <cmath>
#include <utility>

namespace qel::table {

namespace {
template <size_t N>
bool contains(const std::array<Integer, N>& set, Integer count, Integer value) {
  for (Integer i = 0; i < count; ++i)
    if (set[static_cast<size_t>(i)] == value) return true;
  return false;
}
}  // namespace

Integer DeepestColumn(const PileCounts& pileCount) {
  Integer deepest = 0;
  for (size_t c = 1; c < pileCount.size(); ++c)
    if (pileCount[c] > deepest) deepest = pileCount[c];
  return deepest;
}

Integer EmptiedColumns(const PileCounts& pileCount) {
  Integer emptied = 0;
  for (size_t c = 1; c < pileCount.size(); ++c)
    if (pileCount[c] == 0) ++emptied;
  return emptied;
}

bool EndOfColumnAllows(Integer n, Integer selCount, std::array<Integer, 3>& selPos) {
  if (n <= 3) return true;
  const auto L = static_cast<Integer>(n - 1);
  const auto L1 = static_cast<Integer>(L - 1);
  const auto L2 = static_cast<Integer>(L - 2);
  const Integer p = selPos[static_cast<size_t>(selCount)];

  const std::array<Integer, 5> ends{0, 1, L2, L1, L};
  if (!contains(ends, 5, p)) return false;
  if (selCount == 0) return true;

  if (selCount == 1) {
    struct Row {
      Integer first;
      std::array<Integer, 4> second;
      Integer count;
    };
    const Row rows[] = {
        {0, {1, L1, L}, 3},  {1, {0, L}, 2},         {L2, {L1, L}, 2},
        {L1, {0, L2, L}, 3}, {L, {0, 1, L2, L1}, 4},
    };
    // In a column of 4 place 1 is also L-2: every row that names the first
    // card must allow the second.
    bool named = false;
    for (const Row& r : rows) {
      if (r.first != selPos[0]) continue;
      named = true;
      if (!contains(r.second, r.count, p)) return false;
    }
    return named;  // a first card that a deal has moved off the ends: nothing goes
  }

  if (selPos[0] > selPos[1]) std::swap(selPos[0], selPos[1]);
  struct Row {
    Integer a, b;
    std::array<Integer, 2> third;
    Integer count;
    bool anyInFour;  // places 1 and 3 of four: either other card completes a group
  };
  const Row rows[] = {
      {0, 1, {L}, 1, false},      {0, L1, {L}, 1, false},  {0, L, {1, L1}, 2, false},
      {1, L, {0}, 1, true},       {L2, L1, {L}, 1, false}, {L2, L, {L1}, 1, true},
      {L1, L, {0, L2}, 2, false},
  };
  bool named = false;
  for (const Row& r : rows) {
    if (r.a != selPos[0] || r.b != selPos[1]) continue;
    named = true;
    if (!(r.anyInFour && n == 4) && !contains(r.third, r.count, p)) return false;
  }
  return named;
}

bool EntersRanking(Integer clearedCols, Date elapsed, const QString& row9Cols,
                   const QString& row9Time) {
  bool ok = false;
  double r = rt::CDbl(row9Cols, &ok);
  // A hand-edited count that is no number ranks like an empty row: 0 columns.
  if (!ok || !std::isfinite(r)) r = 0;
  if (r < clearedCols) return true;
  return r == clearedCols && rt::TextCompare(row9Time, rt::Format(elapsed, "hh:mm:ss")) > 0;
}

}  // namespace qel::table
