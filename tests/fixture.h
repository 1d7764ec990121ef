#pragma once
// What the tests share: a fresh program for each test (the shared module as
// at start-up, a fixed clock, a seeded generator, message boxes and program
// end caught), the game's texts as a player reads them, a table laid out as
// deals leave it, a ranking filled with given rows, and a full disk.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <csignal>
#include <ostream>
#include <vector>

#include "platform/controls.h"
#include "platform/runtime.h"
#include "program/Windows.h"
#include "table/Module2.h"
#include "table/Qel.h"
#include "table/TableGeometry.h"

namespace qel::test {

// Texts and colours as the player sees them; written out here, not taken
// from the game, so that a slip in the game's own copy shows.
inline const QString kDealTip = QString::fromUtf8("次の１列を配る");
inline const QString kResumeTip = QString::fromUtf8("続きを配る");
inline const QString kWinText = QString::fromUtf8("おめでとう");
inline const QString kSaveFailed = QString::fromUtf8("成績表を保存できませんでした。");
inline constexpr ui::Colour kNewRow = 0x0080FFFF;  // the ranking row of a new result

// A time of day as a date-time value.
inline Date dayTime(int h, int m, int s) { return (h * 3600 + m * 60 + s) / 86400.0; }

class ProgramFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgram();
    ASSERT_TRUE(store.isValid());
    rt::setSettingsFolder(store.path());
    setClock(QTime(10, 0, 0));
    rt::seedGenerator(12345);
    ui::setMessageBoxHandler([this](const QString& t) { messages << t; });
    ui::setEndHandler([this] { ++ends; });
  }
  void TearDown() override {
    ResetProgram();
    rt::setClock({});
    ui::setMessageBoxHandler({});
    ui::setEndHandler({});
  }

  // Sets the clock to a time of day on a fixed date.
  void setClock(QTime t, QDate d = QDate(2026, 12, 10)) {
    now = QDateTime(d, t);
    rt::setClock([this] { return now; });
  }
  // The main window as Main leaves it, without showing it.
  Qel& loadQel() { return LoadQel(); }

  QTemporaryDir store;
  QDateTime now;
  QStringList messages;
  int ends = 0;
};

using Columns = std::vector<std::vector<Integer>>;  // column 1 first, each from place 0 down

// Lays out a running game as deals would have left it: column c holds
// cols[c-1] from place 0 down, each card in front of the one above; every
// other card is in the stock ring in ascending order from slot dealPos on.
// The window is in play ("Give Up" shown, the deal command enabled, the clock
// running from 10:00:00) and nothing is selected.
inline void layTable(Qel& q, const Columns& cols, Integer dealPos = 1) {
  Module2& m = M();
  q.GameOver = 1;
  q.ResetTable();  // as a new game: tool tip, deal command, GameOver 0
  std::vector<bool> onTable(53, false);
  for (size_t c = 0; c < cols.size(); ++c) {
    for (size_t j = 0; j < cols[c].size(); ++j) {
      ui::Image& card = *q.DC[static_cast<size_t>(cols[c][j])];
      card.setVisible(true);
      card.setLeft(table::ColumnLeft(static_cast<Integer>(c + 1)));
      card.setTop(table::PlaceTop(static_cast<Integer>(j)));
      card.ZOrder();
      onTable[static_cast<size_t>(cols[c][j])] = true;
    }
    m.PileCount[c + 1] = static_cast<Integer>(cols[c].size());
  }
  Integer slot = dealPos;
  Integer stock = 0;
  m.DeckTail = static_cast<Integer>(dealPos == 1 ? 52 : dealPos - 1);
  for (Integer k = 1; k <= 52; ++k) {
    if (onTable[static_cast<size_t>(k)]) continue;
    m.Deck[static_cast<size_t>(slot)] = k;
    m.DeckTail = slot;
    slot = static_cast<Integer>(slot % 52 + 1);
    ++stock;
  }
  for (Integer k = 1; k <= 52; ++k) {
    if (!onTable[static_cast<size_t>(k)]) continue;
    m.Deck[static_cast<size_t>(slot)] = k;
    slot = static_cast<Integer>(slot % 52 + 1);
  }
  m.PileCount[0] = stock;
  m.DealPos = dealPos;
  m.ResumeCol = 0;
  m.FirstRound = 0;
  m.SelCount = 0;
  m.SelCard = {};
  m.SelPos = {};
  q.ShowStockCount();
  q.UpdateScroll();
  q.cmdGiveUp->setVisible(true);
  q.Startbtn->setVisible(false);
  q.mnuOption->setEnabled(true);
  q.Timer1.setInterval(1000);
  m.StartTime = dayTime(10, 0, 0);
}

// A press on an image of the table, as the player's mouse gives it.
inline void press(Qel& q, Integer index, Integer button = ui::vbLeftButton) {
  q.DC_MouseDown(index, button, 0, 0, 0);
}

// The stock ring from the next card dealt to the last.
inline std::vector<Integer> stockRing() {
  const Module2& m = M();
  std::vector<Integer> ring;
  for (int i = 0, s = m.DealPos; i < m.PileCount[0]; ++i, s = s % 52 + 1)
    ring.push_back(m.Deck[static_cast<size_t>(s)]);
  return ring;
}

// One row of the ranking: name, emptied columns, play time, date.
struct RankRow {
  QString name, cols, time, date;
  bool operator==(const RankRow&) const = default;
};
inline std::ostream& operator<<(std::ostream& o, const RankRow& r) {
  return o << "(" << r.name.toStdString() << ", " << r.cols.toStdString() << ", "
           << r.time.toStdString() << ", " << r.date.toStdString() << ")";
}
inline const RankRow kEmptyRow{"none", "0", "99:99:99", "0000/00/00 00:00:00"};

// Fills the ranking table in memory: the rows given, empty rows after them.
inline void setRanking(const std::vector<RankRow>& rows) {
  Module2& m = M();
  for (size_t i = 0; i <= 9; ++i) {
    const RankRow& r = i < rows.size() ? rows[i] : kEmptyRow;
    m.RankName[i] = r.name;
    m.RankCols[i] = r.cols;
    m.RankTime[i] = r.time;
    m.RankDate[i] = r.date;
  }
}
inline RankRow rankRow(size_t i) {
  const Module2& m = M();
  return {m.RankName[i], m.RankCols[i], m.RankTime[i], m.RankDate[i]};
}

// While it lives, files of this process can grow to `limit` bytes only: the
// write that crosses it is cut short, as on a full disk.
class FullDisk {
 public:
  explicit FullDisk(rlim_t limit) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved_;
    small.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldSignal_);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

 private:
  rlimit saved_{};
  void (*oldSignal_)(int) = nullptr;
};

}  // namespace qel::test
