// The scoring road through real events: three cards removed by clicks, "Give
// Up" into the ranking window, a name typed there, "OK", and the next start
// reading the stored row back; also with the ranking window already open.
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "fixture.h"
#include "ranking/fRank.h"

namespace qel::test {
namespace {

class ScoringRoad : public ProgramFixture {
 protected:
  void click(const ui::Control& c, QPoint local) {
    QWidget* top = c.widget()->window();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      c.widget()->mapTo(top, local));
  }
  void clickCentre(const ui::Control& c) { click(c, c.widget()->rect().center()); }

  // Opens a menu of the menu bar and chooses one of its items.
  void choose(const ui::MenuItem& menu, const ui::MenuItem& item) {
    QWidget* top = QelForm().form.widget();
    const QMenuBar* bar = top->findChild<QMenuBar*>();
    QTest::mouseClick(top->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      bar->mapTo(top, bar->actionGeometry(menu.menu()->menuAction()).center()));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu.menu()->windowHandle()));
    QTest::mouseClick(menu.menu()->windowHandle(), Qt::LeftButton, Qt::NoModifier,
                      menu.menu()->actionGeometry(item.action()).center());
  }

  // Clicks "Start", or "Give Up" in a game with no emptied column, which
  // starts the next one, until a game opens with a column that can be
  // emptied; returns that column.
  int gameWithEmptiableColumn() {
    Qel& q = QelForm();
    for (std::uint32_t seed = 1; seed < 200; ++seed) {
      rt::seedGenerator(seed);
      clickCentre(q.Startbtn->Visible() ? *q.Startbtn : *q.cmdGiveUp);
      if (const int column = removableColumn()) return column;
    }
    return 0;
  }

  // Each card by the strip of it that shows: the top two by their upper
  // edge, the last one anywhere.
  void emptyColumn(int column) {
    Qel& q = QelForm();
    const Module2& m = M();
    for (int slot : {column, column + 7, column + 14}) {
      const ui::Image& card = *q.DC[m.Deck[slot]];
      click(card, QPoint(card.widget()->width() / 2, 8));
    }
  }

  // Types over the offered name in the open name box, which Tab reaches from
  // "OK", as an input method delivers text.
  static void typeName(fRank& rank, const QString& name) {
    QWindow* window = rank.form.widget()->windowHandle();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::keyClick(window, Qt::Key_Tab);
    QTest::keyClick(window, Qt::Key_A, Qt::ControlModifier);
    for (QChar ch : name)
      QTest::sendKeyEvent(QTest::Click, window, Qt::Key_unknown, QString(ch), Qt::NoModifier);
  }

  // Plays a game to a Give Up at 10:03:25 that enters the ranking, and types
  // `name` in the window, which then waits for its "OK".
  void leaveResultWaiting(const QString& name) {
    const int column = gameWithEmptiableColumn();
    ASSERT_NE(column, 0);
    emptyColumn(column);
    setClock(QTime(10, 3, 25));
    clickCentre(*QelForm().cmdGiveUp);
    ASSERT_NE(RankForm(), nullptr);
    typeName(*RankForm(), name);
  }

  // Opening columns whose three cards sum to a multiple of 10.
  static int removableColumn() {
    const Module2& m = M();
    for (int c = 1; c <= 7; ++c) {
      // The opening rows deal slots c, c + 7 and c + 14 to column c.
      const int sum = table::CardValue(m.Deck[c]) + table::CardValue(m.Deck[c + 7]) +
                      table::CardValue(m.Deck[c + 14]);
      if (sum % 10 == 0) return c;
    }
    return 0;
  }
};

TEST_F(ScoringRoad, GiveUpEntersTheRankingAndTheTypedNameIsStored) {
  Main();
  Qel& q = QelForm();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(q.form.widget()->windowHandle()));

  const int column = gameWithEmptiableColumn();
  ASSERT_NE(column, 0);
  ASSERT_EQ(q.GameOver, 0);
  emptyColumn(column);
  const Module2& m = M();
  ASSERT_EQ(m.PileCount[column], 0);
  EXPECT_EQ(m.PileCount[0], 34);
  EXPECT_EQ(q.lblLast->Caption(), "34");

  setClock(QTime(10, 3, 25));
  clickCentre(*q.cmdGiveUp);
  fRank* rank = RankForm();
  ASSERT_NE(rank, nullptr);
  QWindow* rankWindow = rank->form.widget()->windowHandle();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(rankWindow));
  EXPECT_TRUE(rank->Command1->hasFocus());
  EXPECT_TRUE(rank->txtName[0]->Visible());
  EXPECT_EQ(rank->lblRetsu[0]->Caption(), "1");
  EXPECT_EQ(rank->lblTime[0]->Caption(), "00:03:25");

  // Tab reaches the open name box; Enter there does not press OK.
  typeName(*rank, QString::fromUtf8("花子 "));
  ASSERT_TRUE(rank->txtName[0]->hasFocus());
  QTest::keyClick(rankWindow, Qt::Key_Return);
  ASSERT_EQ(RankForm(), rank);
  clickCentre(*rank->Command1);
  EXPECT_EQ(RankForm(), nullptr);
  EXPECT_TRUE(q.cmdGiveUp->Visible());  // the next game runs

  // The next start reads what "OK" stored.
  ResetProgram();
  Main();
  EXPECT_EQ(M().RankName[0], QString::fromUtf8("花子 "));
  EXPECT_EQ(M().RankCols[0], "1");
  EXPECT_EQ(M().RankTime[0], "00:03:25");
  EXPECT_EQ(M().RankDate[0], "2026/12/10 10:03:25");
  EXPECT_EQ(M().LastPlayerName, QString::fromUtf8("花子 "));
  EXPECT_EQ(M().RankName[1], "none");
}

