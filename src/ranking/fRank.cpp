#include "ranking/fRank.h"

#include <algorithm>
#include <vector>

#include "program/Windows.h"
#include "table/Module2.h"

namespace qel {

namespace {
constexpr ui::Colour kButtonFace = 0x8000000F;
constexpr ui::Colour kInactiveBorder = 0x8000000B;
constexpr double kRowTop = 360;
constexpr double kRowStep = 240;
constexpr double kCellHeight = 270;

const QString kSaveFailed = QString::fromUtf8("成績表を保存できませんでした。");
}  // namespace

fRank::fRank() { CreateControls(); }

fRank::~fRank() = default;

void fRank::CreateControls() {
  form.setCaption("Ranking");
  form.setBackColor(kButtonFace);
  // The window's default font: the classic dialog face, in which a date and
  // time of 19 characters fits its 1695-twip cell.
  form.setFont({"MS Sans Serif", 8});
  form.setClientSize(5655, 3420);

  struct Header {
    int index;
    double left, top;
    const char* caption;
  };
  const Header headers[] = {{0, 120, 0, "順位"},
                            {11, 1200, 120, "名前"},
                            {12, 2160, 120, "列"},
                            {13, 2760, 120, "時間"},
                            {14, 4320, 120, "日時"}};
  for (const Header& h : headers) {
    Label1[h.index] = std::make_unique<ui::Label>(&form);
    Label1[h.index]->Move(h.left, h.top, 495, 255);
    Label1[h.index]->setCaption(QString::fromUtf8(h.caption));
  }
  const char* rowNumbers[10] = {" 1", " 2", "3", "4", "5", "6", "7", " 8", " 9", "10"};
  for (int i = 1; i <= 10; ++i) {
    Label1[i] = std::make_unique<ui::Label>(&form);
    Label1[i]->Move(120, kRowTop + kRowStep * (i - 1), 255, 255);
    Label1[i]->setCaption(rowNumbers[i - 1]);
    Label1[i]->setAlignment(ui::Label::RightJustify);
  }

  auto cell = [this](double left, double top, double width, ui::Label::Align align) {
    auto l = std::make_unique<ui::Label>(&form);
    l->Move(left, top, width, kCellHeight);
    l->setBorder(true);
    l->setAlignment(align);
    return l;
  };
  for (int i = 0; i <= 9; ++i) {
    const double top = kRowTop + kRowStep * i;
    lblName[i] = cell(600, top, 1455, ui::Label::LeftJustify);
    lblRetsu[i] = cell(2040, top, 375, ui::Label::Center);
    lblTime[i] = cell(2400, top, 1215, ui::Label::Center);
    lblDate[i] = cell(3600, top, 1695, ui::Label::LeftJustify);
  }
  lblDate[0]->setBackColor(kInactiveBorder);

  // Created after the name labels, so that a shown box covers its label.
  for (int i = 0; i <= 9; ++i) {
    txtName[i] = std::make_unique<ui::TextBox>(&form);
    txtName[i]->Move(600, kRowTop + kRowStep * i, 1455, kCellHeight);
    txtName[i]->setBackColor(kInactiveBorder);
    txtName[i]->setVisible(false);
    txtName[i]->setLocked(true);
  }

  Command1 = std::make_unique<ui::CommandButton>(&form);
  Command1->Move(4080, 2880, 1095, 375);
  Command1->setCaption("OK");
  Command1->Click = [this] { Command1_Click(); };

  // No close button: the window closes through "OK" or with the main
  // window, so a close from the window manager is refused.
  form.Unload = [](Integer& cancel) { cancel = 1; };

  std::vector<ui::Control*> order{Command1.get()};
  for (auto& box : txtName) order.push_back(box.get());
  form.setTabOrder(order);
}

void fRank::ShowTableRow(int screen, int row) {
  const Module2& m = M();
  lblName[screen]->setCaption(m.RankName[row]);
  txtName[screen]->setText(m.RankName[row]);
  lblRetsu[screen]->setCaption(m.RankCols[row]);
  lblTime[screen]->setCaption(m.RankTime[row]);
  lblDate[screen]->setCaption(m.RankDate[row]);
}

void fRank::Form_Load() {
  const Module2& m = M();
  const QString cols = rt::CStr(m.ClearedCols);
  const QString time = rt::Format(m.ElapsedTime, "hh:mm:ss");

  // The result takes the first row it beats; ties go below. Texts are
  // compared, as the stored rows are texts.
  int p = 10;
  for (int i = 9; i >= 0; --i) {
    ShowTableRow(i, i);
    const int byCols = rt::TextCompare(m.RankCols[i], cols);
    if (byCols < 0 || (byCols == 0 && rt::TextCompare(m.RankTime[i], time) > 0)) p = i;
  }

  if (m.RankViewOnly != 1) {
    if (p == 10) return;
    for (int j = 8; j >= p; --j) ShowTableRow(j + 1, j);
    txtName[p]->setLocked(false);
    txtName[p]->setVisible(true);
    lblTime[p]->setCaption(time);
    lblRetsu[p]->setCaption(cols);
    lblDate[p]->setCaption(rt::Format(rt::Now(), "yyyy/mm/dd hh:mm:ss"));
    txtName[p]->setBackColor(kNewRowColour);
    lblName[p]->setBackColor(kNewRowColour);
    lblRetsu[p]->setBackColor(kNewRowColour);
    lblTime[p]->setBackColor(kNewRowColour);
    lblDate[p]->setBackColor(kNewRowColour);
    txtName[p]->setText(m.LastPlayerName);
  }

  SetTopMost(form);
  CentreOverMainWindow(form);
}

void fRank::Command1_Click() {
  SaveRanking();
  Module2& m = M();
  if (m.RankViewOnly != 0) {
    m.RankViewOnly = 0;
  } else {
    StartNextGame();
  }
  UnloadRank();
}

void fRank::SaveWaitingResult() {
  const bool waiting = std::ranges::any_of(
      txtName, [](const auto& box) { return box->BackColor() == kNewRowColour; });
  if (waiting) SaveRanking();
}

void fRank::SaveRanking() {
  Module2& m = M();
  for (int i = 0; i <= 9; ++i) {
    // As the store keeps it, so that the table, the store and the window agree.
    const QString name = rt::StorableText(txtName[i]->Text());
    if (txtName[i]->BackColor() == kNewRowColour) m.LastPlayerName = name;
    const RankRowKeys key = RankKeys(i);
    rt::SaveSetting(kStoreApp, kStoreSection, key.name, name);
    rt::SaveSetting(kStoreApp, kStoreSection, key.cols, lblRetsu[i]->Caption());
    rt::SaveSetting(kStoreApp, kStoreSection, key.time, lblTime[i]->Caption());
    rt::SaveSetting(kStoreApp, kStoreSection, key.date, lblDate[i]->Caption());
    m.RankName[i] = name;
    m.RankTime[i] = lblTime[i]->Caption();
    m.RankCols[i] = lblRetsu[i]->Caption();
    m.RankDate[i] = lblDate[i]->Caption();

    // The label under the box shows the row from now on: a failed save's
    // message comes up over the rows as confirmed.
    lblName[i]->setCaption(name);
    txtName[i]->setVisible(false);
    txtName[i]->setBackColor(kInactiveBorder);
    lblName[i]->setBackColor(kInactiveBorder);
    lblRetsu[i]->setBackColor(kInactiveBorder);
    lblTime[i]->setBackColor(kInactiveBorder);
    lblDate[i]->setBackColor(kInactiveBorder);
  }
  rt::SaveSetting(kStoreApp, kStoreSection, kLastNameKey, m.LastPlayerName);

  // The store is replaced in one piece or not at all; the table in memory
  // keeps the confirmed rows either way.
  if (!rt::FlushSettings(kStoreApp)) ui::MsgBox(kSaveFailed + "\n" + rt::settingsFile(kStoreApp));
}

}  // namespace qel
