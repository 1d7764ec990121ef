// The ranking window: its design, the placement of a new result, "OK", which
// stores the rows and starts the next game, and results that come while the
// window is open.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <vector>

#include "fixture.h"
#include "ranking/fRank.h"

namespace qel::test {
namespace {

constexpr ui::Colour kFace = 0x8000000F;
constexpr ui::Colour kBorder = 0x8000000B;
const QString kEmptyDate = kEmptyRow.date;
const QString kToday = "2026/12/10 10:00:00";  // the fixture's clock

using Row = RankRow;
const Row& kEmpty = kEmptyRow;
// What screen row i holds for "OK": the name from the box, the rest from the labels.
Row screenRow(const fRank& w, int i) {
  return {w.txtName[i]->Text(), w.lblRetsu[i]->Caption(), w.lblTime[i]->Caption(),
          w.lblDate[i]->Caption()};
}
Row row(int i, const QString& cols, const QString& time) {
  return {QString("p%1").arg(i), cols, time,
          QString("2026/01/%1 12:00:00").arg(i + 1, 2, 10, QChar('0'))};
}
void setResult(Integer cols, int secs) {
  M().ClearedCols = cols;
  M().ElapsedTime = secs / 86400.0;
}

// Top and Left that centre the window over the main window.
void expectCentred(const fRank& w) {
  const ui::Form& main = QelForm().form;
  // At its load the window has no frame yet: its outer size was its client
  // size. The toolkit keeps whole pixels: allow one.
  EXPECT_NEAR(w.form.Top(), main.Height() / 2 + main.Top() - w.form.ScaleHeight() / 2, 15);
  EXPECT_NEAR(w.form.Left(), main.Width() / 2 - w.form.ScaleWidth() / 2 + main.Left(), 15);
}

// What the store's file holds, as QSettings reads it: from a copy under a
// name of its own, as QSettings serves a name it parsed before from its cache
// while the file's size and time stay the same.
QVariantMap storedFile() {
  QTemporaryDir dir;
  const QString copy = dir.path() + "/copy.ini";
  QFile::copy(rt::settingsFile(kStoreApp), copy);
  const QSettings s(copy, QSettings::IniFormat);
  QVariantMap all;
  for (const QString& key : s.allKeys()) all.insert(key, s.value(key));
  return all;
}
QString stored(const QString& key) {
  return storedFile().value("data/" + key, "<absent>").toString();
}

// Games finished by the handlers, on a table laid out as play leaves it.
class RankFixture : public ProgramFixture {
 protected:
  // A game running since 10:00:00 with `emptied` columns emptied (the others
  // hold three cards each), given up at `at`.
  void giveUpAt(Qel& q, int emptied, QTime at) {
    Columns cols(7);
    Integer k = 1;
    for (int c = emptied; c < 7; ++c) cols[c] = {k, Integer(k + 1), Integer(k + 2)}, k += 3;
    layTable(q, cols);
    setClock(at);
    q.cmdGiveUp->press();
  }
  // A game running since 10:00:00, won by its last removal at `at`.
  void winAt(Qel& q, QTime at) {
    layTable(q, {{1, 9, 13}});
    setClock(at);
    press(q, 1);
    press(q, 9);
    press(q, 13);
  }
  // A game ended at `at` with `cols` emptied columns: 7 is a win.
  void finishAt(Qel& q, Integer cols, QTime at) {
    if (cols == 7)
      winAt(q, at);
    else
      giveUpAt(q, cols, at);
  }
};

// The row whose name box marks a new result; -1 for none.
int newRow(const fRank& w) {
  for (int i = 0; i <= 9; ++i)
    if (w.txtName[i]->BackColor() == kNewRow) return i;
  return -1;
}
QString at(QTime t) { return "2026/12/10 " + t.toString("hh:mm:ss"); }

using RankWindow = RankFixture;

TEST_F(RankWindow, DesignState) {
  fRank w;
  EXPECT_EQ(w.form.Caption(), "Ranking");
  EXPECT_DOUBLE_EQ(w.form.ScaleWidth(), 5655);
  EXPECT_DOUBLE_EQ(w.form.ScaleHeight(), 3420);
  const Qt::WindowFlags flags = w.form.widget()->windowFlags();
  EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
  EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinMaxButtonsHint);

