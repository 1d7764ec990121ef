// Removal of three cards to the stock, the win, and Give Up.
#include "program/Windows.h"
#include "table/Qel.h"
#include "table/TableGeometry.h"

namespace qel {

using namespace table;

namespace {
const QString kWinText = QString::fromUtf8("おめでとう");
}  // namespace

void Qel::RemoveSelection() {
  Module2& m = M();
  if (!SumIsMultipleOfTen(m.SelCard[0], m.SelCard[1], m.SelCard[2])) {
    DropSelection();
    return;
  }

  for (size_t i = 0; i <= 2; ++i) {
    const Integer k = m.SelCard[i];
    DC[k]->setTop(kDeckTop);
    DC[k]->setLeft(kDeckLeft);
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
  m.ClearedCols = kColumns;
  if (!RankResult()) ui::MsgBox(kWinText + rt::Format(m.ElapsedTime, "hh:mm:ss"));
  ShowIdleControls();
  m.SelCount = 0;
}

bool Qel::ResultEntersRanking() const {
  const Module2& m = M();
  return EntersRanking(m.ClearedCols, m.ElapsedTime, m.RankCols[9], m.RankTime[9]);
}

bool Qel::RankResult() {
  // The player may have started and finished another game while a result
  // waited for its "OK": that one is stored as it stands, so that neither is
  // lost and this one is ranked against it.
  ConfirmWaitingResult();
  if (!ResultEntersRanking()) return false;
  ShowRankForResult();
  return true;
}

void Qel::cmdGiveUp_Click() {
  Module2& m = M();
  m.ClearedCols = EmptiedColumns(m.PileCount);
  m.ElapsedTime = PlayTimeSince(m.StartTime);

  if (m.ClearedCols < 1 || !RankResult()) {
    startbtn_Click();
    return;
  }
  // The game is scored but stays live: clock, picks and removals go on.
  ShowIdleControls();
}

}  // namespace qel
