// Start-up, the shared module, the main window's load, resize, reset and
// scroll position.
#include <QAction>
#include <QCoreApplication>
#include <QExposeEvent>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QWidget>
#include <QWindow>

#include "fixture.h"

namespace qel::test {
namespace {

// The same cell of the same sheet, drawing the same pixels.
bool samePicture(const ui::Picture& a, const ui::Picture& b) {
  return !a.isNull() && a.sheet().cacheKey() == b.sheet().cacheKey() && a.cell() == b.cell() &&
         a.toImage().convertToFormat(QImage::Format_RGB32) ==
             b.toImage().convertToFormat(QImage::Format_RGB32);
}

// Writes raw INI lines, as a player editing the file by hand would.
void writeStore(const QString& folder, const QByteArray& lines) {
  QFile f(folder + "/qel/qel.ini");
  QDir().mkpath(folder + "/qel");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("[data]\n" + lines);
}

using StartUp = ProgramFixture;

TEST_F(StartUp, EmptyStoreGivesDefaultsAndWritesNothing) {
  Main();
  const Module2& m = M();
  for (int i = 0; i <= 9; ++i) {
    EXPECT_EQ(m.RankName[i], "none");
    EXPECT_EQ(m.RankCols[i], "0");
    EXPECT_EQ(m.RankTime[i], "99:99:99");
    EXPECT_EQ(m.RankDate[i], "0000/00/00 00:00:00");
  }
  EXPECT_EQ(m.LastPlayerName, "Qel");
  EXPECT_FALSE(QFile::exists(rt::settingsFile(kStoreApp)));
  EXPECT_TRUE(QelForm().form.Visible());
}

TEST_F(StartUp, EachKeyFallsBackByItselfAndKeysNeedTheirBlank) {
  writeStore(store.path(),
             "n%204=Hanako\n"
             "t3=00:00:01\n"
             "norg=\n");
  Main();
  const Module2& m = M();
  EXPECT_EQ(m.RankName[4], "Hanako");
  EXPECT_EQ(m.RankCols[4], "0");
  EXPECT_EQ(m.RankTime[4], "99:99:99");
  EXPECT_EQ(m.RankDate[4], "0000/00/00 00:00:00");
  EXPECT_EQ(m.RankName[3], "none");
  EXPECT_EQ(m.RankTime[3], "99:99:99");  // only "t 3" is row 3's time
  EXPECT_EQ(m.LastPlayerName, "");       // an empty confirmed name stays empty
}

TEST_F(StartUp, HandEditedValuesAreTakenAsTheyAre) {
  writeStore(store.path(),
             "r%200=seven\n"
             "t%200=1:2\n"
             "n%200=a, b\n"
             "n%201=\xe5\xa4\xaa\xe9\x83\x8e\n");
  Main();
  EXPECT_EQ(M().RankCols[0], "seven");
  EXPECT_EQ(M().RankTime[0], "1:2");
  EXPECT_EQ(M().RankName[0], "a, b");
  EXPECT_EQ(M().RankName[1], QString::fromUtf8("太郎"));
}

TEST_F(StartUp, BrokenStoreFileStillStarts) {
  QDir().mkpath(store.path() + "/qel");
  QFile f(store.path() + "/qel/qel.ini");
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("\x00\xff[[[data\n=\n==broken\n\x01", 22);
  f.close();
  Main();
  EXPECT_EQ(M().RankName[0], "none");
  EXPECT_EQ(M().LastPlayerName, "Qel");
}

TEST(CardSheet, IsA24BitPictureOf13By5Cells) {
  QFile f(":/assets/cards.bmp");
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray head = f.read(30);
  ASSERT_EQ(head.left(2), "BM");
  const auto u16 = [&](int at) { return quint8(head[at]) | quint8(head[at + 1]) << 8; };
  const auto i32 = [&](int at) {
    return qint32(quint8(head[at]) | quint8(head[at + 1]) << 8 | quint8(head[at + 2]) << 16 |
                  quint8(head[at + 3]) << 24);
  };
  EXPECT_EQ(i32(18), 923);
  EXPECT_EQ(std::abs(i32(22)), 480);
  EXPECT_EQ(u16(28), 24);
}

using MainWindow = ProgramFixture;

TEST_F(MainWindow, LoadLeavesTheTableIdle) {
  Qel& q = loadQel();
  const Module2& m = M();
  EXPECT_EQ(q.GameOver, 1);
  EXPECT_EQ(q.form.Caption(), "Qel");
  EXPECT_DOUBLE_EQ(q.form.Width(), 9600);
  EXPECT_DOUBLE_EQ(q.form.Height(), 7200);
  EXPECT_EQ(m.ElapsedTime, 0);

  EXPECT_TRUE(q.Startbtn->Visible());
  EXPECT_FALSE(q.cmdGiveUp->Visible());
  EXPECT_EQ(q.cmdGiveUp->Top(), 120);
  EXPECT_EQ(q.Startbtn->Top(), 120);
  EXPECT_FALSE(q.mnuOption->Enabled());
  EXPECT_EQ(q.lblLast->Caption(), "");
  EXPECT_EQ(q.lblTime->Caption(), "");
  EXPECT_EQ(q.Timer1.Interval(), 0);

  EXPECT_TRUE(q.DC[0]->Visible());
  EXPECT_EQ(q.DC[0]->Left(), 45);
  EXPECT_EQ(q.DC[0]->Top(), 840);
  EXPECT_EQ(q.DC[0]->ToolTipText(), kDealTip);
  EXPECT_TRUE(samePicture(q.DC[0]->Picture(), q.Cardclip.GraphicCell(55)));
  // Every card carries its face and lies hidden in the stock, at card size.
  for (int n = 1; n <= 52; ++n) {
    EXPECT_TRUE(samePicture(q.DC[n]->Picture(), q.Cardclip.GraphicCell(n - 1))) << n;
    EXPECT_FALSE(q.DC[n]->Visible());
    EXPECT_EQ(q.DC[n]->Left(), 45);
    EXPECT_EQ(q.DC[n]->Top(), 840);
    EXPECT_EQ(q.DC[n]->Width(), 1065);
    EXPECT_EQ(q.DC[n]->Height(), 1440);
  }
}

TEST_F(MainWindow, MenusAndCaptionsAsStored) {
  Qel& q = loadQel();
  QMenuBar* bar = q.form.widget()->findChild<QMenuBar*>();
  ASSERT_NE(bar, nullptr);
  QStringList top;
  for (QAction* a : bar->actions()) top << a->text();
  EXPECT_EQ(top,
            QStringList({QString::fromUtf8("ゲーム(&G)"), QString::fromUtf8("カードを配る(&D)"),
                         QString::fromUtf8("ヘルプ(&H)")}));
  QStringList game;
  for (QAction* a : q.mnuGame->menu()->actions()) game << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(game,
            QStringList({QString::fromUtf8("新規ゲーム(&N)"), "-", QString::fromUtf8("成績表(&T)"),
                         "-", QString::fromUtf8("終了(&E)")}));
  EXPECT_EQ(q.mnuGStart->action()->shortcut(), QKeySequence("F2"));
  EXPECT_EQ(q.mnuOption->menu(), nullptr);
  QStringList help;
  for (QAction* a : q.mnuHelp->menu()->actions()) help << a->text();
  EXPECT_EQ(help, QStringList(
                      {QString::fromUtf8("遊び方(C&)"), QString::fromUtf8("バージョン情報(&A)")}));
  EXPECT_EQ(q.Label1[0]->Caption(), QString::fromUtf8("残り枚数"));
  EXPECT_EQ(q.Label1[1]->Caption(), QString::fromUtf8("経過時間 "));
  EXPECT_EQ(q.cmdUpDown[0]->ToolTipText(), QString::fromUtf8("[A]キーでもOK"));
  EXPECT_EQ(q.cmdUpDown[1]->ToolTipText(), QString::fromUtf8("[Z]キーでもOK"));
}

TEST_F(MainWindow, ResetTouchesToolTipAndDealCommandOnlyWhenIdle) {
  Qel& q = loadQel();
  // A game was running (GameOver 0) with an empty stock: its tool tip stays.
  q.GameOver = 0;
  q.DC[0]->setToolTipText("");
  q.ResetTable();
  EXPECT_EQ(q.DC[0]->ToolTipText(), "");
  EXPECT_FALSE(q.mnuOption->Enabled());
  EXPECT_EQ(q.GameOver, 0);

  // After a win (GameOver 1) the reset opens the table again.
  q.GameOver = 1;
  q.DC[7]->Move(3640, 460, 1065, 1440);
  q.DC[7]->setVisible(true);
  M().PileCount[4] = 2;
  M().Deck[3] = 40;
  M().DealPos = 17;
  M().DeckTail = 9;
  M().ResumeCol = 5;
  q.ResetTable();
  EXPECT_EQ(q.GameOver, 0);
  EXPECT_EQ(q.DC[0]->ToolTipText(), kDealTip);
  EXPECT_TRUE(q.mnuOption->Enabled());
  EXPECT_FALSE(q.DC[7]->Visible());
  EXPECT_EQ(q.DC[7]->Left(), 45);
  EXPECT_EQ(q.DC[7]->Top(), 840);
  for (int i = 1; i <= 52; ++i) EXPECT_EQ(M().Deck[i], i);
  EXPECT_EQ(M().PileCount[0], 52);
  for (int c = 1; c <= 7; ++c) EXPECT_EQ(M().PileCount[c], 0);
  EXPECT_EQ(M().DealPos, 1);
  EXPECT_EQ(M().DeckTail, 52);
  EXPECT_EQ(M().ResumeCol, 0);
}

TEST_F(MainWindow, VisibleRowsFollowTheClientHeight) {
  Qel& q = loadQel();
  struct Case {
    double height;
    Integer rows;
  } cases[] = {{0, -9},   {1770, -1}, {1995, -1}, {2010, 0},  {2235, 0},
               {2250, 1}, {2475, 1},  {6330, 18}, {6555, 18}, {6570, 19}};
  for (const Case& c : cases) {
    q.form.setClientSize(9600, c.height);
    ASSERT_DOUBLE_EQ(q.form.ScaleHeight(), c.height);
    q.UpdateScroll();
    EXPECT_EQ(M().VisibleRows, c.rows) << c.height;
  }
}

TEST_F(MainWindow, ScrollPositionFromTheDeepestColumn) {
  Qel& q = loadQel();
  struct Case {
    double height;
    Integer deepest;
    double top;
    bool buttons;
  } cases[] = {
      {6330, 18, 360, false},  // exactly fits
      {6330, 19, 120, true},   // one deeper
      {6330, 21, -360, true},  //
      {1770, 0, 120, true},    // VisibleRows -1: even an empty table does not fit
      {0, 0, -1800, true},     // VisibleRows -9
      {6570, 19, 360, false},  // taller window: fits again
  };
  for (const Case& c : cases) {
    q.form.setClientSize(9600, c.height);
    M().PileCount = {};
    M().PileCount[6] = c.deepest;
    M().PileCount[2] = c.deepest > 0 ? 1 : 0;
    q.UpdateScroll();
    EXPECT_EQ(q.picTable->Top(), c.top) << c.height << " " << c.deepest;
    EXPECT_EQ(q.cmdUpDown[0]->Visible(), c.buttons);
    EXPECT_EQ(q.cmdUpDown[1]->Visible(), c.buttons);
  }
}

TEST_F(MainWindow, ResizeHoldsTheWidthAndMovesTheBottomBar) {
  Qel& q = loadQel();
  q.form.setClientSize(12000, 6330);
  ASSERT_DOUBLE_EQ(q.form.ScaleWidth(), 12000);  // a frame of another width
  M().PileCount[1] = 19;
  q.Form_Resize();
  EXPECT_DOUBLE_EQ(q.form.Width(), 9600);
  EXPECT_DOUBLE_EQ(q.picScdown->Top(), q.form.ScaleHeight() - 375);
  EXPECT_EQ(q.picTable->Top(), 120);

  q.form.widget()->setWindowState(Qt::WindowMinimized);
  q.form.setClientSize(7200, 3000);
  ASSERT_DOUBLE_EQ(q.form.ScaleWidth(), 7200);
  const double width = q.form.Width();
  q.Form_Resize();
  EXPECT_DOUBLE_EQ(q.form.Width(), width);  // minimised: nothing changes
  EXPECT_EQ(q.picTable->Top(), 120);
}

// The window manager is told the width is fixed and the height free; the
// hint is the client width that makes the frame, once known, 9600 wide.
TEST_F(MainWindow, TellsTheWindowManagerOnlyTheHeightIsFree) {
  Main();
  const QWidget* w = QelForm().form.widget();
  const QWindow* win = w->windowHandle();
  ASSERT_NE(win, nullptr);
  ASSERT_LT(w->width(), w->frameGeometry().width());  // framed
  EXPECT_DOUBLE_EQ(QelForm().form.Width(), 9600);
  EXPECT_EQ(win->minimumWidth(), w->width());
  EXPECT_EQ(win->maximumWidth(), w->width());
  EXPECT_EQ(win->minimumHeight(), 0);
  EXPECT_EQ(win->maximumHeight(), QWIDGETSIZE_MAX);
}

// A resize from outside that ignores the hints, as the offscreen platform
// does: the width springs back, the height stays and the table follows it.
TEST_F(MainWindow, OutsideResizeKeepsTheHeightAndPutsTheWidthBack) {
  Main();
  Qel& q = QelForm();
  QWidget* w = q.form.widget();
  const int menu = w->height() - ui::toPixels(q.form.ScaleHeight());
  M().PileCount[4] = 19;
  struct Case {
    int width;
    double scaleHeight;
    double tableTop;
    bool buttons;
  } cases[] = {
      {800, 6330, 120, true},     // wider; 18 rows show
      {400, 6570, 360, false},    // narrower and taller; all 19 show
      {1280, 3015, -3240, true},  // shorter: the deep column scrolls up
  };
  for (const Case& c : cases) {
    w->windowHandle()->resize(c.width, menu + ui::toPixels(c.scaleHeight));
    QCoreApplication::processEvents();
    EXPECT_DOUBLE_EQ(q.form.Width(), 9600) << c.width;
    EXPECT_DOUBLE_EQ(q.form.ScaleHeight(), c.scaleHeight) << c.width;
    EXPECT_DOUBLE_EQ(q.picScdown->Top(), c.scaleHeight - 375) << c.width;
    EXPECT_EQ(q.picTable->Top(), c.tableTop) << c.width;
    EXPECT_EQ(q.cmdUpDown[0]->Visible(), c.buttons) << c.width;
  }
}

// There is no maximise box: a maximise or full screen the window manager
// makes anyway is undone, while minimising still works.
TEST_F(MainWindow, MaximiseIsUndoneMinimiseIsNot) {
  Main();
  Qel& q = QelForm();
  QWindow* win = q.form.widget()->windowHandle();
  const double height = q.form.Height();
  for (Qt::WindowState state : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
    win->setWindowStates(state);
    QCoreApplication::processEvents();
    EXPECT_EQ(q.form.widget()->windowState(), Qt::WindowNoState) << state;
    EXPECT_DOUBLE_EQ(q.form.Width(), 9600) << state;
    EXPECT_DOUBLE_EQ(q.form.Height(), height) << state;
  }
  win->setWindowStates(Qt::WindowMinimized);
  QCoreApplication::processEvents();
  EXPECT_TRUE(q.form.minimized());
  q.form.Show();
  EXPECT_FALSE(q.form.minimized());
  EXPECT_DOUBLE_EQ(q.form.Width(), 9600);
}

TEST_F(MainWindow, RealWindowShowsItsControls) {
  Main();
  Qel& q = QelForm();
  QWidget* w = q.form.widget();
  ASSERT_TRUE(w->isVisible());
  EXPECT_TRUE(q.Startbtn->widget()->isVisible());
  EXPECT_FALSE(q.cmdGiveUp->widget()->isVisible());
  EXPECT_TRUE(q.DC[0]->widget()->isVisible());
  EXPECT_FALSE(q.mnuOption->action()->isEnabled());
  EXPECT_DOUBLE_EQ(q.form.Width(), 9600);
  // The first control in the tab order that can take the focus has it.
  EXPECT_TRUE(q.Startbtn->hasFocus());
}

TEST_F(MainWindow, SetTopMostKeepsPlaceSizeAndVisibility) {
  Qel& q = loadQel();
  q.form.Show();
  q.form.setLeft(1500);
  q.form.setTop(900);
  const double l = q.form.Left(), t = q.form.Top(), w = q.form.Width(), h = q.form.Height();
  SetTopMost(q.form);
  EXPECT_TRUE(q.form.topmost());
  EXPECT_TRUE(q.form.Visible());
  EXPECT_EQ(q.form.Left(), l);
  EXPECT_EQ(q.form.Top(), t);
  EXPECT_EQ(q.form.Width(), w);
  EXPECT_EQ(q.form.Height(), h);
}

}  // namespace
}  // namespace qel::test

