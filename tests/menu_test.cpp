// Menu commands, the elapsed-time clock, the help command and program end.
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>
#include <QWidget>
#include <stdexcept>

#include "about/fAbout.h"
#include "fixture.h"
#include "platform/helpviewer.h"
#include "platform/services.h"
#include "ranking/fRank.h"

namespace qel::test {
namespace {

class Menus : public ProgramFixture {
 protected:
  void TearDown() override {
    ui::setHelpViewer({});
    ProgramFixture::TearDown();
  }
  // A game running since the fixture's clock time.
  Qel& runningGame() {
    Qel& q = loadQel();
    q.startbtn_Click();
    return q;
  }
  int cardsOnTable() const {
    int n = 0;
    for (int c = 1; c <= 7; ++c) n += M().PileCount[c];
    return n;
  }
};

using Clock = Menus;
using Help = Menus;

TEST_F(Clock, EachTickShowsThePlayTimeTakenAfresh) {
  struct Case {
    QTime start;
    QTime now;
    int daysLater;
    const char* shown;
  };
  const Case cases[] = {
      {QTime(10, 0, 0), QTime(10, 0, 1), 0, "00:00:01"},
      {QTime(10, 0, 0), QTime(11, 2, 3), 0, "01:02:03"},  // a missed hour of ticks
      {QTime(0, 0, 0), QTime(23, 59, 59), 0, "23:59:59"},
      {QTime(23, 59, 0), QTime(0, 1, 0), 1, "00:02:00"},  // across midnight: no 23:58:00
      {QTime(23, 59, 59), QTime(0, 0, 0), 1, "00:00:01"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    ResetProgram();
    setClock(c.start);
    Qel& q = runningGame();
    setClock(c.now, QDate(2026, 12, 10).addDays(c.daysLater));
    q.Timer1.TimerEvent();  // as the timer fires
    EXPECT_EQ(q.lblTime->Caption(), c.shown);
  }
}

TEST_F(Clock, ANewGameKeepsTheLastValueUntilItsFirstTick) {
  Qel& q = loadQel();
  EXPECT_EQ(q.lblTime->Caption(), "");
  EXPECT_EQ(q.Timer1.Interval(), 0);
  q.startbtn_Click();
  EXPECT_EQ(q.lblTime->Caption(), "");  // empty after start-up
  EXPECT_EQ(q.Timer1.Interval(), 1000);
  setClock(QTime(10, 5, 0));
  q.Timer1_Timer();
  EXPECT_EQ(q.lblTime->Caption(), "00:05:00");

  q.mnuGStart_Click();
  EXPECT_EQ(q.lblTime->Caption(), "00:05:00");
  setClock(QTime(10, 5, 1));
  q.Timer1_Timer();
  EXPECT_EQ(q.lblTime->Caption(), "00:00:01");
}

TEST_F(Clock, ANewGameRestartsTheSecondCount) {
  // Real time here: the first tick of a new game started while the clock
  // runs must come a whole second after that start, not on the old beat.
  Qel& q = runningGame();
  int ticks = 0;
  q.Timer1.TimerEvent = [&] { ++ticks; };
  QTest::qWait(600);
  ticks = 0;
  q.mnuGStart_Click();
  QElapsedTimer since;
  since.start();
  QTest::qWait(700);
  EXPECT_EQ(ticks, 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return ticks > 0; }, 5000));
  EXPECT_GE(since.elapsed(), 900);
}

TEST_F(Menus, NewGameDropsARunningGameUnscored) {
  Qel& q = runningGame();
  const Module2 before = M();
  setClock(QTime(10, 20, 0));
  q.mnuGStart->trigger();  // as chosen, or by F2

  const Module2& m = M();
  EXPECT_EQ(m.StartTime, rt::Time());  // a new game, timed from now
  EXPECT_EQ(m.PileCount[0], 52 - 21);
  EXPECT_EQ(cardsOnTable(), 21);
  EXPECT_EQ(q.GameOver, 0);
  EXPECT_EQ(q.Timer1.Interval(), 1000);
  // Nothing scored: no ranking window, no message, result and table untouched.
  EXPECT_EQ(RankForm(), nullptr);
  EXPECT_TRUE(messages.isEmpty());
  EXPECT_EQ(m.ElapsedTime, before.ElapsedTime);
  EXPECT_EQ(m.ClearedCols, before.ClearedCols);
  EXPECT_EQ(m.RankName, before.RankName);
  EXPECT_EQ(m.RankTime, before.RankTime);
  EXPECT_FALSE(QFile::exists(rt::settingsFile(kStoreApp)));
  EXPECT_EQ(q.mnuGStart->action()->shortcut(), QKeySequence(Qt::Key_F2));
}

TEST_F(Menus, RankingFromTheMenuIsViewOnlyAndTheGameGoesOn) {
  Qel& q = runningGame();
  M().ElapsedTime = 0.25;
  const Integer stock = M().PileCount[0];
  q.mnuScore->trigger();

  EXPECT_EQ(M().ElapsedTime, 0);
  EXPECT_EQ(M().RankViewOnly, 1);
  ASSERT_NE(RankForm(), nullptr);
  EXPECT_TRUE(RankForm()->form.Visible());
  // The game and its clock go on behind it.
  EXPECT_EQ(q.GameOver, 0);
  EXPECT_EQ(q.Timer1.Interval(), 1000);
  EXPECT_EQ(M().PileCount[0], stock);
  EXPECT_TRUE(q.mnuOption->Enabled());

  // Chosen again while open: only brought forward, not loaded afresh.
  fRank* open = RankForm();
  q.mnuScore_Click();
  EXPECT_EQ(RankForm(), open);
}

TEST_F(Menus, DealCommandDealsARowAndActsOnlyWhileEnabled) {
  Qel& q = loadQel();
  q.mnuOption->trigger();  // idle table: the command is disabled
  EXPECT_EQ(M().PileCount[0], 52);

  q.startbtn_Click();
  q.mnuOption->trigger();
  EXPECT_EQ(M().PileCount[0], 52 - 28);
  EXPECT_EQ(cardsOnTable(), 28);
}

TEST_F(Menus, AboutFromTheMenuLoadsOnceAndShowsAgain) {
  Qel& q = loadQel();
  q.mnuVersion->trigger();
  fAbout* about = AboutForm();
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->form.Visible());
  about->cmdOK[1]->press();
  EXPECT_FALSE(about->form.Visible());
  q.mnuVersion_Click();
  EXPECT_EQ(AboutForm(), about);
  EXPECT_TRUE(about->form.Visible());
}

