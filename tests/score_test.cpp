// Removal of three cards, the win, the ranking admission test and Give Up.
// The table is laid out directly, as deals and picks leave it.
#include <set>
#include <vector>

#include "fixture.h"
#include "ranking/fRank.h"
#include "table/Rules.h"

namespace qel::test {
namespace {

using table::ColumnLeft;
using table::PlaceTop;

// Presses cards one after another, as the player picks them.
void pick(Qel& q, std::initializer_list<Integer> cards) {
  for (Integer k : cards) press(q, k);
}

// A ranking whose last row holds the given columns and time, under nine
// better rows.
void setRow9(const QString& cols, const QString& time) {
  std::vector<RankRow> rows;
  for (int i = 0; i < 9; ++i)
    rows.push_back({QString("p%1").arg(i), "7", "00:00:01", "2026/01/01 00:00:00"});
  rows.push_back({"p9", cols, time, "2026/01/01 00:00:00"});
  setRanking(rows);
}

// Every card not in the given columns, so that a table holds all 52.
std::vector<Integer> allBut(std::initializer_list<Integer> used, int count) {
  std::set<Integer> u(used);
  std::vector<Integer> out;
  for (Integer k = 1; k <= 52 && static_cast<int>(out.size()) < count; ++k)
    if (!u.count(k)) out.push_back(k);
  return out;
}

using Removal = ProgramFixture;

TEST_F(Removal, SumsThatAreMultiplesOfTenGoBackOthersAreDropped) {
  Qel& q = loadQel();
  struct Case {
    Integer a, b, c;
    bool removed;
  } cases[] = {
      {1, 9, 13, true},    // ace + nine + king = 10
      {10, 11, 12, true},  // ten + jack + queen = 30
      {13, 26, 39, true},  // three kings = 0
      {27, 48, 52, true},  // hearts ace, clubs nine, clubs king: suits play no part
      {5, 18, 31, false},  // three fives = 15
      {2, 3, 4, false},    // 9
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << "+" << c.b << "+" << c.c);
    layTable(q, {{40, 41}, {42}, {c.a, c.b, c.c}, {43, 44, 45, 46}});
    const auto ringBefore = stockRing();
    pick(q, {c.b, c.a, c.c});
    const Module2& m = M();
    EXPECT_EQ(m.SelCount, 0);
    if (c.removed) {
      EXPECT_EQ(m.PileCount[3], 0);
      EXPECT_EQ(m.PileCount[0], 45);
      auto ring = ringBefore;
      ring.insert(ring.end(), {c.b, c.a, c.c});
      EXPECT_EQ(stockRing(), ring);
      for (Integer k : {c.a, c.b, c.c}) {
        EXPECT_FALSE(q.DC[k]->Visible());
        EXPECT_EQ(q.DC[k]->Left(), 45);
        EXPECT_EQ(q.DC[k]->Top(), 840);
      }
      EXPECT_EQ(q.DC[0]->ToolTipText(), kDealTip);
      EXPECT_TRUE(q.mnuOption->Enabled());
    } else {
      EXPECT_EQ(m.PileCount[3], 3);
      EXPECT_EQ(stockRing(), ringBefore);
      int j = 0;
      for (Integer k : {c.a, c.b, c.c}) {
        EXPECT_TRUE(q.DC[k]->Visible());
        EXPECT_EQ(q.DC[k]->Left(), ColumnLeft(3));
        EXPECT_EQ(q.DC[k]->Top(), PlaceTop(j++));
      }
    }
    EXPECT_EQ(q.GameOver, 0);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(RankForm(), nullptr);
  }
}

TEST_F(Removal, StockCountColourAndToolTipAfterAReturn) {
  Qel& q = loadQel();
  struct Case {
    int stockBefore;
    Integer resumeCol;
    QString caption;
    ui::Colour colour;
    QString tip;
  } cases[] = {
      {8, 0, "11", 0x00C0C000, kDealTip},
      {7, 0, "10", 0x0000FFFF, kDealTip},
      {0, 5, "3", 0x0000FFFF, kResumeTip},  // stock ran out in the middle of a row
      {0, 0, "3", 0x0000FFFF, kDealTip},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stockBefore);
    // Column 7 holds 1, 9 and king; the other dealt cards fill columns 1..6.
    const auto rest = allBut({1, 9, 13}, 52 - 3 - c.stockBefore);
    Columns cols(7);
    for (size_t i = 0; i < rest.size(); ++i) cols[i % 6].push_back(rest[i]);
    cols[6] = {1, 9, 13};
    layTable(q, cols);
    ASSERT_EQ(M().PileCount[0], c.stockBefore);
    M().ResumeCol = c.resumeCol;
    if (c.stockBefore == 0) {  // as the deal that emptied the stock left them
      q.DC[0]->setToolTipText("");
      q.mnuOption->setEnabled(false);
    }
    pick(q, {13, 9, 1});
    EXPECT_EQ(q.lblLast->Caption(), c.caption);
    EXPECT_EQ(q.lblLast->BackColor(), c.colour);
    EXPECT_EQ(q.DC[0]->ToolTipText(), c.tip);
    EXPECT_TRUE(q.mnuOption->Enabled());
    EXPECT_EQ(M().ResumeCol, c.resumeCol);
  }
}