namespace qel::test {
namespace {

TEST(Toolkit, SecondaryWindowsKeepTheirSizeAndComeBackWhenMinimised) {
  ui::Form tool(ui::Form::Frame::FixedToolWindow);
  tool.setClientSize(5655, 3420);
  EXPECT_EQ(tool.widget()->minimumSize(), tool.widget()->maximumSize());
  EXPECT_DOUBLE_EQ(tool.ScaleWidth(), 5655);
  tool.Show();
  tool.widget()->setWindowState(Qt::WindowMinimized);
  tool.Show();
  EXPECT_FALSE(tool.minimized());
  EXPECT_TRUE(tool.Visible());

  ui::Form main(ui::Form::Frame::Sizable);
  main.setClientSize(6120, 3015);
  EXPECT_NE(main.widget()->minimumSize(), main.widget()->maximumSize());
}

// A window manager started after the window frames it without moving or
// resizing it; its window is only exposed again. The width set before the
// frame was known is held all the same.
TEST(Toolkit, AFrameThatComesLaterStillGetsTheWidthHeld) {
  ui::Form main(ui::Form::Frame::Sizable);
  main.setClientSize(9600, 6000);
  main.setWidth(9600);  // no frame yet: the client takes it all
  QWidget* w = main.widget();
  w->winId();  // framed now, not shown, nothing moved
  const QMargins frame = w->windowHandle()->frameMargins();
  ASSERT_FALSE(frame.isNull());
  QExposeEvent exposed{QRegion()};
  QCoreApplication::sendEvent(w->windowHandle(), &exposed);
  EXPECT_EQ(w->width(), 640 - frame.left() - frame.right());
  EXPECT_DOUBLE_EQ(main.Width(), 9600);
}

TEST(Toolkit, LabelAlignmentDoesNotDependOnWhatWasSetBefore) {
  ui::Form form(ui::Form::Frame::None);
  const auto shown = [](const ui::Label& l) {
    return static_cast<QLabel*>(l.widget())->alignment();
  };
  for (ui::Label::Align align :
       {ui::Label::LeftJustify, ui::Label::RightJustify, ui::Label::Center})
    for (bool border : {false, true}) {
      ui::Label alignedFirst(&form);
      alignedFirst.setAlignment(align);
      alignedFirst.setCaption("7");
      alignedFirst.setBorder(border);
      ui::Label alignedLast(&form);
      alignedLast.setCaption("7");
      alignedLast.setBorder(border);
      alignedLast.setAlignment(align);
      EXPECT_EQ(shown(alignedFirst), shown(alignedLast)) << align << " border " << border;
    }
}

}  // namespace
}  // namespace qel::test