TEST_F(Menus, ExitEndsAtOnceWithoutUnloadingOrSaving) {
  Qel& q = runningGame();
  M().ClearedCols = 3;
  M().ElapsedTime = 0.01;
  ShowRank();  // a result waiting for its OK
  ShowAbout();
  q.mnuExit->trigger();

  EXPECT_EQ(ends, 1);
  // No unload handling ran: both windows are still loaded, nothing stored.
  EXPECT_NE(RankForm(), nullptr);
  EXPECT_NE(AboutForm(), nullptr);
  EXPECT_FALSE(QFile::exists(rt::settingsFile(kStoreApp)));
}

TEST_F(Menus, ClosingTheMainWindowUnloadsTheOthersUnsaved) {
  Qel& q = runningGame();
  q.form.Show();
  M().ClearedCols = 3;
  ShowRank();
  ShowAbout();
  ASSERT_NE(RankForm(), nullptr);

  q.form.widget()->close();  // close box or system menu

  EXPECT_EQ(AboutForm(), nullptr);
  EXPECT_EQ(RankForm(), nullptr);
  EXPECT_FALSE(q.form.Visible());
  EXPECT_FALSE(QFile::exists(rt::settingsFile(kStoreApp)));
  EXPECT_EQ(ends, 0);  // the toolkit ends the program once no window is left

  // Windows that are not loaded are left alone.
  Integer cancel = 0;
  q.Form_Unload(cancel);
  EXPECT_EQ(cancel, 0);
}

TEST_F(Help, TheViewerGetsTheMainWindowAndTheHelpFile) {
  Qel& q = loadQel();
  ui::Form* owner = nullptr;
  QString file;
  int calls = 0;
  ui::setHelpViewer([&](ui::Form& o, const QString& f) {
    owner = &o;
    file = f;
    ++calls;
  });
  q.mnuPlay->trigger();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(owner, &q.form);
  EXPECT_EQ(file, "Qel.hlp");
  EXPECT_TRUE(messages.isEmpty());
}