  const char* headers[][2] = {
      {"0", "順位"}, {"11", "名前"}, {"12", "列"}, {"13", "時間"}, {"14", "日時"}};
  for (auto& h : headers) EXPECT_EQ(w.Label1[atoi(h[0])]->Caption(), QString::fromUtf8(h[1]));
  EXPECT_EQ(w.Label1[0]->Top(), 0);
  EXPECT_EQ(w.Label1[14]->Left(), 4320);
  const char* numbers[] = {" 1", " 2", "3", "4", "5", "6", "7", " 8", " 9", "10"};
  for (int i = 1; i <= 10; ++i) {
    EXPECT_EQ(w.Label1[i]->Caption(), numbers[i - 1]);
    EXPECT_EQ(w.Label1[i]->Top(), 120 + 240 * i);
    EXPECT_TRUE(static_cast<QLabel*>(w.Label1[i]->widget())->alignment() & Qt::AlignRight);
  }
  for (int i = 0; i <= 9; ++i) {
    const double top = 360 + 240 * i;
    EXPECT_FALSE(w.txtName[i]->Visible());
    EXPECT_TRUE(w.txtName[i]->Locked());
    EXPECT_EQ(w.txtName[i]->BackColor(), kBorder);
    EXPECT_EQ(w.txtName[i]->Text(), "");
    const ui::Control* cells[] = {w.txtName[i].get(), w.lblName[i].get(), w.lblRetsu[i].get(),
                                  w.lblTime[i].get(), w.lblDate[i].get()};
    const double lefts[] = {600, 600, 2040, 2400, 3600}, widths[] = {1455, 1455, 375, 1215, 1695};
    for (int c = 0; c < 5; ++c) {
      EXPECT_EQ(cells[c]->Left(), lefts[c]);
      EXPECT_EQ(cells[c]->Top(), top);
      EXPECT_EQ(cells[c]->Width(), widths[c]);
      EXPECT_EQ(cells[c]->Height(), 270);
    }
    EXPECT_EQ(w.lblName[i]->BackColor(), kFace);
    EXPECT_EQ(w.lblDate[i]->BackColor(), i == 0 ? kBorder : kFace);
  }
  EXPECT_EQ(w.Command1->Caption(), "OK");
  EXPECT_EQ(w.Command1->Left(), 4080);
  EXPECT_EQ(w.Command1->Top(), 2880);
  auto* ok = static_cast<QPushButton*>(w.Command1->widget());
  EXPECT_FALSE(ok->isDefault());
  EXPECT_FALSE(ok->autoDefault());
}

TEST_F(RankWindow, PlacesTheResultByTextComparison) {
  std::vector<Row> sevens;
  for (int i = 0; i < 10; ++i) sevens.push_back(row(i, "7.0", "00:00:30"));
  struct Case {
    const char* what;
    std::vector<Row> table;
    Integer cols;
    int secs;
    int p;
  } cases[] = {
      {"empty ranking", {}, 7, 277, 0},
      {"tie goes below",
       {row(0, "7", "00:03:00"), row(1, "7", "00:04:37"), row(2, "6", "00:01:00")},
       7,
       277,
       2},
      {"give up below five wins",
       {row(0, "7", "00:01:00"), row(1, "7", "00:02:00"), row(2, "7", "00:03:00"),
        row(3, "7", "00:04:00"), row(4, "7", "00:05:00")},
       3,
       60,
       5},
      {"row nine",
       {row(0, "7", "00:01:00"), row(1, "7", "00:02:00"), row(2, "6", "00:03:00"),
        row(3, "6", "00:04:00"), row(4, "5", "00:05:00"), row(5, "5", "00:06:00"),
        row(6, "4", "00:07:00"), row(7, "3", "00:08:00"), row(8, "2", "00:09:00"),
        row(9, "1", "00:10:00")},
       2,
       600,
       9},
      {"59:59 beats an hour", {row(0, "3", "01:00:00"), row(1, "3", "01:00:00")}, 3, 3599, 0},
      {"7.0 rows: no row is beaten", sevens, 7, 10, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetProgram();
    Qel& q = loadQel();
    q.form.setLeft(3000);
    q.form.setTop(1500);
    setRanking(c.table);
    setResult(c.cols, c.secs);
    M().LastPlayerName = "Taro";
    const auto before = M();
    ShowRank();
    ASSERT_NE(RankForm(), nullptr);
    const fRank& w = *RankForm();

    const Row placed{"Taro", QString::number(c.cols), rt::Format(c.secs / 86400.0, "hh:mm:ss"),
                     kToday};
    for (int i = 0; i <= 9; ++i) {
      const Row expected = i < c.p ? rankRow(i) : i == c.p ? placed : rankRow(i - 1);
      EXPECT_EQ(screenRow(w, i), expected) << "row " << i;
      const bool isNew = i == c.p;
      EXPECT_EQ(w.txtName[i]->Visible(), isNew) << i;
      EXPECT_EQ(w.txtName[i]->Locked(), !isNew) << i;
      for (ui::Colour col :
           {w.txtName[i]->BackColor(), w.lblName[i]->BackColor(), w.lblRetsu[i]->BackColor(),
            w.lblTime[i]->BackColor(), w.lblDate[i]->BackColor()})
        EXPECT_EQ(col == kNewRow, isNew) << i;
    }
    // The name label under the box keeps the name of the row that was there.
    if (c.p < 10) {
      EXPECT_EQ(w.lblName[c.p]->Caption(), M().RankName[c.p]);
    }
    // The table itself waits for "OK".
    for (int i = 0; i <= 9; ++i)
      EXPECT_EQ(rankRow(i), (Row{before.RankName[i], before.RankCols[i], before.RankTime[i],
                                 before.RankDate[i]}));
    EXPECT_EQ(w.form.topmost(), c.p < 10);
    if (c.p < 10) expectCentred(w);
    EXPECT_TRUE(w.form.Visible());
  }
}

TEST_F(RankWindow, ViewOnlyShowsTheStoredRowsTopmostAndCentred) {
  loadQel();
  setRanking({row(0, "7", "00:03:00"), row(1, "2", "00:09:00")});
  M().RankViewOnly = 1;
  M().ElapsedTime = 0;
  ShowRank();
  const fRank& w = *RankForm();
  for (int i = 0; i <= 9; ++i) {
    EXPECT_EQ(screenRow(w, i), rankRow(i));
    EXPECT_EQ(w.lblName[i]->Caption(), M().RankName[i]);
    EXPECT_FALSE(w.txtName[i]->Visible());
    EXPECT_NE(w.txtName[i]->BackColor(), kNewRow);
  }
  EXPECT_TRUE(w.form.topmost());
  expectCentred(w);
}

TEST_F(RankWindow, TheMenusDisplayOnlyBringsItForwardAndOkLoadsItAfreshNextTime) {
  Qel& q = loadQel();
  setRanking({});
  setResult(3, 100);
  ShowRankForResult();
  fRank* first = RankForm();
  first->txtName[0]->setText("Ken");

  // The menu's display while a result waits: the window only comes forward,
  // keeping the result and the name typed.
  q.mnuScore->trigger();
  EXPECT_EQ(RankForm(), first);
  EXPECT_EQ(M().RankViewOnly, 1);
  EXPECT_EQ(newRow(*first), 0);
  EXPECT_EQ(first->txtName[0]->Text(), "Ken");
  EXPECT_EQ(first->lblRetsu[0]->Caption(), "3");

  // Its "OK" stores the result and, the display being view-only, starts no game.
  first->Command1->press();
  EXPECT_EQ(RankForm(), nullptr);
  EXPECT_EQ(rankRow(0), (Row{"Ken", "3", "00:01:40", kToday}));
  EXPECT_EQ(M().RankViewOnly, 0);
  EXPECT_EQ(q.GameOver, 1);

  // The next show loads a new window from the stored table.
  setResult(7, 50);
  ShowRankForResult();
  ASSERT_NE(RankForm(), nullptr);
  EXPECT_EQ(RankForm()->lblRetsu[0]->Caption(), "7");
  EXPECT_EQ(RankForm()->lblRetsu[1]->Caption(), "3");
  EXPECT_EQ(RankForm()->txtName[1]->BackColor(), kBorder);
}

// "OK" unloads the window from inside its own handler, which may still show
// a message box afterwards: the window lives until the handler has returned.
TEST_F(RankWindow, UnloadedFromItsOwnHandlerItOutlivesTheHandler) {
  loadQel();
  ShowRank();
  QPointer<QWidget> window = RankForm()->form.widget();
  bool aliveAfterNestedLoop = false;
  QEventLoop outer;
  QTimer::singleShot(0, &outer, [&] {
    UnloadRank();
    QEventLoop nested;  // as a message box runs one
    QTimer::singleShot(0, &nested, &QEventLoop::quit);
    nested.exec();
    aliveAfterNestedLoop = !window.isNull();
    QTimer::singleShot(0, &outer, &QEventLoop::quit);
  });
  outer.exec();
  EXPECT_EQ(RankForm(), nullptr);
  EXPECT_TRUE(aliveAfterNestedLoop);
  EXPECT_TRUE(window.isNull());
}

TEST_F(RankWindow, FocusStartsOnOkAndNeitherEnterNorCloseEndsIt) {
  loadQel().form.Show();
  setRanking({row(0, "7", "00:01:00")});
  setResult(4, 100);
  M().LastPlayerName = "Qel";
  ShowRank();
  fRank& w = *RankForm();
  QApplication::setActiveWindow(w.form.widget());
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.Command1->hasFocus());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_TRUE(w.txtName[1]->hasFocus());  // the open box; hidden ones are passed over

  QTest::keyClicks(w.txtName[1]->widget(), "x");
  QTest::keyClick(w.txtName[1]->widget(), Qt::Key_Return);
  QTest::keyClick(w.txtName[1]->widget(), Qt::Key_Enter);
  EXPECT_EQ(RankForm(), &w);
  EXPECT_EQ(w.txtName[1]->Text(), "x");  // the tab selected the offered name
  EXPECT_FALSE(QFile::exists(rt::settingsFile(kStoreApp)));

  // Nor does the window manager's close: only "OK" closes it.
  EXPECT_FALSE(w.form.widget()->close());
  EXPECT_TRUE(w.form.Visible());
  EXPECT_EQ(RankForm(), &w);
}

using Confirm = RankFixture;

TEST_F(Confirm, OkStoresEveryKeyAndTheNextStartReadsThemBack) {
  Main();
  setRanking({row(0, "7", "00:01:00"), row(1, "7", "00:02:00"), row(2, "5", "00:03:00"),
              row(3, "5", "00:04:00"), row(4, "4", "00:05:00"), row(5, "4", "00:06:00"),
              row(6, "3", "00:07:00"), row(7, "3", "00:08:00"), row(8, "2", "00:09:00"),
              row(9, "1", "00:10:00")});
  const auto before = M();
  setResult(5, 200);  // beats row 3: p = 3
  ShowRank();
  fRank& w = *RankForm();
  w.txtName[3]->setText(QString::fromUtf8(" 花子 "));
  w.Command1->press();

  std::vector<Row> expected;
  auto old = [&](int i) {
    return Row{before.RankName[i], before.RankCols[i], before.RankTime[i], before.RankDate[i]};
  };
  for (int i = 0; i < 3; ++i) expected.push_back(old(i));
  expected.push_back({QString::fromUtf8(" 花子 "), "5", "00:03:20", kToday});
  for (int i = 3; i < 9; ++i) expected.push_back(old(i));  // the old row 9 drops out
  const char* letters = "nrtd";
  for (int i = 0; i <= 9; ++i) {
    const Row& e = expected[i];
    const QString values[] = {e.name, e.cols, e.time, e.date};
    for (int f = 0; f < 4; ++f)
      EXPECT_EQ(stored(QString(letters[f]) + " " + QString::number(i)), values[f])
          << letters[f] << i;
    EXPECT_EQ(rankRow(i), e) << i;
  }
  EXPECT_EQ(stored("norg"), QString::fromUtf8(" 花子 "));
  EXPECT_EQ(M().LastPlayerName, QString::fromUtf8(" 花子 "));
  EXPECT_EQ(RankForm(), nullptr);
  EXPECT_TRUE(messages.isEmpty());
  // Not view-only: the next game has started.
  EXPECT_EQ(QelForm().GameOver, 0);
  EXPECT_EQ(M().PileCount[0], 31);

  ResetProgram();
  Main();
  for (int i = 0; i <= 9; ++i) EXPECT_EQ(rankRow(i), expected[i]) << i;
  EXPECT_EQ(M().LastPlayerName, QString::fromUtf8(" 花子 "));
}

TEST_F(Confirm, ViewOnlyOnAnEmptyStoreWritesTheDefaultsAndStartsNoGame) {
  Main();
  M().RankViewOnly = 1;
  ShowRank();
  RankForm()->Command1->press();
  for (int i = 0; i <= 9; ++i) {
    const QString n = QString::number(i);
    EXPECT_EQ(stored("n " + n), "none");
    EXPECT_EQ(stored("r " + n), "0");
    EXPECT_EQ(stored("t " + n), "99:99:99");
    EXPECT_EQ(stored("d " + n), kEmptyDate);
  }
  EXPECT_EQ(stored("norg"), "Qel");
  EXPECT_EQ(storedFile().size(), 41);
  EXPECT_EQ(M().RankViewOnly, 0);
  EXPECT_EQ(M().LastPlayerName, "Qel");
  EXPECT_EQ(QelForm().GameOver, 1);
  EXPECT_EQ(M().PileCount[0], 52);
  EXPECT_EQ(RankForm(), nullptr);
}

TEST_F(Confirm, NameComesOnlyFromTheNewRow) {
  struct Case {
    const char* what;
    Integer viewOnly;
    std::vector<Row> table;
    QString lastName;
    bool newGame;
  } cases[] = {
      {"view only", 1, {row(0, "7", "00:01:00")}, "Qel", false},
      {"no row beaten", 0, std::vector<Row>(10, row(0, "7.0", "00:00:30")), "Qel", true},
      {"an emptied name box", 0, {}, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetProgram();
    Main();
    setRanking(c.table);
    M().RankViewOnly = c.viewOnly;
    setResult(7, 10);
    ShowRank();
    fRank& w = *RankForm();
    if (c.table.empty()) w.txtName[0]->setText("");
    const auto before = M();
    w.Command1->press();
    EXPECT_EQ(M().LastPlayerName, c.lastName);
    EXPECT_EQ(stored("norg"), c.lastName);
    EXPECT_EQ(M().RankViewOnly, 0);
    EXPECT_EQ(QelForm().GameOver == 0, c.newGame);
    if (!c.table.empty()) {
      for (int i = 0; i <= 9; ++i)
        EXPECT_EQ(rankRow(i), (Row{before.RankName[i], before.RankCols[i], before.RankTime[i],
                                   before.RankDate[i]}));
    } else {
      // The empty name is what the next new row offers.
      setResult(7, 5);
      ShowRank();
      EXPECT_TRUE(RankForm()->txtName[0]->Visible());
      EXPECT_EQ(RankForm()->txtName[0]->Text(), "");
    }
  }
}

TEST_F(Confirm, AStoreThatCannotBeWrittenSaysSoAndKeepsTheTable) {
  // A file stands where the store's folder should be.
  const QString blocker = store.path() + "/blocked";
  {
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a folder");
  }
  rt::setSettingsFolder(blocker);
  Main();
  setRanking({});
  setResult(6, 61);
  ShowRank();
  RankForm()->txtName[0]->setText("Jiro");
  RankForm()->Command1->press();

  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(kSaveFailed));
  EXPECT_TRUE(messages[0].contains(rt::settingsFile(kStoreApp)));
  EXPECT_EQ(rankRow(0), (Row{"Jiro", "6", "00:01:01", kToday}));
  EXPECT_EQ(rankRow(1), kEmpty);
  EXPECT_EQ(M().LastPlayerName, "Jiro");
  EXPECT_EQ(RankForm(), nullptr);
  EXPECT_EQ(QelForm().GameOver, 0);  // the next game still starts
  QFile f(blocker);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "not a folder");
}