// A Give Up whose result comes while the ranking window is open: opened for
// display from the menu, or still holding an earlier result whose player
// pressed "Start" since. The result is placed and named, and "OK" stores it
// beside the earlier one.
TEST_F(ScoringRoad, AGiveUpWhileTheRankingIsOpenIsPlacedAndStored) {
  const QString earlier = QString::fromUtf8("先"), later = QString::fromUtf8("後");
  struct Case {
    const char* what;
    bool earlierResultWaits;  // else the menu's display is open
    QString offered;
    std::vector<RankRow> stored;
  } cases[] = {
      {"the menu's display", false, "Qel", {{later, "1", "00:02:00", "2026/12/10 10:12:00"}}},
      {"an earlier result, then Start",
       true,
       earlier,
       {{later, "1", "00:02:00", "2026/12/10 10:12:00"},
        {earlier, "1", "00:03:25", "2026/12/10 10:03:25"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetProgram();
    QTemporaryDir fresh;  // a store of this case's own
    rt::setSettingsFolder(fresh.path());
    setClock(QTime(10, 0, 0));
    Main();
    Qel& q = QelForm();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(q.form.widget()->windowHandle()));

    if (c.earlierResultWaits) {
      ASSERT_NO_FATAL_FAILURE(leaveResultWaiting(earlier));
    }
    setClock(QTime(10, 10, 0));
    const int column = gameWithEmptiableColumn();  // by "Start" first
    ASSERT_NE(column, 0);
    emptyColumn(column);
    if (!c.earlierResultWaits) {
      choose(*q.mnuGame, *q.mnuScore);
      ASSERT_EQ(M().RankViewOnly, 1);
    }
    ASSERT_NE(RankForm(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(RankForm()->form.widget()->windowHandle()));

    setClock(QTime(10, 12, 0));
    clickCentre(*q.cmdGiveUp);
    fRank* rank = RankForm();
    ASSERT_NE(rank, nullptr);
    EXPECT_TRUE(rank->txtName[0]->Visible());
    EXPECT_EQ(rank->txtName[0]->Text(), c.offered);
    EXPECT_EQ(rank->lblTime[0]->Caption(), "00:02:00");
    typeName(*rank, later);
    clickCentre(*rank->Command1);
    EXPECT_EQ(RankForm(), nullptr);
    EXPECT_TRUE(q.cmdGiveUp->Visible());  // the next game runs
    EXPECT_EQ(M().StartTime, rt::Time());

    ResetProgram();
    Main();
    for (size_t i = 0; i <= 9; ++i)
      EXPECT_EQ(rankRow(i), i < c.stored.size() ? c.stored[i] : kEmptyRow) << i;
    EXPECT_EQ(M().LastPlayerName, later);
  }
}

// "Start" while a result waits, then "OK": the result is stored and the game
// goes on as the player left it.
TEST_F(ScoringRoad, OkAfterStartKeepsTheRunningGame) {
  Main();
  Qel& q = QelForm();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(q.form.widget()->windowHandle()));
  ASSERT_NO_FATAL_FAILURE(leaveResultWaiting("Ken"));

  setClock(QTime(10, 4, 0));
  clickCentre(*q.Startbtn);
  clickCentre(*q.DC[0]);  // a deal, so the game is the player's own
  const Module2 game = M();
  ASSERT_EQ(game.PileCount[0], 52 - 28);
  setClock(QTime(10, 5, 0));
  clickCentre(*RankForm()->Command1);

  EXPECT_EQ(RankForm(), nullptr);
  EXPECT_EQ(rankRow(0), (RankRow{"Ken", "1", "00:03:25", "2026/12/10 10:03:25"}));
  EXPECT_EQ(M().PileCount, game.PileCount);
  EXPECT_EQ(M().Deck, game.Deck);
  EXPECT_EQ(M().StartTime, game.StartTime);
  EXPECT_TRUE(q.cmdGiveUp->Visible());
  EXPECT_FALSE(q.Startbtn->Visible());
}

}  // namespace
}  // namespace qel::test
