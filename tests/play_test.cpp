// New game, shuffle, dealing, the picks by the end-of-column rules,
// compaction and scrolling, driven through the handlers.
#include <QString>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "fixture.h"

namespace qel::test {
namespace {

using table::ColumnLeft;
using table::PlaceTop;

// Columns of the given depths, filled with the cards 1, 2, 3, ... in turn.
Columns byDepth(std::vector<int> depths) {
  Columns cols(7);
  Integer next = 1;
  for (size_t c = 0; c < depths.size(); ++c)
    for (int j = 0; j < depths[c]; ++j) cols[c].push_back(next++);
  return cols;
}

class Play : public ProgramFixture {
 protected:
  void SetUp() override {
    ProgramFixture::SetUp();
    q = &loadQel();
    rt::seedGenerator(12345);  // the load seeded it from the timer
  }

  void lay(const Columns& cols, Integer dealPos = 1) { layTable(*q, cols, dealPos); }

  // Cards come back to the stock's tail as a removal sends them.
  void returnToStock(std::vector<Integer> cards) {
    Module2& m = M();
    for (Integer k : cards) {
      for (int c = 1; c <= 7; ++c) {
        if (q->DC[k]->Visible() && q->DC[k]->Left() == ColumnLeft(c)) --m.PileCount[c];
      }
      q->DC[k]->setVisible(false);
      q->DC[k]->setLeft(45);
      q->DC[k]->setTop(840);
      ++m.PileCount[0];
      m.DeckTail = Integer(m.DeckTail % 52 + 1);
      m.Deck[m.DeckTail] = k;
    }
    q->DC[0]->setToolTipText(m.ResumeCol == 0 ? kDealTip : kResumeTip);
    q->mnuOption->setEnabled(true);
  }

  // Moves what is left of column c up to places 0, 1, ...
  void closeUp(int c) {
    std::vector<ui::Image*> left;
    for (Integer k = 1; k <= 52; ++k)
      if (q->DC[k]->Visible() && q->DC[k]->Left() == ColumnLeft(c)) left.push_back(q->DC[k].get());
    std::sort(left.begin(), left.end(), [](auto* a, auto* b) { return a->Top() < b->Top(); });
    for (size_t j = 0; j < left.size(); ++j) left[j]->setTop(PlaceTop(int(j)));
  }

  // The card at place j of column c, 0 when there is none.
  Integer cardAt(int c, int j) const {
    for (Integer k = 1; k <= 52; ++k) {
      const ui::Image& d = *q->DC[k];
      if (d.Visible() && d.Top() == PlaceTop(j) &&
          (d.Left() == ColumnLeft(c) || d.Left() == ColumnLeft(c) - 90))
        return k;
    }
    return 0;
  }

  std::vector<Integer> column(int c) const {
    std::vector<Integer> cards;
    for (int j = 0; j < M().PileCount[c]; ++j) cards.push_back(cardAt(c, j));
    return cards;
  }

  void press(Integer index, Integer button = ui::vbLeftButton) { test::press(*q, index, button); }

  // What must hold between two presses: each card once, either in the
  // stock ring (hidden) or at one place of one column (shown, at the
  // column's Left or 90 left of it while selected), columns without gaps,
  // each card in front of the one above it.
  ::testing::AssertionResult consistent() const {
    const Module2& m = M();
    std::vector<int> seen(53, 0);
    int total = 0;
    Integer slot = m.DealPos;
    for (int i = 0; i < m.PileCount[0]; ++i) {
      const Integer k = m.Deck[slot];
      if (k < 1 || k > 52)
        return ::testing::AssertionFailure() << "slot " << slot << " holds " << k;
      ++seen[k];
      if (q->DC[k]->Visible())
        return ::testing::AssertionFailure() << "stock card " << k << " shown";
      if (i == m.PileCount[0] - 1 && slot != m.DeckTail)
        return ::testing::AssertionFailure()
               << "stock ends at " << slot << ", DeckTail " << m.DeckTail;
      slot = Integer(slot % 52 + 1);
    }
    total += m.PileCount[0];
    const QObjectList& order = q->picTable->widget()->children();
    for (int c = 1; c <= 7; ++c) {
      int prevZ = -1;
      for (int j = 0; j < m.PileCount[c]; ++j) {
        const Integer k = cardAt(c, j);
        if (k == 0)
          return ::testing::AssertionFailure() << "column " << c << " has no card at " << j;
        ++seen[k];
        const bool selected = std::find(m.SelCard.begin(), m.SelCard.begin() + m.SelCount, k) !=
                              m.SelCard.begin() + m.SelCount;
        const double want = selected ? ColumnLeft(c) - 90 : ColumnLeft(c);
        if (q->DC[k]->Left() != want)
          return ::testing::AssertionFailure() << "card " << k << " at Left " << q->DC[k]->Left();
        const int z = int(order.indexOf(q->DC[k]->widget()));
        if (z < prevZ)
          return ::testing::AssertionFailure() << "card " << k << " behind the card above";
        prevZ = z;
      }
      total += m.PileCount[c];
    }
    if (total != 52) return ::testing::AssertionFailure() << total << " cards counted";
    for (int k = 1; k <= 52; ++k) {
      if (seen[k] != 1)
        return ::testing::AssertionFailure() << "card " << k << " found " << seen[k] << " times";
      if (q->DC[k]->Visible() && std::count_if(q->DC.begin() + 1, q->DC.end(), [&](const auto& d) {
                                   return d->Visible() && d->Left() == q->DC[k]->Left() &&
                                          d->Top() == q->DC[k]->Top();
                                 }) != 1)
        return ::testing::AssertionFailure() << "two cards where card " << k << " lies";
    }
    return ::testing::AssertionSuccess();
  }