TEST_F(Removal, CardsReturnInPickingOrderAndTheTailWraps) {
  Qel& q = loadQel();
  // Column 2: ace at place 0, nine at 1, king at L = 4; picked L, 0, 1.
  const Columns cols{{20, 21}, {1, 9, 30, 31, 13}, {22}};
  const int stock = 52 - 8;
  layTable(q, cols, 51 - stock + 1);
  ASSERT_EQ(M().DeckTail, 51);
  pick(q, {13, 1, 9});
  const Module2& m = M();
  EXPECT_EQ(m.Deck[52], 13);
  EXPECT_EQ(m.Deck[1], 1);
  EXPECT_EQ(m.Deck[2], 9);
  EXPECT_EQ(m.DeckTail, 2);
  const auto ring = stockRing();
  ASSERT_EQ(ring.size(), 47u);
  EXPECT_EQ(std::vector<Integer>(ring.end() - 3, ring.end()), (std::vector<Integer>{13, 1, 9}));
  // The column closes up: the two cards left move to places 0 and 1.
  EXPECT_EQ(m.PileCount[2], 2);
  EXPECT_EQ(q.DC[30]->Top(), PlaceTop(0));
  EXPECT_EQ(q.DC[31]->Top(), PlaceTop(1));
  EXPECT_EQ(q.DC[30]->Left(), ColumnLeft(2));
}

using Win = ProgramFixture;

TEST_F(Win, LastRemovalWinsWithoutCompactionAndOpensTheRanking) {
  Qel& q = loadQel();
  layTable(q, {{1, 9, 13}});
  ASSERT_EQ(M().PileCount[0], 49);
  setClock(QTime(10, 4, 37));
  q.lblTime->setCaption("00:04:36");  // the clock's last tick
  q.picTable->setTop(-120);           // a scroll position the win must keep
  pick(q, {1, 13, 9});

  const Module2& m = M();
  EXPECT_EQ(m.PileCount[0], 52);
  EXPECT_EQ(q.Timer1.Interval(), 0);
  EXPECT_EQ(q.lblTime->Caption(), "00:04:36");
  EXPECT_EQ(q.GameOver, 1);
  EXPECT_EQ(q.DC[0]->ToolTipText(), "");
  EXPECT_FALSE(q.mnuOption->Enabled());
  EXPECT_EQ(rt::Format(m.ElapsedTime, "hh:mm:ss"), "00:04:37");
  EXPECT_EQ(m.ClearedCols, 7);
  EXPECT_FALSE(q.cmdGiveUp->Visible());
  EXPECT_EQ(q.cmdGiveUp->Top(), 120);
  EXPECT_TRUE(q.Startbtn->Visible());
  EXPECT_EQ(m.SelCount, 0);
  EXPECT_EQ(q.lblLast->Caption(), "52");
  EXPECT_EQ(q.lblLast->BackColor(), 0x00C0C000u);
  // Compacting column 1 would have moved the parked cards, which lie in its band.
  for (int k = 1; k <= 52; ++k) {
    EXPECT_FALSE(q.DC[k]->Visible()) << k;
    EXPECT_EQ(q.DC[k]->Top(), 840) << k;
  }
  EXPECT_EQ(q.picTable->Top(), -120);

  // An empty ranking: the result takes row 0.
  EXPECT_TRUE(messages.isEmpty());
  ASSERT_NE(RankForm(), nullptr);
  EXPECT_TRUE(RankForm()->form.Visible());
  EXPECT_EQ(RankForm()->txtName[0]->BackColor(), kNewRow);
  EXPECT_EQ(RankForm()->lblRetsu[0]->Caption(), "7");
  EXPECT_EQ(RankForm()->lblTime[0]->Caption(), "00:04:37");
}

