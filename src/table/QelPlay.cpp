// New game, dealing, card presses and the pick rules, column compaction and
// scrolling of the table.
#include <utility>

#include "table/Qel.h"
#include "table/TableGeometry.h"

namespace qel {

using namespace table;

namespace {
void drawSelected(ui::Image& card) { card.setLeft(card.Left() - kSelectedShift); }
void drawUnselected(ui::Image& card) { card.setLeft(card.Left() + kSelectedShift); }
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
  const auto n = static_cast<Integer>(rt::Int(r * 60) + 52);
  for (Integer i = 1; i <= n; ++i) {
    const auto a = static_cast<size_t>(rt::Int(rt::Rnd() * kFullStock + 1));
    const auto b = static_cast<size_t>(rt::Int(rt::Rnd() * kFullStock + 1));
    std::swap(m.Deck[a], m.Deck[b]);
  }
}

void Qel::DealRound() {
  Module2& m = M();
  Integer col = m.ResumeCol;
  if (col <= 0 || col > kColumns) col = 1;
  while (col <= kColumns && m.PileCount[0] > 0) {
    // An emptied column gets nothing more, except in a game's first row.
    if (m.PileCount[col] != 0 || m.FirstRound != 0) {
      ui::Image& card = *DC[m.Deck[m.DealPos]];
      card.setVisible(true);
      card.setTop(PlaceTop(m.PileCount[col]));
      card.setLeft(ColumnLeft(col));
      card.ZOrder();  // covers the card above it
      m.DealPos = static_cast<Integer>(m.DealPos + 1);
      if (m.DealPos > kFullStock) m.DealPos = 1;
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
  if (col > kColumns) m.ResumeCol = 0;
  m.FirstRound = 0;
  UpdateScroll();
}

void Qel::ShowStockCount() {
  const Integer left = M().PileCount[0];
  lblLast->setCaption(rt::CStr(left));
  lblLast->setBackColor(StockCountColour(left));
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
      PickCard(Index);
    }
  }
  picTable->SetFocus();
}

// A press on card k: a pick judged by the end-of-column rules.
void Qel::PickCard(Integer k) {
  Module2& m = M();
  ui::Image& card = *DC[k];
  const Integer c = ColumnOfLeft(rt::Int(card.Left()));
  if (c == 0) return;  // not on the table

  if (m.SelCount > 0 && m.SelCol != c) DropSelection();

  const double t = PlaceTestTop(card.Top());
  for (Integer j = 0; j < m.PileCount[c]; ++j)
    if (InPlaceBand(t, j)) m.SelPos[m.SelCount] = j;

  if (!EndOfColumnAllows(m.PileCount[c], m.SelCount, m.SelPos)) return;  // refused: nothing moves

  if (m.SelCount == 0) {
    m.SelCol = c;
    drawSelected(card);
    m.SelCard[0] = k;
    m.SelCount = 1;
  } else if (m.SelCount == 1) {
    drawSelected(card);
    m.SelCard[1] = k;
    m.SelCount = 2;
    // The same card again: both moves undone, nothing selected.
    if (m.SelCard[0] == m.SelCard[1]) DropSelection();
  } else {
    drawSelected(card);
    m.SelCard[2] = k;
    m.SelCount = 3;
    if (k == m.SelCard[0] || k == m.SelCard[1])
      DropSelection();
    else
      RemoveSelection();
  }
}

void Qel::CompactColumn() {
  Module2& m = M();
  // The game keeps no list of a column's cards: they are found by where
  // their images lie. In column 1 this also finds the hidden stock cards
  // (parked inside its band); they move with the column, which nobody sees,
  // and their Top never falls on place 0 or 1.
  Integer n = 0;
  for (Integer k = 1; k <= kFullStock; ++k) {
    if (ColumnOfLeft(rt::Int(DC[k]->Left())) == m.SelCol) {
      n = static_cast<Integer>(n + 1);
      m.ColumnCards[n] = k;
    }
  }
  if (n > 0) {
    bool place0 = false;
    bool place1 = false;
    for (Integer i = 1; i <= n; ++i) {
      const double y = PlaceTestTop(DC[m.ColumnCards[i]]->Top());
      if (InPlaceBand(y, 0))
        place0 = true;
      else if (InPlaceBand(y, 1))
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
  const Module2& m = M();
  if (Index == 0)
    picTable->setTop(kTableRestTop);
  else
    picTable->setTop(ScrolledTableTop(DeepestColumn(m.PileCount), m.VisibleRows));
  picTable->SetFocus();
}

void Qel::picTable_KeyDown(Integer KeyCode, Integer) {
  if (KeyCode == kKeyUp)
    cmdUpDown_Click(0);
  else if (KeyCode == kKeyDown)
    cmdUpDown_Click(1);
}

}  // namespace qel