TEST_F(Help, AViewerThatCannotBeCalledIsReportedByItsDescription) {
  Qel& q = runningGame();
  ui::setHelpViewer([](ui::Form&, const QString&) {
    throw std::runtime_error("ヘルプ ビューアが見つかりません");
  });
  q.mnuPlay_Click();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0], QString::fromUtf8("ヘルプ ビューアが見つかりません"));
  // The program goes on.
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(q.GameOver, 0);
  EXPECT_EQ(q.Timer1.Interval(), 1000);

  ui::setHelpViewer([](ui::Form&, const QString&) { throw 42; });
  q.mnuPlay_Click();
  EXPECT_EQ(messages.size(), 2);  // still trapped, with a text of our own
  EXPECT_FALSE(messages[1].isEmpty());
}

TEST_F(Help, OurViewerShowsTheHelpFileInAWindowOfTheMainWindow) {
  Qel& q = loadQel();
  q.mnuPlay_Click();
  EXPECT_TRUE(messages.isEmpty());
  QWidget* viewer = ui::helpViewerWindow();
  ASSERT_NE(viewer, nullptr);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_EQ(viewer->windowTitle(), QString::fromUtf8("Qel ヘルプ"));
  EXPECT_EQ(viewer->parentWidget(), q.form.widget());
  auto* text = viewer->findChild<QTextBrowser*>();
  ASSERT_NE(text, nullptr);
  const QString shown = text->toPlainText();
  for (const char* topic : {"遊び方", "配る", "10、20、30", "Give Up", "成績表", "F2"})
    EXPECT_TRUE(shown.contains(QString::fromUtf8(topic))) << topic;

  // Chosen again: the same window comes forward.
  q.mnuPlay_Click();
  EXPECT_EQ(ui::helpViewerWindow(), viewer);

  // It goes with the main window.
  ResetProgram();
  EXPECT_EQ(ui::helpViewerWindow(), nullptr);
}

// Centred over the main window where that fits; otherwise pushed back onto
// the screen, frame and all, so that its title bar can be grabbed.
TEST_F(Help, TheViewerOpensOverTheMainWindowAndWithinTheScreen) {
  Qel& q = loadQel();
  q.form.Show();
  QWidget* main = q.form.widget();
  const QRect area = main->screen()->availableGeometry();
  struct Case {
    const char* where;
    QPoint mainAt;  // frame's top left, from the area's
    bool centredAcross, centredDown;
  };
  const Case cases[] = {
      {"middle", {80, 60}, true, true},
      {"top edge", {80, 0}, true, false},
      {"left edge", {-300, 60}, false, true},
      {"bottom right corner", {400, 300}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where);
    delete ui::helpViewerWindow();  // placed afresh
    main->move(area.topLeft() + c.mainAt);
    q.mnuPlay_Click();
    QCoreApplication::processEvents();
    const QRect frame = ui::helpViewerWindow()->frameGeometry();
    const QPoint off = frame.center() - main->frameGeometry().center();
    EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y();
    if (c.centredAcross)
      EXPECT_LE(std::abs(off.x()), 1);
    else
      EXPECT_TRUE(frame.left() == area.left() || frame.right() == area.right());
    if (c.centredDown)
      EXPECT_LE(std::abs(off.y()), 1);
    else
      EXPECT_TRUE(frame.top() == area.top() || frame.bottom() == area.bottom());
  }
}

TEST_F(Help, AMissingFileIsShownByTheViewerNotByTheProgram) {
  Qel& q = loadQel();
  EXPECT_EQ(ui::locateHelpFile("Qel.hlp").isEmpty(), false);
  EXPECT_TRUE(ui::locateHelpFile("nothere.hlp").isEmpty());
  ui::setHelpViewer([](ui::Form& owner, const QString&) {
    ui::setHelpViewer({});
    ui::WinHelp(owner, "nothere.hlp");
  });
  q.mnuPlay_Click();
  EXPECT_TRUE(messages.isEmpty());
  ASSERT_NE(ui::helpViewerWindow(), nullptr);
  const QString shown = ui::helpViewerWindow()->findChild<QTextBrowser*>()->toPlainText();
  EXPECT_TRUE(shown.contains("nothere.hlp"));
}

}  // namespace
}  // namespace qel::test
