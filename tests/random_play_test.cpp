// Seeded games played with random presses to their end. After every event
// the table must still hold 52 distinct cards, each either in the stock ring
// or at exactly one place of one column, with the images where the places say.
#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "fixture.h"
#include "ranking/fRank.h"

namespace qel::test {
namespace {

class RandomPlay : public ProgramFixture {
 protected:
  // The column places as the images show them: grid[c][j] is the card at
  // place j of column c, 0 where there is none.
  using Grid = std::array<std::vector<Integer>, 8>;

  // Checks everything that must hold between two events; returns the grid.
  Grid checkTable(const Qel& q, const char* event) {
    SCOPED_TRACE(testing::Message()
                 << "game " << game << ", event " << events << " (" << event << ")");
    const Module2& m = M();
    Grid grid;
    std::array<int, 53> seen{};

    EXPECT_GE(m.PileCount[0], 0);
    EXPECT_LE(m.PileCount[0], 52);
    int total = m.PileCount[0];
    for (int c = 1; c <= 7; ++c) {
      grid[c].assign(std::max<int>(0, m.PileCount[c]), 0);
      total += m.PileCount[c];
    }
    EXPECT_EQ(total, 52);

    // The stock ring: from DealPos on, ending at DeckTail.
    EXPECT_EQ(m.DeckTail, (m.DealPos + m.PileCount[0] - 2 + 52) % 52 + 1);
    for (int i = 0, s = m.DealPos; i < m.PileCount[0]; ++i, s = s % 52 + 1) {
      const Integer k = m.Deck[s];
      if (k < 1 || k > 52) {
        ADD_FAILURE() << "slot " << s << " holds " << k;
        continue;
      }
      ++seen[k];
      const ui::Image& img = *q.DC[k];
      EXPECT_FALSE(img.Visible()) << "stock card " << k;
      EXPECT_EQ(img.Left(), 45) << "stock card " << k;
      // Compacting column 1 moves the parked cards by whole places.
      EXPECT_TRUE(img.Top() <= 840 && std::fmod(840 - img.Top(), 240) == 0)
          << k << " " << img.Top();
    }

    // Every other card: shown at one place of one column.
    for (Integer k = 1; k <= 52; ++k) {
      if (seen[k]) continue;
      const ui::Image& img = *q.DC[k];
      const bool selected = isSelected(k);
      int col = 0;
      for (int c = 1; c <= 7; ++c)
        if (img.Left() == table::ColumnLeft(c) - (selected ? 90 : 0)) col = c;
      const double place = (img.Top() - 220) / 240;
      const int j = static_cast<int>(place);
      if (!img.Visible() || col == 0 || place != j || j < 0 ||
          j >= static_cast<int>(grid[col].size())) {
        ADD_FAILURE() << "card " << k << " at " << img.Left() << ", " << img.Top()
                      << (img.Visible() ? "" : " hidden") << (selected ? " selected" : "");
        continue;
      }
      EXPECT_EQ(grid[col][j], 0) << "two cards at column " << col << " place " << j;
      grid[col][j] = k;
      if (selected) {
        EXPECT_EQ(col, m.SelCol) << k;
      }
    }
    for (int c = 1; c <= 7; ++c)
      for (size_t j = 0; j < grid[c].size(); ++j)
        EXPECT_NE(grid[c][j], 0) << "gap at column " << c << " place " << j;

    const Integer left = m.PileCount[0];
    EXPECT_EQ(q.lblLast->Caption(), rt::CStr(left));
    EXPECT_EQ(q.lblLast->BackColor(), left == 0    ? 0x000000FFu
                                      : left <= 10 ? 0x0000FFFFu
                                                   : 0x00C0C000u);
    return grid;
  }

  bool isSelected(Integer k) const {
    const Module2& m = M();
    for (int i = 0; i < m.SelCount; ++i)
      if (m.SelCard[i] == k) return true;
    return false;
  }

  // The groups of three that the pick rules let go and whose values sum to a
  // multiple of 10.
  static std::vector<std::array<Integer, 3>> removals(const Grid& grid) {
    std::vector<std::array<Integer, 3>> out;
    for (int c = 1; c <= 7; ++c) {
      const auto& g = grid[c];
      const int n = static_cast<int>(g.size()), L = n - 1;
      if (n < 3) continue;
      std::vector<std::array<int, 3>> groups;
      if (n == 3) {
        groups = {{0, 1, 2}};
      } else {
        groups = {{0, 1, L}, {0, L - 1, L}, {L - 2, L - 1, L}};
      }
      for (const auto& p : groups) {
        const std::array<Integer, 3> cards{g[p[0]], g[p[1]], g[p[2]]};
        if ((table::CardValue(cards[0]) + table::CardValue(cards[1]) + table::CardValue(cards[2])) %
                10 ==
            0)
          out.push_back(cards);
      }
    }
    return out;
  }