// While the message of a failed save is up, the window shows the rows as
// confirmed: the new row with the name typed, not the one it pushed down.
TEST_F(Confirm, AFailedSaveShowsTheConfirmedRowsBehindItsMessage) {
  const QString blocker = store.path() + "/blocked";  // a file where the folder belongs
  {
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  rt::setSettingsFolder(blocker);
  Main();
  setRanking({row(0, "7", "00:01:00"), row(1, "3", "00:02:00")});
  setResult(5, 61);
  ShowRank();
  fRank& w = *RankForm();
  ASSERT_TRUE(w.txtName[1]->Visible());
  w.txtName[1]->setText("Jiro");
  std::vector<Row> shown;
  ui::setMessageBoxHandler([&](const QString& text) {
    messages << text;
    for (int i = 0; i <= 9; ++i) {
      const QString name = w.txtName[i]->Visible() ? w.txtName[i]->Text() : w.lblName[i]->Caption();
      shown.push_back(
          {name, w.lblRetsu[i]->Caption(), w.lblTime[i]->Caption(), w.lblDate[i]->Caption()});
    }
  });
  w.Command1->press();

  ASSERT_EQ(messages.size(), 1);
  ASSERT_EQ(shown.size(), 10u);
  EXPECT_EQ(shown[0], row(0, "7", "00:01:00"));
  EXPECT_EQ(shown[1], (Row{"Jiro", "5", "00:01:01", kToday}));
  EXPECT_EQ(shown[2], row(1, "3", "00:02:00"));
  for (int i = 0; i <= 9; ++i) EXPECT_EQ(shown[i], rankRow(i)) << i;
}

// A name the file can't hold as it stands, in a store that another tool
// left a section in: "OK" stores it, keeps the section, and the table, the
// file and the next start agree; the next "OK" succeeds as well.
TEST_F(Confirm, AwkwardNameAndForeignSectionAreStoredAndAgree) {
  QDir().mkpath(store.path() + "/qel");
  {
    QFile f(rt::settingsFile(kStoreApp));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[other]\nk=\\xfeffx\n");
  }
  Main();
  setResult(7, 5);
  ShowRank();
  const QString bom(QChar(0xFEFF));
  RankForm()->txtName[0]->setText(bom + QString::fromUtf8("花子") + QChar(0xD800));
  RankForm()->Command1->press();
  const QString settled = bom + QString::fromUtf8("花子") + QChar(QChar::ReplacementCharacter);

  EXPECT_TRUE(messages.isEmpty());
  EXPECT_EQ(stored("n 0"), settled);
  EXPECT_EQ(stored("norg"), settled);
  EXPECT_EQ(M().RankName[0], settled);
  EXPECT_EQ(M().LastPlayerName, settled);
  EXPECT_EQ(storedFile().value("other/k").toString(), bom + "x");

  M().RankViewOnly = 1;
  ShowRank();
  EXPECT_EQ(RankForm()->lblName[0]->Caption(), settled);
  RankForm()->Command1->press();
  EXPECT_TRUE(messages.isEmpty());
  ResetProgram();
  Main();
  EXPECT_EQ(M().RankName[0], settled);
  EXPECT_EQ(M().LastPlayerName, settled);
  EXPECT_EQ(storedFile().value("other/k").toString(), bom + "x");
}

QByteArray fileBytes(const QString& name) {
  QFile f(name);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(Confirm, AFullDiskLeavesTheStoredRankingWhole) {
  Main();
  setRanking({row(0, "7", "00:01:00")});
  M().RankViewOnly = 1;
  ShowRank();
  RankForm()->Command1->press();
  ASSERT_TRUE(messages.isEmpty());
  const QString file = rt::settingsFile(kStoreApp);
  const QByteArray good = fileBytes(file);
  ASSERT_GT(good.size(), 300);

  setResult(7, 5);
  ShowRank();
  RankForm()->txtName[0]->setText("Saburo");
  {
    FullDisk full(300);  // a few hundred bytes: the store does not fit
    RankForm()->Command1->press();
  }
  ASSERT_EQ(messages.size(), 1);
  EXPECT_TRUE(messages[0].startsWith(kSaveFailed));
  EXPECT_EQ(fileBytes(file), good);
  EXPECT_EQ(QDir(QFileInfo(file).path()).entryList(QDir::Files), QStringList{"qel.ini"});
  EXPECT_EQ(rankRow(0), (Row{"Saburo", "7", "00:00:05", kToday}));
  EXPECT_EQ(rankRow(1), row(0, "7", "00:01:00"));

  // With room again the next confirmation stores the table whole.
  M().RankViewOnly = 1;
  ShowRank();
  RankForm()->Command1->press();
  EXPECT_EQ(messages.size(), 1);
  EXPECT_EQ(stored("n 0"), "Saburo");
  EXPECT_EQ(stored("n 1"), "p0");
  EXPECT_EQ(stored("norg"), "Saburo");
}

TEST_F(Confirm, OkKeepsAGameStartedSinceTheResult) {
  Qel& q = loadQel();
  giveUpAt(q, 2, QTime(10, 3, 0));
  ASSERT_NE(RankForm(), nullptr);
  RankForm()->txtName[0]->setText("Hanako");
  setClock(QTime(10, 4, 0));
  q.Startbtn->press();  // while the window waits for its "OK"
  q.DealRound();
  const Module2 game = M();

  setClock(QTime(10, 5, 0));
  RankForm()->Command1->press();
  EXPECT_EQ(RankForm(), nullptr);
  EXPECT_EQ(rankRow(0), (Row{"Hanako", "2", "00:03:00", at(QTime(10, 3, 0))}));
  EXPECT_EQ(stored("n 0"), "Hanako");
  // The game goes on as it stood.
  EXPECT_EQ(M().PileCount, game.PileCount);
  EXPECT_EQ(M().Deck, game.Deck);
  EXPECT_EQ(M().StartTime, dayTime(10, 4, 0));
  EXPECT_TRUE(q.cmdGiveUp->Visible());
  EXPECT_FALSE(q.Startbtn->Visible());
  EXPECT_EQ(q.Timer1.Interval(), 1000);
  EXPECT_EQ(q.GameOver, 0);
}

using ResultWhileOpen = RankFixture;

// The menu's display is open when a game ends: its result is placed in a
// window loaded afresh, named there and stored by "OK", which then starts
// the next game.
TEST_F(ResultWhileOpen, TheMenusDisplayGivesWayToTheResult) {
  for (const Integer cols : {Integer{2}, Integer{7}}) {
    SCOPED_TRACE(cols == 7 ? "a win" : "a Give Up");
    ResetProgram();
    Qel& q = loadQel();
    setRanking({row(0, "7", "00:01:00")});
    M().LastPlayerName = "Qel";
    q.mnuScore->trigger();
    ASSERT_NE(RankForm(), nullptr);
    finishAt(q, cols, QTime(10, 3, 0));

    ASSERT_NE(RankForm(), nullptr);
    fRank& w = *RankForm();
    EXPECT_EQ(M().RankViewOnly, 0);
    EXPECT_EQ(newRow(w), 1);
    EXPECT_EQ(screenRow(w, 1),
              (Row{"Qel", QString::number(cols), "00:03:00", at(QTime(10, 3, 0))}));
    EXPECT_TRUE(w.form.Visible());
    EXPECT_TRUE(messages.isEmpty());

    w.txtName[1]->setText("Hanako");
    setClock(QTime(10, 4, 0));
    w.Command1->press();
    EXPECT_EQ(rankRow(1), (Row{"Hanako", QString::number(cols), "00:03:00", at(QTime(10, 3, 0))}));
    EXPECT_EQ(stored("n 1"), "Hanako");
    EXPECT_EQ(M().LastPlayerName, "Hanako");
    EXPECT_EQ(RankForm(), nullptr);
    EXPECT_EQ(M().StartTime, dayTime(10, 4, 0));
    EXPECT_EQ(M().PileCount[0], 31);
    EXPECT_TRUE(q.cmdGiveUp->Visible());
  }
}

// A result waits for its "OK" while the player starts and ends another game:
// the first is stored with the name typed, the second ranked against it, and
// "OK" stores both. A second result that no longer enters leaves the window
// with the first confirmed, and "OK" keeps the game its Give Up started.
TEST_F(ResultWhileOpen, AWaitingResultIsStoredBeforeTheNextOne) {
  std::vector<Row> strong(9, row(0, "7", "00:01:00"));
  strong.push_back(row(9, "1", "00:09:00"));
  struct Case {
    const char* what;
    std::vector<Row> table;
    Integer secondCols;     // 7: a win
    int firstAt, secondAt;  // rows after both; -1: the second doesn't enter
  } cases[] = {
      {"a Give Up below it", {}, 2, 0, 1},
      {"a win above it", {}, 7, 1, 0},
      {"a Give Up that no longer enters", strong, 2, 9, -1},
  };
  const QTime firstEnd(10, 3, 0), secondEnd(10, 5, 0), ok(10, 6, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetProgram();
    Qel& q = loadQel();
    setRanking(c.table);
    giveUpAt(q, 5, firstEnd);
    ASSERT_NE(RankForm(), nullptr);
    const int placed = newRow(*RankForm());
    ASSERT_GE(placed, 0);
    RankForm()->txtName[placed]->setText("Hanako");
    q.Startbtn->press();
    ASSERT_TRUE(q.cmdGiveUp->Visible());
    finishAt(q, c.secondCols, secondEnd);

    const Row first{"Hanako", "5", "00:03:00", at(firstEnd)};
    EXPECT_EQ(rankRow(placed), first);
    EXPECT_EQ(stored(QString("n %1").arg(placed)), "Hanako");
    EXPECT_EQ(M().LastPlayerName, "Hanako");
    ASSERT_NE(RankForm(), nullptr);
    fRank& w = *RankForm();
    EXPECT_EQ(screenRow(w, c.firstAt), first);
    EXPECT_EQ(newRow(w), c.secondAt);
    EXPECT_TRUE(messages.isEmpty());
    const Row second{"Jiro", QString::number(c.secondCols), "00:05:00", at(secondEnd)};
    if (c.secondAt >= 0) {
      EXPECT_EQ(M().RankViewOnly, 0);
      EXPECT_EQ(w.txtName[c.secondAt]->Text(), "Hanako");  // the name offered
      w.txtName[c.secondAt]->setText("Jiro");
    } else {
      EXPECT_EQ(M().StartTime, dayTime(10, 5, 0));  // the Give Up started the next game
    }

    setClock(ok);
    w.Command1->press();
    EXPECT_EQ(RankForm(), nullptr);
    EXPECT_EQ(rankRow(c.firstAt), first);
    if (c.secondAt >= 0) {
      EXPECT_EQ(rankRow(c.secondAt), second);
      EXPECT_EQ(stored(QString("n %1").arg(c.secondAt)), "Jiro");
    }
    EXPECT_EQ(stored("norg"), c.secondAt >= 0 ? "Jiro" : "Hanako");
    // A game starts only from the idle table the second result left.
    EXPECT_EQ(M().StartTime, c.secondAt >= 0 ? dayTime(10, 6, 0) : dayTime(10, 5, 0));
    EXPECT_TRUE(q.cmdGiveUp->Visible());
  }
}

}  // namespace
}  // namespace qel::test
