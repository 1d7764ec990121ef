#include <cmath>

#include "table/Qel.h"

namespace qel {

namespace {
const QString kDealTip = QString::fromUtf8("次の１列を配る");
const QString kResumeTip = QString::fromUtf8("続きを配る");
const QString kWinText = QString::fromUtf8("おめでとう");
constexpr int kFullStock = 52;
}  // namespace

void Qel::RemoveSelection() {
  Module2& m = M();
  const int sum = CardValue(m.SelCard[0]) + CardValue(m.SelCard[1]) + CardValue(m.SelCard[2]);

  if (sum % 10 != 0) {
    // SelCount is still 2 here, so the three cards are moved back by hand.
    for (int i = 0; i <= 2; ++i) {
      ui::Image& card = *DC[m.SelCard[i]];
      card.setLeft(card.Left() + 90);
    }
    m.SelCount = 0;
    return;
  }

  for (int i = 0; i <= 2; ++i) {
    const Integer k = m.SelCard[i];
    DC[k]->setTop(m.DeckTop);
    DC[k]->setLeft(m.DeckLeft);
    DC[k]->setVisible(false);
    --m.PileCount[m.SelCol];
    ++m.PileCount[0];
    DC[0]->setToolTipText(m.ResumeCol == 0 ? kDealTip : kResumeTip);
    mnuOption->setEnabled(true);
    ShowStockCount();
    ++m.DeckTail;
    if (m.DeckTail > kFullStock) m.DeckTail = 1;
    m.Deck[m.DeckTail] = k;
  }

  if (m.PileCount[0] < kFullStock) {
    CompactColumn();
    m.SelCount = 0;
    return;
  }

  // Every card is back in the stock: the game is won. The empty table needs
  // neither compaction nor a new scroll position.
  Timer1.setInterval(0);
  GameOver = 1;
  DC[0]->setToolTipText("");
  mnuOption->setEnabled(false);
  m.ElapsedTime = PlayTimeSince(m.StartTime);
  m.ClearedCols = 7;
  if (EntersRanking(m.ClearedCols, m.ElapsedTime)) {
    ShowRank();
  } else {
    ui::MsgBox(kWinText + rt::Format(m.ElapsedTime, "hh:mm:ss"));
  }
  cmdGiveUp->setVisible(false);
  cmdGiveUp->setTop(120);
  Startbtn->setVisible(true);
  mnuOption->setEnabled(false);
  m.SelCount = 0;
}

bool Qel::EntersRanking(Integer clearedCols, Date elapsed) {
  const Module2& m = M();
  bool ok = false;
  double r = rt::CDbl(m.RankCols[9], &ok);
  // A hand-edited count that is no number ranks like an empty row: 0 columns.
  if (!ok || !std::isfinite(r)) r = 0;
  if (r < clearedCols) return true;
  return r == clearedCols && rt::TextCompare(m.RankTime[9], rt::Format(elapsed, "hh:mm:ss")) > 0;
}

void Qel::cmdGiveUp_Click() {
  Module2& m = M();
  m.ClearedCols = 0;
  for (int c = 1; c <= 7; ++c)
    if (m.PileCount[c] == 0) ++m.ClearedCols;
  m.ElapsedTime = PlayTimeSince(m.StartTime);

  if (m.ClearedCols < 1 || !EntersRanking(m.ClearedCols, m.ElapsedTime)) {
    startbtn_Click();
    return;
  }
  // The game is scored but stays live: clock, picks and removals go on.
  ShowRank();
  cmdGiveUp->setVisible(false);
  cmdGiveUp->setTop(120);
  Startbtn->setVisible(true);
  mnuOption->setEnabled(false);
}

}  // namespace qel