TEST_F(Win, AdmissionAgainstRowNineAndTheMessage) {
  struct Case {
    QString cols9, time9;
    QTime start, end;
    bool enters;
    QString message;
  } cases[] = {
      {"7", "00:10:00", QTime(10, 0, 0), QTime(10, 9, 59), true, ""},
      {"7", "00:10:00", QTime(10, 0, 0), QTime(10, 10, 0), false, "00:10:00"},
      {"7", "00:10:00", QTime(10, 0, 0), QTime(10, 10, 1), false, "00:10:01"},
      {"6", "00:00:01", QTime(10, 0, 0), QTime(21, 0, 0), true, ""},
      {"7", "00:00:01", QTime(10, 0, 0), QTime(10, 4, 37), false, "00:04:37"},
      // Across midnight the play time still counts forward.
      {"7", "00:00:01", QTime(23, 58, 0), QTime(0, 2, 37), false, "00:04:37"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cols9.toStdString() << " " << c.time9.toStdString() << " "
                                    << c.end.toString().toStdString());
    ResetProgram();
    messages.clear();
    setRow9(c.cols9, c.time9);
    Qel& q = loadQel();
    layTable(q, {{1, 9, 13}});
    M().StartTime = dayTime(c.start.hour(), c.start.minute(), c.start.second());
    setClock(c.end);
    pick(q, {1, 9, 13});
    if (c.enters) {
      EXPECT_NE(RankForm(), nullptr);
      EXPECT_TRUE(messages.isEmpty());
    } else {
      EXPECT_EQ(RankForm(), nullptr);
      EXPECT_EQ(messages, QStringList{kWinText + c.message});
    }
    // Either way the table goes idle.
    EXPECT_EQ(q.GameOver, 1);
    EXPECT_TRUE(q.Startbtn->Visible());
    EXPECT_FALSE(q.cmdGiveUp->Visible());
    EXPECT_FALSE(q.mnuOption->Enabled());
    EXPECT_EQ(q.Timer1.Interval(), 0);
  }
}

// The menu's display gives way to a win that enters; one that doesn't leaves
// it as it was.
TEST_F(Win, WhileTheRankingIsViewed) {
  for (bool enters : {true, false}) {
    SCOPED_TRACE(enters ? "enters" : "does not enter");
    ResetProgram();
    messages.clear();
    if (enters)
      setRanking({});
    else
      setRow9("7", "00:00:01");
    Qel& q = loadQel();
    M().RankViewOnly = 1;  // opened for display from the menu
    ShowRank();
    fRank* open = RankForm();
    ASSERT_NE(open, nullptr);
    layTable(q, {{1, 9, 13}});
    setClock(QTime(10, 1, 0));
    pick(q, {1, 9, 13});

    ASSERT_NE(RankForm(), nullptr);
    const fRank& w = *RankForm();
    EXPECT_EQ(w.txtName[0]->BackColor() == kNewRow, enters);
    EXPECT_EQ(w.txtName[0]->Visible(), enters);
    if (enters) {
      EXPECT_EQ(w.lblRetsu[0]->Caption(), "7");
      EXPECT_EQ(w.lblTime[0]->Caption(), "00:01:00");
      EXPECT_EQ(M().RankViewOnly, 0);
      EXPECT_TRUE(messages.isEmpty());
    } else {
      EXPECT_EQ(RankForm(), open);
      EXPECT_EQ(M().RankViewOnly, 1);
      EXPECT_EQ(messages, QStringList{kWinText + "00:01:00"});
    }
    EXPECT_TRUE(w.form.Visible());
    EXPECT_EQ(M().ClearedCols, 7);
    EXPECT_EQ(q.GameOver, 1);
    EXPECT_TRUE(q.Startbtn->Visible());
  }
}

using GiveUp = ProgramFixture;

