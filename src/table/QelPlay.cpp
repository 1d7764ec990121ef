// New game, dealing, card presses and the pick rules, column compaction and
// scrolling of the table.
#include <array>
#include <utility>

#include "table/Qel.h"

namespace qel {

namespace {

constexpr ui::Colour kStockEmpty = 0x000000FF;  // red
constexpr ui::Colour kStockLow = 0x0000FFFF;    // yellow, 1 to 10 cards
constexpr ui::Colour kStockPlenty = 0x00C0C000;

constexpr double kSelectedShift = 90;  // a selected card is drawn this far left
constexpr Integer kPlaceStep = 240;
constexpr Integer kFirstPlaceTop = 220;
constexpr double kTableRestTop = 360;

template <size_t N>
bool contains(const std::array<Integer, N>& set, Integer count, Integer value) {
  for (Integer i = 0; i < count; ++i)
    if (set[i] == value) return true;
  return false;
}

// The end-of-column rules for the card whose place is SelPos(SelCount), in a
// column of n cards. They keep the picked places inside one of the groups
// {0, 1, L}, {0, L-1, L}, {L-2, L-1, L}, which are the removals that the
// compaction closes up without a gap. Sorts SelPos(0..1) for a third pick.
bool endOfColumnAllows(Module2& m, Integer n) {
  if (n <= 3) return true;
  const Integer L = static_cast<Integer>(n - 1);
  const Integer L1 = static_cast<Integer>(L - 1);
  const Integer L2 = static_cast<Integer>(L - 2);
  const Integer p = m.SelPos[m.SelCount];

  const std::array<Integer, 5> ends{0, 1, L2, L1, L};
  if (!contains(ends, 5, p)) return false;
  if (m.SelCount == 0) return true;

  if (m.SelCount == 1) {
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
      if (r.first != m.SelPos[0]) continue;
      named = true;
      if (!contains(r.second, r.count, p)) return false;
    }
    return named;  // a first card that a deal has moved off the ends: nothing goes
  }

  if (m.SelPos[0] > m.SelPos[1]) std::swap(m.SelPos[0], m.SelPos[1]);
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
    if (r.a != m.SelPos[0] || r.b != m.SelPos[1]) continue;
    named = true;
    if (!(r.anyInFour && n == 4) && !contains(r.third, r.count, p)) return false;
  }
  return named;
}

void drawSelected(ui::Image& card) { card.setLeft(card.Left() - kSelectedShift); }
void drawUnselected(ui::Image& card) { card.setLeft(card.Left() + kSelectedShift); }

// The column (1..7) whose band holds the Left x, 0 for none. A card lies at
// the top of its band, a selected one 90 below it, so both fall in the band.
Integer columnOf(const Module2& m, double x) {
  const Integer step = static_cast<Integer>(m.CardWidth + 120);
  for (Integer c = 1; c <= 7; ++c)
    if (m.TableLeft + (c - 1) * step < x && x <= m.TableLeft + c * step) return c;
  return 0;
}

// A press on card k: a pick judged by the end-of-column rules.
void pickCard(Qel& q, Integer k) {
  Module2& m = M();
  ui::Image& card = *q.DC[k];
  const Integer c = columnOf(m, rt::Int(card.Left()));
  if (c == 0) return;  // not on the table

  if (m.SelCount > 0 && m.SelCol != c) q.DropSelection();

  const double t = rt::Int(card.Top() + 0.49);
  for (Integer j = 0; j < m.PileCount[c]; ++j)
    if (kPlaceStep * j + 200 <= t && t <= kPlaceStep * j + 240) m.SelPos[m.SelCount] = j;

  if (!endOfColumnAllows(m, m.PileCount[c])) return;  // refused: nothing moves

  if (m.SelCount == 0) {
    m.SelCol = c;
    drawSelected(card);
    m.SelCard[0] = k;
    m.SelCount = 1;
  } else if (m.SelCount == 1) {
    drawSelected(card);
    m.SelCard[1] = k;
    m.SelCount = 2;
    if (m.SelCard[0] == m.SelCard[1]) {
      // The same card again: both moves undone, nothing selected.
      drawUnselected(*q.DC[m.SelCard[0]]);
      drawUnselected(*q.DC[m.SelCard[1]]);
      m.SelCount = 0;
    }
  } else {
    drawSelected(card);
    m.SelCard[2] = k;
    if (k == m.SelCard[0] || k == m.SelCard[1]) {
      for (Integer i = 0; i <= 2; ++i) drawUnselected(*q.DC[m.SelCard[i]]);
      m.SelCount = 0;
    } else {
      q.RemoveSelection();
    }
  }
}

}  // namespace

void Qel::startbtn_Click() {
  Module2& m = M();
  ResetTable();
  ShuffleDeck();
  m.FirstRound = 1;
  DealRound();
  DealRound();
  DealRound();
  m.SelCount = 0;
  mnuOption->setEnabled(true);
  cmdGiveUp->setVisible(true);
  Startbtn->setVisible(false);
  Timer1.setInterval(1000);
  m.StartTime = rt::Time();
  picTable->SetFocus();
}