  static size_t columnLength(const Grid& grid, Integer card) {
    for (int c = 1; c <= 7; ++c)
      if (std::find(grid[c].begin(), grid[c].end(), card) != grid[c].end()) return grid[c].size();
    return 0;
  }

  int game = 0;
  int events = 0;
};

TEST_F(RandomPlay, SeededGamesKeepEveryCardInOnePlace) {
  constexpr int kGames = 250;
  constexpr int kMaxEvents = 500;
  Main();
  Qel& q = QelForm();
  int wins = 0, giveUps = 0, removed = 0, rankings = 0;

  // The first broken game is reported; the rest would only repeat it.
  for (game = 1; game <= kGames && !HasFailure(); ++game) {
    std::mt19937 player(static_cast<unsigned>(game));
    auto chance = [&](double p) { return std::uniform_real_distribution<>(0, 1)(player) < p; };
    auto pickOne = [&](int n) { return std::uniform_int_distribution<>(0, n - 1)(player); };
    rt::seedGenerator(static_cast<std::uint32_t>(game));
    q.startbtn_Click();
    Grid grid = checkTable(q, "start");

    auto press = [&](Integer index, Integer button, const char* what) {
      if (!q.DC[index]->Visible()) return;  // a hidden image takes no press
      const Integer before = M().PileCount[0];
      q.DC_MouseDown(index, button, 0, 0, 0);
      if (M().PileCount[0] > before && index != 0) removed += M().PileCount[0] - before;
      ++events;
      now = now.addSecs(1 + pickOne(3));
      if (chance(0.2)) q.Timer1_Timer();
      grid = checkTable(q, what);
    };
    auto confirm = [&] {
      if (fRank* r = RankForm()) {
        if (chance(0.5)) r->txtName[0]->setText(QString("g%1").arg(game));
        r->Command1->press();
        // Lets the unloaded window go, as the event loop would after the click.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        grid = checkTable(q, "ranking OK");
      }
    };

    auto giveUp = [&] {
      ++giveUps;
      q.cmdGiveUp->press();
      ++events;
      grid = checkTable(q, "give up");
      if (!RankForm()) return true;  // the next game has started
      ++rankings;
      return false;  // scored, but the table stays live until "OK"
    };

    bool over = false;
    events = 0;
    for (int step = 0; step < kMaxEvents && !over && !HasFailure(); ++step) {
      const auto good = removals(grid);
      // Nothing left to remove and nothing to deal: the player gives up.
      if (good.empty() && M().PileCount[0] == 0 && q.GameOver == 0) break;

      if (chance(0.1)) {
        // A stray press: the stock, a right press, or any card of a column.
        const int c = 1 + pickOne(7);
        const int n = static_cast<int>(grid[c].size());
        if (chance(0.2)) {
          press(0, chance(0.7) ? ui::vbLeftButton : ui::vbMiddleButton, "stock");
        } else if (chance(0.2)) {
          press(static_cast<Integer>(pickOne(53)), ui::vbRightButton, "right");
        } else if (n > 0) {
          press(grid[c][pickOne(n)], chance(0.8) ? ui::vbLeftButton : ui::vbMiddleButton, "pick");
        }
      } else if (!good.empty()) {
        // Mostly from the shortest column: emptied columns win games.
        auto cards = *std::min_element(good.begin(), good.end(), [&](const auto& a, const auto& b) {
          return columnLength(grid, a[0]) < columnLength(grid, b[0]);
        });
        if (chance(0.1)) cards = good[pickOne(static_cast<int>(good.size()))];
        std::shuffle(cards.begin(), cards.end(), player);
        if (M().SelCount > 0) press(cards[0], ui::vbRightButton, "right");
        for (Integer k : cards) press(k, ui::vbLeftButton, "pick");
      } else {
        press(0, ui::vbLeftButton, "stock");
      }

      if (q.GameOver == 1) {
        ++wins;
        if (RankForm() && M().RankViewOnly == 0) ++rankings;
        confirm();
        over = true;
      } else if (RankForm() && chance(0.05)) {
        // A Give Up's result confirmed while the table was still live starts
        // the next game; the view-only display leaves this one running.
        over = M().RankViewOnly == 0;
        confirm();
      } else if (!RankForm() && chance(0.003)) {
        q.mnuScore_Click();
      } else if (q.cmdGiveUp->Visible() && chance(0.001)) {
        over = giveUp();
      }
    }
    if (!over && q.cmdGiveUp->Visible()) giveUp();
    confirm();
    QCoreApplication::processEvents();
  }

  // The games reached every road.
  EXPECT_GT(wins, 0);
  EXPECT_GT(giveUps, 0);
  EXPECT_GT(rankings, 0);
  EXPECT_GT(removed, 300);
  RecordProperty("wins", wins);
  RecordProperty("giveUps", giveUps);
}

}  // namespace
}  // namespace qel::test