TEST_F(GiveUp, EntersOrStartsTheNextGame) {
  struct Case {
    int emptied;
    QString cols9, time9;
    int playSecs;
    bool enters;
  } cases[] = {
      {0, "0", "99:99:99", 60, false},  // no emptied column never enters
      {1, "0", "99:99:99", 60, true},   {2, "2", "00:05:00", 190, true},
      {2, "2", "00:05:00", 300, false}, {2, "2", "00:05:00", 299, true},
      {2, "3", "99:00:00", 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.emptied << " " << c.cols9.toStdString() << " " << c.playSecs);
    ResetProgram();
    if (c.cols9 == "0")
      setRanking({});  // empty rows
    else
      setRow9(c.cols9, c.time9);
    Qel& q = loadQel();
    // 7 - emptied columns of three cards each.
    Columns cols(7);
    Integer k = 1;
    for (int col = c.emptied; col < 7; ++col)
      cols[col] = {k, Integer(k + 1), Integer(k + 2)}, k += 3;
    layTable(q, cols);
    setClock(QTime(10, 0, 0).addSecs(c.playSecs));
    q.cmdGiveUp_Click();

    EXPECT_EQ(M().ClearedCols, c.emptied);
    EXPECT_EQ(qRound(M().ElapsedTime * 86400), c.playSecs);
    EXPECT_TRUE(messages.isEmpty());
    if (c.enters) {
      ASSERT_NE(RankForm(), nullptr);
      EXPECT_FALSE(q.cmdGiveUp->Visible());
      EXPECT_EQ(q.cmdGiveUp->Top(), 120);
      EXPECT_TRUE(q.Startbtn->Visible());
      EXPECT_FALSE(q.mnuOption->Enabled());
    } else {
      // The next game: a fresh deal of three rows and a new start time.
      EXPECT_EQ(RankForm(), nullptr);
      EXPECT_EQ(M().PileCount[0], 31);
      EXPECT_EQ(M().StartTime, rt::Time());
      EXPECT_TRUE(q.cmdGiveUp->Visible());
      EXPECT_FALSE(q.Startbtn->Visible());
      EXPECT_TRUE(q.mnuOption->Enabled());
    }
  }
}

TEST_F(GiveUp, ThatEntersLeavesTheTableLive) {
  Qel& q = loadQel();
  // Five columns emptied; columns 1 and 2 hold one removal each.
  layTable(q, {{1, 9, 13}, {2, 3, 5}});
  pick(q, {2, 3});  // a pending selection
  setClock(QTime(10, 3, 0));
  q.cmdGiveUp_Click();

  ASSERT_NE(RankForm(), nullptr);
  fRank* open = RankForm();
  EXPECT_EQ(open->lblRetsu[0]->Caption(), "5");
  EXPECT_EQ(open->lblTime[0]->Caption(), "00:03:00");
  EXPECT_EQ(q.Timer1.Interval(), 1000);
  EXPECT_EQ(q.GameOver, 0);
  EXPECT_FALSE(q.mnuOption->Enabled());
  EXPECT_EQ(M().SelCount, 2);
  EXPECT_EQ(q.DC[2]->Left(), ColumnLeft(2) - 90);
  EXPECT_EQ(q.DC[3]->Left(), ColumnLeft(2) - 90);

  // The selection can still be completed; the removal enables the deal command.
  pick(q, {5});
  EXPECT_EQ(M().PileCount[0], 49);
  EXPECT_TRUE(q.mnuOption->Enabled());

  // The win of the same game is scored too: the Give Up result, still
  // waiting, is stored as it stands, and the win placed above it.
  setClock(QTime(10, 4, 0));
  pick(q, {13, 1, 9});
  EXPECT_EQ(rankRow(0), (RankRow{M().LastPlayerName, "5", "00:03:00", "2026/12/10 10:03:00"}));
  ASSERT_NE(RankForm(), nullptr);
  const fRank& w = *RankForm();
  EXPECT_EQ(w.txtName[0]->BackColor(), kNewRow);
  EXPECT_EQ(w.lblRetsu[0]->Caption(), "7");
  EXPECT_EQ(w.lblTime[0]->Caption(), "00:04:00");
  EXPECT_EQ(w.lblRetsu[1]->Caption(), "5");
  EXPECT_EQ(w.txtName[1]->BackColor(), 0x8000000Bu);
  EXPECT_EQ(M().ClearedCols, 7);
  EXPECT_EQ(q.GameOver, 1);
  EXPECT_EQ(q.Timer1.Interval(), 0);
  EXPECT_TRUE(messages.isEmpty());
}

}  // namespace
}  // namespace qel::test