void Qel::ShuffleDeck() {
  Module2& m = M();
  // Just after midnight the argument is 0 and the last value comes again.
  const double r = rt::Rnd(rt::Time());
  const Integer n = static_cast<Integer>(rt::Int(r * 60) + 52);
  for (Integer i = 1; i <= n; ++i) {
    const auto a = static_cast<Integer>(rt::Int(rt::Rnd() * 52 + 1));
    const auto b = static_cast<Integer>(rt::Int(rt::Rnd() * 52 + 1));
    std::swap(m.Deck[a], m.Deck[b]);
  }
}

void Qel::DealRound() {
  Module2& m = M();
  Integer col = m.ResumeCol;
  if (col <= 0 || col > 7) col = 1;
  while (col <= 7 && m.PileCount[0] > 0) {
    // An emptied column gets nothing more, except in a game's first row.
    if (m.PileCount[col] != 0 || m.FirstRound != 0) {
      ui::Image& card = *DC[m.Deck[m.DealPos]];
      card.setVisible(true);
      card.setTop(m.PileCount[col] * kPlaceStep + kFirstPlaceTop);
      card.setLeft(m.TableLeft + col * (m.CardWidth + 120));
      card.ZOrder();  // covers the card above it
      m.DealPos = static_cast<Integer>(m.DealPos + 1);
      if (m.DealPos > 52) m.DealPos = 1;
      m.PileCount[0] = static_cast<Integer>(m.PileCount[0] - 1);
      ShowStockCount();
      m.PileCount[col] = static_cast<Integer>(m.PileCount[col] + 1);
    }
    col = static_cast<Integer>(col + 1);
  }
  if (m.PileCount[0] == 0) {
    m.ResumeCol = col;
    DC[0]->setToolTipText("");
    mnuOption->setEnabled(false);
  }
  if (col > 7) m.ResumeCol = 0;
  m.FirstRound = 0;
  UpdateScroll();
}

void Qel::ShowStockCount() {
  const Integer left = M().PileCount[0];
  lblLast->setCaption(rt::CStr(left));
  lblLast->setBackColor(left == 0 ? kStockEmpty : left <= 10 ? kStockLow : kStockPlenty);
}

void Qel::DropSelection() {
  Module2& m = M();
  for (Integer i = 0; i < m.SelCount; ++i) drawUnselected(*DC[m.SelCard[i]]);
  m.SelCount = 0;
}

void Qel::DC_MouseDown(Integer Index, Integer Button, Integer, Single, Single) {
  Module2& m = M();
  if (Button == ui::vbRightButton) {
    if (GameOver != 1 && m.SelCount > 0) DropSelection();
  } else if (GameOver != 1) {
    if (Index == 0) {
      // Whatever the stock holds; a pending selection stays picked.
      DealRound();
    } else {
      pickCard(*this, Index);
    }
  }
  picTable->SetFocus();
}

void Qel::CompactColumn() {
  Module2& m = M();
  // The game keeps no list of a column's cards: they are found by where
  // their images lie. In column 1 this also finds the hidden stock cards
  // (parked inside its band); they move with the column, which nobody sees,
  // and their Top never falls on place 0 or 1.
  const auto upper = static_cast<Integer>((m.CardWidth + 120) * m.SelCol + m.TableLeft);
  const auto lower = static_cast<Integer>((m.CardWidth + 120) * (m.SelCol - 1) + m.TableLeft);
  Integer n = 0;
  for (Integer k = 1; k <= 52; ++k) {
    const double x = rt::Int(DC[k]->Left());
    if (x <= upper && x > lower) {
      n = static_cast<Integer>(n + 1);
      m.ColumnCards[n] = k;
    }
  }
  if (n > 0) {
    bool place0 = false;
    bool place1 = false;
    for (Integer i = 1; i <= n; ++i) {
      const double y = rt::Int(DC[m.ColumnCards[i]]->Top() + 0.49);
      if (200 <= y && y <= 240)
        place0 = true;
      else if (440 <= y && y <= 480)
        place1 = true;
    }
    // A removal the pick rules allow leaves at most the first two places free.
    if (!place0) {
      const double up = place1 ? kPlaceStep : 2 * kPlaceStep;
      for (Integer i = 1; i <= n; ++i) {
        ui::Image& card = *DC[m.ColumnCards[i]];
        card.setTop(card.Top() - up);
      }
    }
  }
  UpdateScroll();
}

void Qel::cmdUpDown_Click(Integer Index) {
  Module2& m = M();
  if (Index == 0) {
    picTable->setTop(kTableRestTop);
  } else {
    Integer deepest = 0;
    for (int c = 1; c <= 7; ++c)
      if (m.PileCount[c] > deepest) deepest = m.PileCount[c];
    if (deepest < m.VisibleRows) deepest = m.VisibleRows;
    picTable->setTop(kTableRestTop - kPlaceStep * (deepest - m.VisibleRows));
  }
  picTable->SetFocus();
}

void Qel::picTable_KeyDown(Integer KeyCode, Integer) {
  if (KeyCode == 65) {
    cmdUpDown_Click(0);  // A: Up
  } else if (KeyCode == 90) {
    cmdUpDown_Click(1);  // Z: Down
  }
}

}  // namespace qel
