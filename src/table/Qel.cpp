#include "table/Qel.h"

#include <QIcon>
#include <QImage>

#include "table/TableGeometry.h"

namespace qel {

using namespace table;

namespace {
const ui::FontSpec kCountFont{QString::fromUtf8("ＭＳ Ｐゴシック"), 11.25, true};
constexpr ui::Colour kTableGreen = 0x0000C000;
constexpr ui::Colour kBarYellow = 0x0080FFFF;
// The window's outer size; only the height follows the player.
constexpr double kWindowWidth = 9600;
constexpr double kWindowHeight = 7200;
// "Start" and "Give Up" take turns on one place.
constexpr double kStartTop = 120;

QIcon programIcon() {
  QIcon icon;
  icon.addFile(":/assets/icon16.png", QSize(16, 16));
  icon.addFile(":/assets/icon32.png", QSize(32, 32));
  return icon;
}
}  // namespace

Qel::Qel() {
  CreateControls();
  CreateMenus();
}

Qel::~Qel() = default;

void Qel::CreateControls() {
  form.setCaption("Qel");
  form.setBackColor(kTableGreen);
  form.setIcon(programIcon());
  form.setClientSize(6120, 3015);

  Startbtn = std::make_unique<ui::CommandButton>(&form);
  Startbtn->Move(120, kStartTop, 975, 375);
  Startbtn->setCaption("Start");
  Startbtn->Click = [this] { startbtn_Click(); };

  cmdGiveUp = std::make_unique<ui::CommandButton>(&form);
  cmdGiveUp->Move(120, 5400, 975, 375);
  cmdGiveUp->setCaption("Give Up");
  cmdGiveUp->Click = [this] { cmdGiveUp_Click(); };

  Label1[0] = std::make_unique<ui::Label>(&form);
  Label1[0]->Move(120, 2400, 855, 255);
  Label1[0]->setCaption(QString::fromUtf8("残り枚数"));
  Label1[0]->setTransparent(true);

  lblLast = std::make_unique<ui::Label>(&form);
  lblLast->Move(120, 2640, 975, 375);
  lblLast->setBackColor(kStockCountColour);
  lblLast->setBorder(true);
  lblLast->setAlignment(ui::Label::Center);
  lblLast->setFont(kCountFont);

  Label1[1] = std::make_unique<ui::Label>(&form);
  Label1[1]->Move(90, 3240, 855, 255);
  Label1[1]->setCaption(QString::fromUtf8("経過時間 "));
  Label1[1]->setTransparent(true);

  lblTime = std::make_unique<ui::Label>(&form);
  lblTime->Move(120, 3480, 975, 375);
  lblTime->setTransparent(true);
  lblTime->setBorder(true);
  lblTime->setAlignment(ui::Label::Center);
  lblTime->setFont(kCountFont);

  const char* upDownCaption[2] = {"Up", "Down"};
  const char* upDownTip[2] = {"[A]キーでもOK", "[Z]キーでもOK"};
  for (int i = 0; i < 2; ++i) {
    cmdUpDown[i] = std::make_unique<ui::CommandButton>(&form);
    cmdUpDown[i]->Move(360, 4200 + 600 * i, 615, 495);
    cmdUpDown[i]->setCaption(upDownCaption[i]);
    cmdUpDown[i]->setToolTipText(QString::fromUtf8(upDownTip[i]));
    cmdUpDown[i]->Click = [this, i] { cmdUpDown_Click(static_cast<Integer>(i)); };
  }

  DC[0] = std::make_unique<ui::Image>(&form);
  DC[0]->Move(0, 600, kCardWidth, kCardHeight);
  DC[0]->setVisible(false);
  DC[0]->setToolTipText(kDealTip);

  picTable = std::make_unique<ui::PictureBox>(&form);
  picTable->Move(1200, kTableRestTop, 8295, 15000);
  picTable->setBackColor(kTableGreen);
  picTable->KeyDown = [this](Integer key, Integer shift) { picTable_KeyDown(key, shift); };

  // The bars come after the table so that a scrolled table slides under them.
  const double dum[3][4] = {{1200, 0, 8415, 375}, {1200, 0, 15, 15000}, {9465, 0, 15, 15000}};
  for (int i = 0; i < 3; ++i) {
    picDum[i] = std::make_unique<ui::PictureBox>(&form);
    picDum[i]->Move(dum[i][0], dum[i][1], dum[i][2], dum[i][3]);
    picDum[i]->setBackColor(kBarYellow);
    picDum[i]->setTabStop(false);
  }
  picScdown = std::make_unique<ui::PictureBox>(&form);
  picScdown->Move(1200, 5760, 8415, 375);
  picScdown->setBackColor(kBarYellow);
  picScdown->setTabStop(false);

  for (int n = 1; n <= kFullStock; ++n) {
    DC[n] = std::make_unique<ui::Image>(picTable.get());
    DC[n]->Move(120 + 360 * ((n - 1) % 13), 1560 + 480 * ((n - 1) / 13), 375, 495);
    DC[n]->setVisible(false);
  }
  for (int n = 0; n <= kFullStock; ++n) {
    DC[n]->MouseDown = [this, n](Integer button, Integer shift, Single x, Single y) {
      DC_MouseDown(static_cast<Integer>(n), button, shift, x, y);
    };
  }

  Cardclip.setPicture(ui::LoadPicture(":/assets/cards.bmp"), 5, 13);
  Timer1.TimerEvent = [this] { Timer1_Timer(); };

  form.setTabOrder({Startbtn.get(), lblLast.get(), Label1[0].get(), lblTime.get(), Label1[1].get(),
                    picTable.get(), cmdUpDown[0].get(), cmdUpDown[1].get(), picDum[0].get(),
                    picScdown.get(), picDum[1].get(), picDum[2].get(), cmdGiveUp.get()});

  form.Resize = [this] { Form_Resize(); };
  form.Unload = [this](Integer& cancel) { Form_Unload(cancel); };
}

void Qel::CreateMenus() {
  mnuGame = form.addMenu(QString::fromUtf8("ゲーム(&G)"));
  mnuGStart = form.addItem(mnuGame, QString::fromUtf8("新規ゲーム(&N)"));
  mnuGStart->setShortcut("F2");
  form.addSeparator(mnuGame);
  mnuScore = form.addItem(mnuGame, QString::fromUtf8("成績表(&T)"));
  form.addSeparator(mnuGame);
  mnuExit = form.addItem(mnuGame, QString::fromUtf8("終了(&E)"));
  mnuOption = form.addBarCommand(QString::fromUtf8("カードを配る(&D)"));
  mnuHelp = form.addMenu(QString::fromUtf8("ヘルプ(&H)"));
  mnuPlay = form.addItem(mnuHelp, QString::fromUtf8("遊び方(C&)"));
  mnuVersion = form.addItem(mnuHelp, QString::fromUtf8("バージョン情報(&A)"));

  mnuGStart->Click = [this] { mnuGStart_Click(); };
  mnuScore->Click = [this] { mnuScore_Click(); };
  mnuExit->Click = [this] { mnuExit_Click(); };
  mnuOption->Click = [this] { mnuOption_Click(); };
  mnuPlay->Click = [this] { mnuPlay_Click(); };
  mnuVersion->Click = [this] { mnuVersion_Click(); };
}

void Qel::Form_Load() {
  Module2& m = M();
  rt::Randomize();

  // First placement, from the design size; kept on the screen at the size
  // the window takes next.
  double top = (ui::ScreenHeight() - form.Height()) / 3;
  double left = (ui::ScreenWidth() - form.Width()) / 2;
  top = std::max(0.0, std::min(top, ui::ScreenHeight() - kWindowHeight));
  left = std::max(0.0, std::min(left, ui::ScreenWidth() - kWindowWidth));
  form.setTop(top);
  form.setLeft(left);

  form.setWidth(kWindowWidth);
  form.setHeight(kWindowHeight);

  m.ElapsedTime = 0;

  for (int n = 1; n <= kFullStock; ++n) {
    DC[n]->setVisible(false);
    DC[n]->setPicture(Cardclip.GraphicCell(n - 1));
  }

  ResetTable();
  GameOver = 1;  // the table is laid out, but no game runs until "Start"
  ShowIdleControls();
}

void Qel::Form_Resize() {
  if (form.minimized()) return;
  form.setWidth(kWindowWidth);
  picScdown->setTop(form.ScaleHeight() - picScdown->Height());
  UpdateScroll();
}

void Qel::ShowIdleControls() {
  cmdGiveUp->setVisible(false);
  cmdGiveUp->setTop(kStartTop);
  Startbtn->setVisible(true);
  mnuOption->setEnabled(false);
}

void Qel::ResetTable() {
  Module2& m = M();
  if (GameOver == 1) {
    GameOver = 0;
    DC[0]->setToolTipText(kDealTip);
    mnuOption->setEnabled(true);
  }
  for (int i = 1; i <= kFullStock; ++i) {
    DC[i]->Move(kDeckLeft, kDeckTop, kCardWidth, kCardHeight);
    DC[i]->setVisible(false);
    m.Deck[i] = static_cast<Integer>(i);
  }
  DC[0]->setVisible(true);
  DC[0]->setLeft(kDeckLeft);
  DC[0]->setTop(kDeckTop);
  DC[0]->setPicture(Cardclip.GraphicCell(kBackCell));
  for (int c = 1; c <= kColumns; ++c) m.PileCount[c] = 0;
  m.PileCount[0] = kFullStock;
  m.DealPos = 1;
  m.DeckTail = kFullStock;
  m.ResumeCol = 0;
  UpdateScroll();
}

void Qel::UpdateScroll() {
  Module2& m = M();
  m.VisibleRows = VisibleRowsFor(form.ScaleHeight());
  const Integer deepest = DeepestColumn(m.PileCount);
  if (ColumnFits(deepest, m.VisibleRows)) {
    cmdUpDown[0]->setVisible(false);
    cmdUpDown[1]->setVisible(false);
    picTable->setTop(kTableRestTop);
  } else {
    picTable->setTop(ScrolledTableTop(deepest, m.VisibleRows));
    cmdUpDown[0]->setVisible(true);
    cmdUpDown[1]->setVisible(true);
  }
}

}  // namespace qel
