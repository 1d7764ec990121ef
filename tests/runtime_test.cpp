// Clock, formatting, random numbers, conversions and text order.
#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QTimeZone>
#include <cmath>
#include <set>

namespace qel::test {
namespace {

class ClockTest : public ::testing::Test {
 protected:
  void TearDown() override { rt::setClock({}); }
  void fix(QDate d, QTime t) {
    const QDateTime at(d, t);
    rt::setClock([at] { return at; });
  }
};

TEST_F(ClockTest, FixedClockGivesWholeSecondsOfLocalTime) {
  fix(QDate(2024, 5, 6), QTime(13, 14, 15, 999));  // the milliseconds are dropped
  EXPECT_DOUBLE_EQ(rt::Time(), (13 * 3600 + 14 * 60 + 15) / 86400.0);
  EXPECT_EQ(rt::Format(rt::Time(), "hh:mm:ss"), "13:14:15");
  EXPECT_DOUBLE_EQ(rt::Now(), 45418 + rt::Time());
  EXPECT_EQ(rt::Format(rt::Now(), "yyyy/mm/dd hh:mm:ss"), "2024/05/06 13:14:15");

  fix(QDate(1899, 12, 30), QTime(0, 0, 0));
  EXPECT_EQ(rt::Now(), 0.0);
  EXPECT_EQ(rt::Time(), 0.0);

  // A clock handing over UTC still yields local time.
  const QDateTime local(QDate(2024, 1, 2), QTime(3, 4, 5));
  const QDateTime utc = local.toUTC();
  rt::setClock([utc] { return utc; });
  EXPECT_EQ(rt::Format(rt::Now(), "yyyy/mm/dd hh:mm:ss"), "2024/01/02 03:04:05");
}

TEST_F(ClockTest, EmptyClockRestoresTheSystemClock) {
  fix(QDate(2000, 1, 1), QTime(0, 0, 1));
  rt::setClock({});
  const QDateTime before = QDateTime::currentDateTime();
  const double now = rt::Now();
  const QDateTime after = QDateTime::currentDateTime();
  const auto days = [](const QDateTime& t) {
    return static_cast<double>(QDate(1899, 12, 30).daysTo(t.date())) +
           t.time().msecsSinceStartOfDay() / 86400000.0;
  };
  EXPECT_GE(now, days(before) - 1.0 / 86400);
  EXPECT_LE(now, days(after));
  // Time is Now's time of day (a tick between the calls, even over midnight, allowed).
  const double gap = std::fabs(rt::Time() - (rt::Now() - std::floor(rt::Now())));
  EXPECT_LT(std::min(gap, 1 - gap), 1.5 / 86400);
}

TEST(Format, TimeAndDatePatterns) {
  struct Case {
    double value;
    const char* time;
    const char* date;
  };
  const Case cases[] = {
      {0, "00:00:00", "1899/12/30 00:00:00"},
      {0.5, "12:00:00", "1899/12/30 12:00:00"},
      {86399 / 86400.0, "23:59:59", "1899/12/30 23:59:59"},
      {86399.6 / 86400, "00:00:00", "1899/12/31 00:00:00"},  // rounds into the next day
      {0.4 / 86400, "00:00:00", "1899/12/30 00:00:00"},
      {-277 / 86400.0, "00:04:37", "1899/12/30 00:04:37"},  // a negative span by its size
      {-1.25, "06:00:00", "1899/12/31 06:00:00"},
      {1, "00:00:00", "1899/12/31 00:00:00"},
      {2, "00:00:00", "1900/01/01 00:00:00"},
      {61, "00:00:00", "1900/03/01 00:00:00"},
      {45418 + 47655 / 86400.0, "13:14:15", "2024/05/06 13:14:15"},
      {2958465 + 86399 / 86400.0, "23:59:59", "9999/12/31 23:59:59"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(rt::Format(c.value, "hh:mm:ss"), c.time);
    EXPECT_EQ(rt::Format(c.value, "yyyy/mm/dd hh:mm:ss"), c.date);
  }
}

// A play time is the difference of two times of day; float error puts many
// of them a hair below the whole second. Every second of the day, as a value
// and as a difference from several starts, must show its own second.
TEST(Format, RoundsEveryDifferenceToItsSecond) {
  const auto text = [](int s) {
    return QTime(0, 0).addSecs(s).toString(QStringLiteral("HH:mm:ss"));
  };
  for (int s = 0; s < 86400; ++s) {
    ASSERT_EQ(rt::Format(s / 86400.0, "hh:mm:ss"), text(s)) << s;
    for (int start : {1, 3599, 36000, 50001}) {
      if (s + start >= 86400) continue;
      const double span = (s + start) / 86400.0 - start / 86400.0;
      ASSERT_EQ(rt::Format(span, "hh:mm:ss"), text(s)) << s << " from " << start;
      ASSERT_EQ(rt::Format(-span, "hh:mm:ss"), text(s)) << s << " from " << start;
    }
  }
  EXPECT_EQ(rt::Format(277 / 86400.0, "hh:mm:ss"), "00:04:37");
}

TEST(Format, OtherInputsStaySane) {
  EXPECT_EQ(rt::Format(std::nan(""), "hh:mm:ss"), "");
  EXPECT_EQ(rt::Format(INFINITY, "yyyy/mm/dd hh:mm:ss"), "");
  EXPECT_EQ(rt::Format(1.5, "dddd"), "1.5");
}

TEST(Rnd, SeededSequenceRepeatsAndStaysBelowOne) {
  rt::seedGenerator(42);
  EXPECT_EQ(rt::Rnd(0), 0.0);  // nothing drawn since seeding
  std::vector<double> first;
  for (int i = 0; i < 1000; ++i) first.push_back(rt::Rnd());
  rt::seedGenerator(42);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(i % 2 ? rt::Rnd(1) : rt::Rnd(), first[i]) << i;

  rt::seedGenerator(7);
  double lo = 1, hi = 0;
  for (int i = 0; i < 200000; ++i) {
    const double r = rt::Rnd();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
    lo = std::min(lo, r);
    hi = std::max(hi, r);
  }
  EXPECT_LT(lo, 0.001);
  EXPECT_GT(hi, 0.999);
}

TEST(Rnd, ZeroRepeatsTheLastValueAndOthersAdvance) {
  rt::seedGenerator(1);
  const double a = rt::Rnd();
  EXPECT_EQ(rt::Rnd(0), a);
  EXPECT_EQ(rt::Rnd(0), a);
  const double b = rt::Rnd(5);
  EXPECT_NE(b, a);
  EXPECT_EQ(rt::Rnd(0), b);
  const double c = rt::Rnd(-1);
  EXPECT_NE(c, b);
  EXPECT_EQ(rt::Rnd(0), c);
}

TEST(Rnd, RandomizeSeedsFromTheTimer) {
  std::set<double> firsts;
  for (int i = 0; i < 5; ++i) {
    rt::Randomize();
    firsts.insert(rt::Rnd());
  }
  EXPECT_GT(firsts.size(), 1u);
}

TEST(Conversions, IntFloors) {
  const std::pair<double, double> cases[] = {{2.7, 2},   {2.0, 2},      {-2.1, -3},
                                             {-2.0, -2}, {0.999999, 0}, {-0.5, -1}};
  for (auto [x, want] : cases) EXPECT_EQ(rt::Int(x), want) << x;
}

TEST(Conversions, CIntAndCLngRoundHalfToEven) {
  const std::pair<double, int> cases[] = {{0.5, 0},
                                          {1.5, 2},
                                          {2.5, 2},
                                          {3.5, 4},
                                          {-0.5, 0},
                                          {-1.5, -2},
                                          {-2.5, -2},
                                          {-3.5, -4},
                                          {2.4999, 2},
                                          {2.5001, 3},
                                          {-2.5001, -3},
                                          {7, 7},
                                          {0.49999999999999994, 0}};
  for (auto [x, want] : cases) {
    EXPECT_EQ(rt::CInt(x), want) << x;
    EXPECT_EQ(rt::CLng(x), want) << x;
  }
  EXPECT_EQ(rt::CLng(65536.5), 65536);
  EXPECT_EQ(rt::CLng(-100000.5), -100000);
}

TEST(Conversions, OutOfRangeIsClamped) {
  EXPECT_EQ(rt::CInt(32767.4), 32767);
  EXPECT_EQ(rt::CInt(32767.5), 32767);
  EXPECT_EQ(rt::CInt(40000), 32767);
  EXPECT_EQ(rt::CInt(-32768.5), -32768);
  EXPECT_EQ(rt::CInt(-1e300), -32768);
  EXPECT_EQ(rt::CLng(1e10), 2147483647);
  EXPECT_EQ(rt::CLng(-1e10), -2147483647 - 1);
  EXPECT_EQ(rt::CInt(std::nan("")), 0);
  EXPECT_EQ(rt::CLng(INFINITY), 2147483647);
}

TEST(Conversions, StrAndCStr) {
  const std::tuple<long, const char*, const char*> cases[] = {{0, " 0", "0"},
                                                              {3, " 3", "3"},
                                                              {-3, "-3", "-3"},
                                                              {32767, " 32767", "32767"},
                                                              {-32768, "-32768", "-32768"}};
  for (auto [n, str, cstr] : cases) {
    EXPECT_EQ(rt::Str(n), str);
    EXPECT_EQ(rt::CStr(n), cstr);
  }
  EXPECT_EQ("t" + rt::Str(3), "t 3");
}

TEST(Conversions, CDblReadsDecimalTexts) {
  const std::pair<const char*, double> numbers[] = {
      {"7", 7},  {"7.0", 7}, {"  12 ", 12}, {"-3.5", -3.5}, {"+4", 4},   {".5", 0.5},
      {"5.", 5}, {"0", 0},   {"007", 7},    {"1e3", 1000},  {"\t2\n", 2}};
  for (auto [text, want] : numbers) {
    bool ok = false;
    EXPECT_EQ(rt::CDbl(text, &ok), want) << text;
    EXPECT_TRUE(ok) << text;
  }
  const char* junk[] = {
      "",    " ",   "abc", "12abc", "1,5", "0x10",  "inf",
      "nan", "--1", "1 2", ".",     "e5",  "1e999", "\xef\xbc\x97"};  // last: a full-width 7
  for (const char* text : junk) {
    bool ok = true;
    EXPECT_EQ(rt::CDbl(QString::fromUtf8(text), &ok), 0.0) << text;
    EXPECT_FALSE(ok) << text;
  }
  EXPECT_EQ(rt::CDbl("3"), 3.0);  // ok may be left out
}

TEST(TextCompare, OrdersByCodeUnitsWithPrefixFirst) {
  const auto sign = [](int v) { return (v > 0) - (v < 0); };
  struct Case {
    QString a, b;
    int want;
  };
  const Case cases[] = {
      {"a", "b", -1},
      {"abc", "abc", 0},
      {"", "", 0},
      {"", "a", -1},
      {"ab", "a", 1},  // the prefix sorts first
      {"00:04:37", "00:04:37 ", -1},
      {"Z", "a", -1},  // by code unit, not by letter
      {"a", "B", 1},
      {"00:59:59", "01:00:00", -1},
      {"59:59", "5:00", -1},  // '9' comes before ':'
      {"9:00:00", "10:00:00", 1},
      {"23:59:59", "99:99:99", -1},
      {"0", "7", -1},
      {QString::fromUtf8("ア"), QString::fromUtf8("Ａ"), -1},  // U+30A2 before U+FF21
      // U+1F600 is stored as D83D DE00: by code units it comes before U+FF21.
      {QString::fromUtf8("\xf0\x9f\x98\x80"), QString::fromUtf8("Ａ"), -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sign(rt::TextCompare(c.a, c.b)), c.want)
        << c.a.toStdString() << " | " << c.b.toStdString();
    EXPECT_EQ(sign(rt::TextCompare(c.b, c.a)), -c.want)
        << c.b.toStdString() << " | " << c.a.toStdString();
  }
}

}  // namespace
}  // namespace qel::test