  Qel* q = nullptr;
};

// --- New game and shuffle ------------------------------------------------------------

TEST_F(Play, StartDealsThreeRowsAndPutsTheWindowInPlay) {
  q->form.Show();
  setClock(QTime(14, 25, 36));
  q->Startbtn->press();
  const Module2& m = M();

  EXPECT_EQ(q->GameOver, 0);
  for (int c = 1; c <= 7; ++c) {
    EXPECT_EQ(m.PileCount[c], 3);
    // Row r of column c is the (7r + c)th card of the shuffled ring.
    for (int r = 0; r < 3; ++r) EXPECT_EQ(cardAt(c, r), m.Deck[7 * r + c]) << c << "," << r;
  }
  EXPECT_EQ(m.PileCount[0], 31);
  EXPECT_EQ(q->lblLast->Caption(), "31");
  EXPECT_EQ(q->lblLast->BackColor(), 0x00C0C000u);
  EXPECT_EQ(m.DealPos, 22);
  EXPECT_EQ(m.DeckTail, 52);
  EXPECT_EQ(m.ResumeCol, 0);
  EXPECT_EQ(m.FirstRound, 0);
  EXPECT_EQ(m.SelCount, 0);
  EXPECT_TRUE(q->mnuOption->Enabled());
  EXPECT_EQ(q->DC[0]->ToolTipText(), kDealTip);
  EXPECT_TRUE(q->cmdGiveUp->Visible());
  EXPECT_EQ(q->cmdGiveUp->Top(), q->Startbtn->Top());
  EXPECT_FALSE(q->Startbtn->Visible());
  EXPECT_EQ(q->Timer1.Interval(), 1000);
  EXPECT_DOUBLE_EQ(m.StartTime, (14 * 3600 + 25 * 60 + 36) / 86400.0);
  EXPECT_EQ(q->lblTime->Caption(), "");  // until the clock's first tick
  EXPECT_TRUE(q->picTable->hasFocus());
  EXPECT_TRUE(consistent());
}

TEST_F(Play, NewGameDuringAGameDropsTheSelectionAndKeepsTheToolTip) {
  q->startbtn_Click();
  const Integer last = cardAt(4, 2);
  press(last);
  ASSERT_EQ(M().SelCount, 1);
  q->DC[0]->setToolTipText("");  // that game's stock had run out
  q->lblTime->setCaption("00:03:12");

  q->startbtn_Click();
  EXPECT_EQ(M().SelCount, 0);
  EXPECT_EQ(q->DC[0]->ToolTipText(), "");
  EXPECT_TRUE(q->mnuOption->Enabled());
  EXPECT_EQ(q->lblTime->Caption(), "00:03:12");
  EXPECT_EQ(M().PileCount[0], 31);
  EXPECT_TRUE(consistent());
}

// Known answers of the seeded generator: a fault in the count of exchanges,
// in the slot arithmetic or in the draws per exchange gives another deck or
// leaves the generator elsewhere.
TEST_F(Play, ShuffleGivesTheKnownDeckOfTheSeededGenerator) {
  using Deck = std::array<Integer, 53>;
  const Deck fromTheNextValue{0,  47, 24, 42, 16, 28, 4,  23, 8,  9,  52, 19, 43, 48,
                              21, 22, 17, 15, 41, 14, 12, 6,  2,  45, 44, 3,  26, 49,
                              11, 33, 29, 34, 10, 37, 5,  35, 32, 1,  13, 39, 25, 18,
                              30, 20, 46, 27, 36, 7,  40, 38, 50, 51, 31};
  const Deck afterOneDraw{0,  29, 13, 51, 16, 17, 12, 15, 8,  9, 20, 3,  27, 47, 52, 41, 11, 22,
                          1,  25, 10, 37, 48, 49, 28, 23, 26, 7, 38, 45, 36, 18, 40, 5,  35, 14,
                          42, 33, 4,  39, 43, 46, 19, 6,  24, 2, 32, 34, 31, 44, 50, 21, 30};
  struct Case {
    QTime clock;
    bool drawBefore;  // a value drawn before the shuffle
    Deck deck;
    double next;  // what the generator gives after the shuffle
  } cases[] = {
      {QTime(10, 0, 0), false, fromTheNextValue, 0.82915050840605298},
      {QTime(23, 59, 59), true, afterOneDraw, 0.75812402006156998},
      // Just after midnight the argument is 0: the count comes from the value
      // drawn before, so the exchanges are those of the first case.
      {QTime(0, 0, 0), true, fromTheNextValue, 0.82915050840605298},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clock.toString().toStdString());
    setClock(c.clock);
    rt::seedGenerator(777);
    if (c.drawBefore) rt::Rnd();
    for (Integer i = 1; i <= 52; ++i) M().Deck[static_cast<size_t>(i)] = i;
    q->ShuffleDeck();
    EXPECT_EQ(M().Deck, c.deck);
    EXPECT_EQ(rt::Rnd(), c.next);
  }
}

// --- Dealing ---------------------------------------------------------------------------

TEST_F(Play, StockCountColours) {
  struct Case {
    Integer count;
    const char* caption;
    ui::Colour colour;
  } cases[] = {{52, "52", 0x00C0C000},
               {11, "11", 0x00C0C000},
               {10, "10", 0x0000FFFF},
               {1, "1", 0x0000FFFF},
               {0, "0", 0x000000FF}};
  for (const Case& c : cases) {
    M().PileCount[0] = c.count;
    q->ShowStockCount();
    EXPECT_EQ(q->lblLast->Caption(), c.caption);
    EXPECT_EQ(q->lblLast->BackColor(), c.colour) << c.count;
  }
}

TEST_F(Play, ADealGivesEachLiveColumnOneCardFromWhereTheRowStopped) {
  struct Case {
    const char* name;
    std::vector<int> depths;
    Integer resumeCol;
    std::vector<int> dealtTo;
    Integer resumeAfter;
    bool runsOut;
  } cases[] = {
      {"all live", {3, 3, 3, 3, 3, 3, 3}, 0, {1, 2, 3, 4, 5, 6, 7}, 0, false},
      {"columns 2 and 5 emptied", {3, 0, 3, 4, 0, 1, 3}, 0, {1, 3, 4, 6, 7}, 0, false},
      {"stock runs out after column 4", {7, 7, 7, 7, 7, 7, 6}, 0, {1, 2, 3, 4}, 5, true},
      {"runs out at column 2, later columns emptied", {12, 12, 12, 0, 0, 0, 15}, 0, {1}, 2, true},
      {"stock runs out at column 7", {7, 7, 6, 6, 6, 6, 7}, 0, {1, 2, 3, 4, 5, 6, 7}, 0, true},
      {"rest of a row from column 5", {7, 7, 7, 7, 6, 6, 6}, 5, {5, 6, 7}, 0, false},
      {"resume at 6, columns 6 and 7 emptied", {3, 3, 3, 3, 3, 0, 0}, 6, {}, 0, false},
      {"empty stock, row had ended at column 7", {8, 8, 7, 7, 7, 7, 8}, 0, {}, 1, true},
      {"empty stock, row stopped at column 3", {8, 8, 7, 7, 7, 7, 8}, 3, {}, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lay(byDepth(c.depths));
    Module2& m = M();
    m.ResumeCol = c.resumeCol;
    const Integer stockBefore = m.PileCount[0];
    const Integer dealPos = m.DealPos;
    std::vector<Integer> next;  // the cards the ring deals next
    for (int i = 0; i < stockBefore; ++i) next.push_back(m.Deck[(dealPos - 1 + i) % 52 + 1]);

    q->DealRound();

    for (size_t i = 0; i < c.dealtTo.size(); ++i) {
      const int col = c.dealtTo[i];
      EXPECT_EQ(m.PileCount[col], c.depths[col - 1] + 1) << "column " << col;
      EXPECT_EQ(cardAt(col, c.depths[col - 1]), next[i]) << "column " << col;
    }
    for (int col = 1; col <= 7; ++col) {
      if (std::find(c.dealtTo.begin(), c.dealtTo.end(), col) == c.dealtTo.end()) {
        EXPECT_EQ(m.PileCount[col], c.depths[col - 1]) << "column " << col;
      }
    }
    EXPECT_EQ(m.PileCount[0], stockBefore - Integer(c.dealtTo.size()));
    EXPECT_EQ(q->lblLast->Caption(), rt::CStr(m.PileCount[0]));
    EXPECT_EQ(m.ResumeCol, c.resumeAfter);
    EXPECT_EQ(q->DC[0]->ToolTipText(), c.runsOut ? "" : kDealTip);
    EXPECT_EQ(q->mnuOption->Enabled(), !c.runsOut);
    EXPECT_TRUE(consistent());
  }
}

TEST_F(Play, AfterCardsComeBackTheNextDealGoesOnWhereTheLastStopped) {
  struct Case {
    const char* name;
    std::vector<int> depths;
    int presses;   // deals before cards come back
    int returned;  // the first cards of columns 1, 2, ... go back, two rounds
    std::vector<int> dealtTo;
    Integer resumeAfter;
    QString tipAfter;
  } cases[] = {
      {"stopped after column 4", {7, 7, 7, 7, 7, 7, 6}, 1, 4, {5, 6, 7}, 0, kResumeTip},
      {"stopped with column 7", {7, 7, 6, 6, 6, 6, 7}, 1, 8, {1, 2, 3, 4, 5, 6, 7}, 0, kDealTip},
      // The press on the empty stock after that row left ResumeCol 1.
      {"then pressed on the empty stock",
       {7, 7, 6, 6, 6, 6, 7},
       2,
       8,
       {1, 2, 3, 4, 5, 6, 7},
       0,
       kResumeTip},
      {"stopped again", {7, 7, 6, 6, 6, 6, 7}, 1, 4, {1, 2, 3, 4}, 5, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    lay(byDepth(c.depths));
    for (int i = 0; i < c.presses; ++i) press(0);
    ASSERT_EQ(M().PileCount[0], 0);
    EXPECT_EQ(q->DC[0]->ToolTipText(), "");
    EXPECT_FALSE(q->mnuOption->Enabled());
    std::vector<Integer> back;
    for (int i = 0; i < c.returned; ++i) back.push_back(cardAt(i % 7 + 1, i / 7));
    returnToStock(back);
    for (int col = 1; col <= 7; ++col) closeUp(col);
    ASSERT_TRUE(consistent());

    press(0);
    for (size_t i = 0; i < c.dealtTo.size(); ++i) {
      const int col = c.dealtTo[i];
      EXPECT_EQ(cardAt(col, M().PileCount[col] - 1), back[i]) << "column " << col;
    }
    EXPECT_EQ(M().PileCount[0], c.returned - int(c.dealtTo.size()));
    EXPECT_EQ(M().ResumeCol, c.resumeAfter);
    EXPECT_EQ(q->DC[0]->ToolTipText(), c.tipAfter);
    EXPECT_TRUE(consistent());
  }
}

TEST_F(Play, DealPosWrapsFromSlot52ToSlot1) {
  lay(byDepth({5, 5, 5, 5, 5, 5, 5}), 51);
  Module2& m = M();
  const Integer from51 = m.Deck[51], from52 = m.Deck[52], from1 = m.Deck[1];
  q->DealRound();
  EXPECT_EQ(cardAt(1, 5), from51);
  EXPECT_EQ(cardAt(2, 5), from52);
  EXPECT_EQ(cardAt(3, 5), from1);
  EXPECT_EQ(m.DealPos, 6);
  EXPECT_TRUE(consistent());
}

TEST_F(Play, ADealScrollsADeepTableToItsLastCard) {
  q->form.setClientSize(9600, 3000);  // VisibleRows 4
  lay(byDepth({4, 2, 0, 0, 0, 0, 0}));
  ASSERT_EQ(M().VisibleRows, 4);
  EXPECT_EQ(q->picTable->Top(), 360);
  EXPECT_FALSE(q->cmdUpDown[0]->Visible());
  q->cmdUpDown_Click(1);
  q->DealRound();
  EXPECT_EQ(q->picTable->Top(), 120);
  EXPECT_TRUE(q->cmdUpDown[0]->Visible());
  EXPECT_TRUE(q->cmdUpDown[1]->Visible());
  q->cmdUpDown_Click(0);
  q->DealRound();  // "Up" lasts until the next deal
  EXPECT_EQ(q->picTable->Top(), -120);
}

// --- Presses and the picks -------------------------------------------------------------

// Aces and twos: no three of them sum to a multiple of 10, so a complete
// selection never leaves the table.
const std::vector<Integer> kLowCards{1, 14, 27, 40, 2, 15, 28, 41};

enum class Outcome { Refused, Taken, Cancelled, Complete };

// The rules said the other way round: every pick keeps the picked places
// inside one group of the column as it is now, and a card already picked is
// refused; in a column of four, place 1 first goes on only with 3, and after
// 1 and 3 any card is taken.
Outcome expected(int n, const std::vector<int>& picked, int p) {
  const bool again = std::find(picked.begin(), picked.end(), p) != picked.end();
  const auto passed = [&] { return picked.size() == 2 ? Outcome::Complete : Outcome::Taken; };
  if (n <= 3) return again ? Outcome::Cancelled : passed();
  const std::set<int> have(picked.begin(), picked.end());
  if (n == 4 && have == std::set<int>{1}) return p == 3 ? Outcome::Taken : Outcome::Refused;
  if (n == 4 && have == std::set<int>{1, 3}) return again ? Outcome::Cancelled : Outcome::Complete;
  if (again) return Outcome::Refused;
  const int L = n - 1;
  const std::set<int> groups[] = {{0, 1, L}, {0, L - 1, L}, {L - 2, L - 1, L}};
  std::set<int> with = have;
  with.insert(p);
  for (const auto& g : groups)
    if (std::includes(g.begin(), g.end(), with.begin(), with.end())) return passed();
  return Outcome::Refused;
}

TEST_F(Play, EveryPickSequenceInColumnsOfOneToEightCards) {
  const int col = 3;
  for (int n = 1; n <= 8; ++n) {
    Columns cols(7);
    cols[col - 1].assign(kLowCards.begin(), kLowCards.begin() + n);
    cols[6] = {52};  // never a win
    std::function<void(std::vector<int>)> walk = [&](std::vector<int> presses) {
      // Replay the presses before the last one, then judge the last.
      lay(cols);
      std::vector<int> picked;
      for (size_t i = 0; i + 1 < presses.size(); ++i) {
        const Outcome o = expected(n, picked, presses[i]);
        if (o == Outcome::Refused) return;  // covered by a shorter sequence
        press(cols[col - 1][presses[i]]);
        if (o == Outcome::Taken) picked.push_back(presses[i]);
        if (o == Outcome::Cancelled) picked.clear();
        if (o == Outcome::Complete) return;
      }
      const int p = presses.back();
      const Integer k = cols[col - 1][p];
      const Module2& m = M();
      const Module2 before = m;
      std::vector<double> lefts;
      for (int i = 1; i <= 52; ++i) lefts.push_back(q->DC[i]->Left());
      std::ostringstream trace;
      trace << "column of " << n << ", places";
      for (int x : presses) trace << ' ' << x;
      SCOPED_TRACE(trace.str());

      const Outcome want = expected(n, picked, p);
      press(k);
      switch (want) {
        case Outcome::Refused:
          EXPECT_EQ(m.SelCount, before.SelCount) << "refused";
          EXPECT_EQ(m.SelCard, before.SelCard);
          for (int i = 1; i <= 52; ++i) EXPECT_EQ(q->DC[i]->Left(), lefts[i - 1]) << "card " << i;
          break;
        case Outcome::Taken:
          EXPECT_EQ(m.SelCount, before.SelCount + 1) << "taken";
          EXPECT_EQ(m.SelCard[before.SelCount], k);
          EXPECT_EQ(m.SelCol, col);
          EXPECT_EQ(q->DC[k]->Left(), ColumnLeft(col) - 90);
          break;
        case Outcome::Cancelled:
          EXPECT_EQ(m.SelCount, 0) << "cancelled";
          for (Integer c : cols[col - 1])
            EXPECT_EQ(q->DC[c]->Left(), ColumnLeft(col)) << "card " << c;
          break;
        case Outcome::Complete:
          // Handed over to the removal step, which drops these low cards.
          EXPECT_EQ(m.SelCard[2], k) << "complete";
          EXPECT_EQ(m.SelCard[0], before.SelCard[0]);
          EXPECT_EQ(m.SelCard[1], before.SelCard[1]);
          EXPECT_EQ(m.SelCount, 0);
          for (Integer c : cols[col - 1])
            EXPECT_EQ(q->DC[c]->Left(), ColumnLeft(col)) << "card " << c;
          break;
      }
      EXPECT_TRUE(consistent());
      if (presses.size() < 3 && want != Outcome::Refused && want != Outcome::Complete)
        for (int next = 0; next < n; ++next) {
          std::vector<int> longer = presses;
          longer.push_back(next);
          walk(longer);
        }
    };
    for (int first = 0; first < n; ++first) walk({first});
  }
}

// Scripts of presses in column 5: a digit presses the card at that place
// (of the column as it is then), "d" presses the stock image, "r" is a right
// press, "o" presses the card at place 1 of column 1. What is left selected
// is given by places in the order of picking (-1: that column-1 card).
TEST_F(Play, PickScriptsWithDealsAndOtherColumns) {
  struct Case {
    int depth;
    const char* script;
    std::vector<int> selected;
  } cases[] = {
      {6, "2", {}},           {6, "0 5 2", {0, 5}}, {6, "0 5 3", {0, 5}}, {6, "4 3", {4, 3}},
      {6, "4 3 0", {4, 3}},   {6, "3 0", {3}},      {6, "0 0", {0}},  // the second press is refused
      {3, "0 0", {}},                                                 // cancelled
      {2, "1 1", {}},                                                 //
      {4, "1 3 1", {}},                                               // cancelled, both back
      {4, "1 3 3", {}},                                               //
      {6, "3 d 0", {3}},       // lengthened to 7: 3 is no end any more
      {6, "3 d 4", {3}},       //
      {6, "3 d 6", {3}},       //
      {6, "3 d r", {}},        //
      {6, "3 d o", {-1}},      // the column-1 card is the first pick
      {5, "1 4 d 0", {1, 4}},  // lengthened to 6: every third refused
      {5, "1 4 d 5", {1, 4}},  //
      {5, "1 4 d 2", {1, 4}},  //
      {3, "1 d 0", {1}},       // now four cards: 1 goes on with 3 alone
      {3, "1 d 2", {1}},       //
      {3, "1 d 3", {1, 3}},    //
      {3, "0 d 3", {0, 3}},    //
      {5, "0 d 5", {0, 5}},    // kept through a deal, judged in six cards
      {5, "4 d 5", {4, 5}},    // 4 was L, now L-1: judged in six cards
      {5, "4 d 1", {4}},       //
      {6, "0 5 r", {}},        //
      {6, "0 o", {-1}},        //
      {6, "0 r 5 0", {5, 0}},  //
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.depth) + " cards: " + c.script);
    Columns cols(7);
    for (int j = 0; j < c.depth; ++j) cols[4].push_back(Integer(3 + j));
    cols[0] = {40, 41};
    lay(cols);
    std::vector<Integer> pickedCards;
    std::istringstream in(c.script);
    std::string tok;
    while (in >> tok) {
      if (tok == "d")
        press(0);
      else if (tok == "r")
        press(cardAt(5, 0), ui::vbRightButton);
      else if (tok == "o")
        press(cardAt(1, 1));
      else {
        const Integer k = cardAt(5, std::stoi(tok));
        ASSERT_NE(k, 0) << tok;
        press(k);
      }
      ASSERT_TRUE(consistent()) << "after " << tok;
    }
    const Module2& m = M();
    ASSERT_EQ(m.SelCount, Integer(c.selected.size()));
    for (size_t i = 0; i < c.selected.size(); ++i) {
      const Integer want = c.selected[i] < 0 ? cardAt(1, 1) : cardAt(5, c.selected[i]);
      EXPECT_EQ(m.SelCard[i], want) << i;
      EXPECT_EQ(q->DC[want]->Left(), ColumnLeft(c.selected[i] < 0 ? 1 : 5) - 90);
    }
  }
}

TEST_F(Play, ThreeCardsOfFourWithPlaces1And3) {
  // Five, king and five again sum to 10: a cancel must not hand them over.
  lay({{}, {}, {}, {}, {18, 5, 33, 13}, {}, {52}});
  for (Integer again : {Integer{5}, Integer{13}}) {
    press(5);
    press(13);
    press(again);
    EXPECT_EQ(M().SelCount, 0);
    for (Integer k : {Integer{18}, Integer{5}, Integer{33}, Integer{13}}) {
      EXPECT_TRUE(q->DC[k]->Visible()) << k;
      EXPECT_EQ(q->DC[k]->Left(), ColumnLeft(5)) << k;
    }
    EXPECT_EQ(M().PileCount[5], 4);
    EXPECT_EQ(M().PileCount[0], 47);
  }
  // The five of diamonds at place 0 completes the group: the three leave and
  // the seven at place 2 moves up to place 0.
  press(5);
  press(13);
  press(18);
  EXPECT_EQ(M().SelCount, 0);
  EXPECT_EQ(M().PileCount[5], 1);
  EXPECT_EQ(M().PileCount[0], 50);
  EXPECT_EQ(q->DC[33]->Top(), 220);
  EXPECT_TRUE(consistent());
}

TEST_F(Play, PressesOutsideAGameChangeNothingButTheFocus) {
  q->form.Show();
  lay(byDepth({3, 3, 3, 3, 3, 3, 3}));
  press(cardAt(2, 2));
  q->GameOver = 1;  // as after a win
  const Module2 before = M();
  const QString tip = q->DC[0]->ToolTipText();
  std::vector<double> lefts;
  for (int i = 1; i <= 52; ++i) lefts.push_back(q->DC[i]->Left());
  for (Integer index : {Integer(0), cardAt(2, 2), cardAt(2, 0), cardAt(6, 2)}) {
    for (Integer button : {ui::vbLeftButton, ui::vbRightButton, ui::vbMiddleButton}) {
      q->cmdGiveUp->widget()->setFocus();  // the focus away from the table
      ASSERT_FALSE(q->picTable->hasFocus());
      press(index, button);
      EXPECT_TRUE(q->picTable->hasFocus()) << index << " " << button;
    }
  }
  EXPECT_EQ(M().PileCount, before.PileCount);
  EXPECT_EQ(M().SelCount, 1);
  EXPECT_EQ(M().DealPos, before.DealPos);
  EXPECT_EQ(q->DC[0]->ToolTipText(), tip);
  for (int i = 1; i <= 52; ++i) EXPECT_EQ(q->DC[i]->Left(), lefts[i - 1]) << i;
}

TEST_F(Play, StockPressesAndRightPresses) {
  q->form.Show();
  lay(byDepth({3, 3, 3, 3, 3, 3, 3}));
  const Module2& m = M();
  const Integer a = cardAt(2, 2), b = cardAt(2, 0);
  press(a);
  press(b);
  ASSERT_EQ(m.SelCount, 2);

  // Middle button on the stock image: a row is dealt, the selection stays.
  q->cmdGiveUp->widget()->setFocus();  // the focus away from the table
  press(0, ui::vbMiddleButton);
  EXPECT_EQ(m.PileCount[0], 24);
  EXPECT_EQ(m.SelCount, 2);
  EXPECT_EQ(q->DC[a]->Left(), ColumnLeft(2) - 90);
  EXPECT_EQ(q->DC[cardAt(2, 3)]->Left(), ColumnLeft(2));
  EXPECT_TRUE(q->picTable->hasFocus());
  EXPECT_TRUE(consistent());

  // Right button on the stock image: the selection is dropped, no deal.
  press(0, ui::vbRightButton);
  EXPECT_EQ(m.SelCount, 0);
  EXPECT_EQ(q->DC[a]->Left(), ColumnLeft(2));
  EXPECT_EQ(q->DC[b]->Left(), ColumnLeft(2));
  EXPECT_EQ(m.PileCount[0], 24);
  EXPECT_EQ(m.SelPos[0], 2);  // places of the dropped picks stay as they were
  EXPECT_EQ(m.SelPos[1], 0);
  EXPECT_EQ(m.SelCol, 2);

  // A right press with nothing selected does nothing.
  press(cardAt(3, 1), ui::vbRightButton);
  EXPECT_EQ(m.SelCount, 0);
  EXPECT_TRUE(consistent());

  // A selection in column 2, then a card of column 5: a first pick there.
  press(cardAt(2, 3));
  press(cardAt(5, 3));
  EXPECT_EQ(m.SelCount, 1);
  EXPECT_EQ(m.SelCol, 5);
  EXPECT_EQ(m.SelCard[0], cardAt(5, 3));
  EXPECT_TRUE(consistent());

  // When the first pick there is refused, nothing is left selected.
  lay(byDepth({8, 3, 0, 0, 0, 0, 0}));
  const Integer c2 = cardAt(2, 1);
  press(c2);
  press(cardAt(1, 3));  // place 3 of 8
  EXPECT_EQ(m.SelCount, 0);
  EXPECT_EQ(q->DC[c2]->Left(), ColumnLeft(2));
}

// --- Compaction --------------------------------------------------------------------------

TEST_F(Play, CompactionClosesTheHeadOfTheColumn) {
  struct Case {
    const char* name;
    int col;
    int depth;
    std::vector<int> removed;
    int up;  // how far the rest moves
  } cases[] = {
      {"0, 1, L of 4", 4, 4, {0, 1, 3}, 480},
      {"0, L-1, L of 4", 4, 4, {0, 2, 3}, 240},
      {"0, 1, L of 7", 6, 7, {0, 1, 6}, 480},
      {"0, L-1, L of 6", 2, 6, {0, 4, 5}, 240},
      {"last three of 5", 3, 5, {2, 3, 4}, 0},
      {"all three of 3", 7, 3, {0, 1, 2}, 0},
      {"column 1: 0, 1, L of 5", 1, 5, {0, 1, 4}, 480},
      {"column 1: 0, L-1, L of 5", 1, 5, {0, 3, 4}, 240},
      {"column 1: last three of 4", 1, 4, {1, 2, 3}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int> depths(7, 2);
    depths[c.col - 1] = c.depth;
    lay(byDepth(depths));
    Module2& m = M();
    const std::vector<Integer> before = column(c.col);
    std::vector<int> order;  // stacking of the column's images
    const QObjectList& kids = q->picTable->widget()->children();
    for (Integer k : before) order.push_back(int(kids.indexOf(q->DC[k]->widget())));
    // The removal has parked the three and counted them back.
    std::vector<Integer> gone;
    for (int j : c.removed) gone.push_back(before[j]);
    returnToStock(gone);
    m.SelCol = Integer(c.col);
    q->picTable->setTop(-600);  // wherever the table was scrolled

    q->CompactColumn();

    std::vector<Integer> rest;
    for (int j = 0; j < c.depth; ++j)
      if (std::find(c.removed.begin(), c.removed.end(), j) == c.removed.end())
        rest.push_back(before[j]);
    for (size_t j = 0; j < rest.size(); ++j) {
      EXPECT_EQ(q->DC[rest[j]]->Top(), PlaceTop(int(j))) << "card " << rest[j];
      EXPECT_EQ(q->DC[rest[j]]->Left(), ColumnLeft(c.col));
    }
    const QObjectList& after = q->picTable->widget()->children();
    for (size_t j = 1; j < rest.size(); ++j)
      EXPECT_LT(after.indexOf(q->DC[rest[j - 1]]->widget()),
                after.indexOf(q->DC[rest[j]]->widget()));
    // Hidden stock cards lie in column 1's band: they move with it, unseen.
    const double stockTop = c.col == 1 ? 840 - c.up : 840;
    for (Integer k = 1; k <= 52; ++k) {
      if (!q->DC[k]->Visible()) {
        EXPECT_EQ(q->DC[k]->Top(), stockTop) << "stock card " << k;
      }
    }
    EXPECT_EQ(q->picTable->Top(), 360) << "UpdateScroll";
    // The work list holds the cards found, ascending.
    std::vector<Integer> found;
    for (Integer k = 1; k <= 52; ++k)
      if (q->DC[k]->Left() == ColumnLeft(c.col) || (c.col == 1 && q->DC[k]->Left() == 45))
        found.push_back(k);
    EXPECT_EQ(
        std::vector<Integer>(m.ColumnCards.begin() + 1, m.ColumnCards.begin() + 1 + found.size()),
        found);
    EXPECT_TRUE(consistent());
  }
}

TEST_F(Play, StockCardsMovedUpInColumn1AreDealtAtTheirPlaces) {
  lay(byDepth({5, 2, 2, 2, 2, 2, 2}));
  Module2& m = M();
  // Compactions of column 1 that move it up 480 each time.
  for (int round = 0; round < 2; ++round) {
    const std::vector<Integer> col = column(1);
    const Integer n = Integer(col.size());
    std::vector<Integer> gone{col[0], col[1], col[n - 1]};
    returnToStock(gone);
    m.SelCol = 1;
    q->CompactColumn();
    ASSERT_TRUE(consistent()) << round;
    for (int i = 0; i < 3; ++i) q->DealRound();
    ASSERT_TRUE(consistent()) << round;
  }
}

// --- Scrolling ---------------------------------------------------------------------------

TEST_F(Play, UpAndDownButtonsAndKeys) {
  q->form.Show();
  struct Case {
    double clientHeight;
    Integer deepest;
    double down;
  } cases[] = {
      {6330, 21, -360},  // VisibleRows 18
      {6330, 19, 120},   //
      {6330, 18, 360},   // fits
      {6330, 0, 360},    //
      {2010, 3, -360},   // VisibleRows 0
      {1770, 0, 120},    // VisibleRows -1: even an empty table
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clientHeight);
    q->form.setClientSize(9600, c.clientHeight);
    std::vector<int> depths(7, 0);
    depths[3] = c.deepest;
    lay(byDepth(depths));
    const struct {
      std::function<void()> act;
      double top;
    } steps[] = {
        {[&] { q->cmdUpDown_Click(1); }, c.down},
        {[&] { q->cmdUpDown_Click(0); }, 360},
        {[&] { q->cmdUpDown_Click(7); }, c.down},  // any index but 0 is Down
        {[&] { q->picTable_KeyDown(65, 0); }, 360},
        {[&] { q->picTable_KeyDown(66, 0); }, 360},  // other keys do nothing
        {[&] { q->picTable_KeyDown(90, 1); }, c.down},
        {[&] { q->picTable_KeyDown(97, 0); }, c.down},
        {[&] { q->picTable_KeyDown(65, 2); }, 360},
        {[&] { q->picTable_KeyDown(90, 0); }, c.down},
        {[&] { q->picTable_KeyDown(90, 0); }, c.down},  // a held key repeats the same
    };
    for (const auto& s : steps) {
      s.act();
      EXPECT_EQ(q->picTable->Top(), s.top);
    }
    for (Integer index : {Integer{0}, Integer{1}}) {
      q->cmdGiveUp->widget()->setFocus();  // the focus away from the table
      q->cmdUpDown_Click(index);
      EXPECT_TRUE(q->picTable->hasFocus());
    }
  }
}

}  // namespace
}  // namespace qel::test
