// Clock, date-time formatting, random numbers, conversions and text order.
// The settings store lives in settings.cpp.
#include "platform/runtime.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <random>

namespace qel::rt {

namespace {

constexpr double kSecondsPerDay = 86400.0;

// Day 0 of the date-time values.
QDate epoch() { return QDate(1899, 12, 30); }

std::function<QDateTime()>& clockSource() {
  static std::function<QDateTime()> source;
  return source;
}

QDateTime currentLocal() {
  const auto& source = clockSource();
  // A test clock may hand over UTC or another zone; the game counts local time.
  return (source ? source() : QDateTime::currentDateTime()).toLocalTime();
}

// Whole seconds since midnight; the milliseconds are dropped, not rounded,
// so that Time() never runs ahead of the wall clock.
int secondsOfDay(const QTime& t) { return t.msecsSinceStartOfDay() / 1000; }

struct Generator {
  std::mt19937 engine{0u};
  double last = 0;  // what Rnd returned last; 0 until a draw after seeding
};

Generator& generator() {
  static Generator g;
  return g;
}

void reseed(std::uint32_t s) {
  generator().engine.seed(s);
  generator().last = 0;
}

// 53 random bits over 2^53: always below 1, unlike generate_canonical, which
// may round up to 1.0.
double nextUniform() {
  auto& e = generator().engine;
  const double hi = static_cast<double>(e() >> 5);  // 27 bits
  const double lo = static_cast<double>(e() >> 6);  // 26 bits
  return (hi * 67108864.0 + lo) / 9007199254740992.0;
}

// Nearest whole number, a half going to the even neighbour, whatever the
// floating-point rounding mode happens to be.
double roundHalfEven(double x) {
  const double down = std::floor(x);
  const double frac = x - down;  // exact for every finite double
  if (frac > 0.5) return down + 1;
  if (frac < 0.5) return down;
  return std::fmod(down, 2.0) == 0 ? down : down + 1;
}

template <typename T>
T roundToRange(double x) {
  // Out-of-range values are clamped to the type's bounds; NaN gives 0.
  if (std::isnan(x)) return 0;
  const double r = roundHalfEven(x);
  if (r <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (r >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(r);
}

QString twoDigits(long long n) { return QString::number(n).rightJustified(2, QLatin1Char('0')); }

}  // namespace

// --- Clock -----------------------------------------------------------------

Date Time() { return secondsOfDay(currentLocal().time()) / kSecondsPerDay; }

Date Now() {
  const QDateTime now = currentLocal();
  return static_cast<double>(epoch().daysTo(now.date())) +
         secondsOfDay(now.time()) / kSecondsPerDay;
}

void setClock(std::function<QDateTime()> clock) { clockSource() = std::move(clock); }

// --- Formatting ------------------------------------------------------------

QString Format(Date value, const QString& pattern) {
  const bool timeOnly = pattern == QLatin1String("hh:mm:ss");
  const bool dateAndTime = pattern == QLatin1String("yyyy/mm/dd hh:mm:ss");
  // Any other pattern is not used by the game: give the plain number.
  if (!timeOnly && !dateAndTime) return QString::number(value);

  // Beyond a million years (or not a number) there is no sensible date.
  const double days = std::fabs(value);
  if (!std::isfinite(days) || days > 365.0e6) return QString();

  // Round to the second before splitting: a difference of two times such as
  // 277/86400 lands a hair below the whole second and must not lose it.
  const auto total = static_cast<long long>(std::llround(days * kSecondsPerDay));
  const long long day = total / 86400;
  const long long sec = total % 86400;
  const QString clock = twoDigits(sec / 3600) + QLatin1Char(':') + twoDigits(sec / 60 % 60) +
                        QLatin1Char(':') + twoDigits(sec % 60);
  if (timeOnly) return clock;

  const QDate date = epoch().addDays(day);
  return QString::number(date.year()).rightJustified(4, QLatin1Char('0')) + QLatin1Char('/') +
         twoDigits(date.month()) + QLatin1Char('/') + twoDigits(date.day()) + QLatin1Char(' ') +
         clock;
}

// --- Random numbers --------------------------------------------------------

void Randomize() {
  const auto ticks = static_cast<std::uint64_t>(
      std::chrono::high_resolution_clock::now().time_since_epoch().count());
  std::seed_seq seq{static_cast<std::uint32_t>(ticks), static_cast<std::uint32_t>(ticks >> 32)};
  generator().engine.seed(seq);
  generator().last = 0;
}

void seedGenerator(std::uint32_t s) { reseed(s); }

double Rnd() { return generator().last = nextUniform(); }

double Rnd(double x) { return x == 0 ? generator().last : Rnd(); }

// --- Conversions -----------------------------------------------------------

double Int(double x) { return std::floor(x); }

Integer CInt(double x) { return roundToRange<Integer>(x); }

Long CLng(double x) { return roundToRange<Long>(x); }

QString Str(long n) { return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n); }

QString CStr(long n) { return QString::number(n); }

double CDbl(const QString& text, bool* ok) {
  // Plain decimal notation only: toDouble alone would also take "inf" and "nan".
  static const QRegularExpression decimal(
      QStringLiteral("^\\s*[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?\\s*$"));
  bool good = decimal.match(text).hasMatch();
  double value = good ? text.trimmed().toDouble(&good) : 0;
  if (!good || !std::isfinite(value)) {  // "1e999" overflows
    good = false;
    value = 0;
  }
  if (ok) *ok = good;
  return value;
}

int TextCompare(const QString& a, const QString& b) {
  const auto n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i) {
    const char16_t x = a.at(i).unicode();
    const char16_t y = b.at(i).unicode();
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// --- The program itself ------------------------------------------------------

QString HelpFile() { return QStringLiteral("Qel.hlp"); }

}  // namespace qel::rt
