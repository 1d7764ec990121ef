#pragma once
// Runtime services the game relies on: clock, date-time formatting, random
// numbers, number/text conversions, text comparison, the per-user settings
// store, and the program's own version and help-file name.
#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>

namespace qel {

using Integer = std::int16_t;  // the game's integers are signed 16-bit
using Long = std::int32_t;
using Single = float;
using Date = double;  // days; the fraction is the time of day (0.5 = 12:00:00)

namespace rt {

// --- Clock -----------------------------------------------------------------
// Time of day as a date-time value with a whole part of 0, to the second.
Date Time();
// Current date and time: days since 1899-12-30 plus the time of day, to the second.
Date Now();
// Tests fix the clock; an empty function restores the system clock.
void setClock(std::function<QDateTime()> clock);

// --- Formatting ------------------------------------------------------------
// Patterns "hh:mm:ss" and "yyyy/mm/dd hh:mm:ss". Hours are of a 24-hour clock;
// a negative value is formatted by its absolute value; the value is rounded to
// the nearest second first.
QString Format(Date value, const QString& pattern);

// --- Random numbers --------------------------------------------------------
void Randomize();                     // seeds from the system timer
void seedGenerator(std::uint32_t s);  // tests: a fixed sequence
double Rnd();                         // next value, 0 <= r < 1
double Rnd(double x);                 // x > 0 (or < 0): next value; x == 0: the last value again

// --- Conversions -----------------------------------------------------------
double Int(double x);    // largest whole number not above x
Integer CInt(double x);  // nearest whole number, a half to the even neighbour
Long CLng(double x);     // same, 32-bit
QString Str(long n);     // digits with one leading blank when not negative
QString CStr(long n);    // digits alone
// The value of a decimal text. Sets *ok to false (and returns 0) when the text
// is not a number.
double CDbl(const QString& text, bool* ok = nullptr);
// Order of two texts by UTF-16 code units, a prefix sorting first: <0, 0, >0.
int TextCompare(const QString& a, const QString& b);

// --- Settings store (per user, INI file) -----------------------------------
// The stored text, or def when the key is absent or the store can't be read.
// Anything at the store's path but a regular file (or a link to one) reads as
// an empty store, without blocking.
QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& def);
// Stores the text under the key (in memory until FlushSettings), settled as
// StorableText.
void SaveSetting(const QString& app, const QString& section, const QString& key,
                 const QString& value);
// Writes what SaveSetting gathered for the application to disk in one piece:
// the lines of those keys rewritten or added, every other byte of the file as
// it was. False when the store could not be read or written, or when
// something else than a regular file is at its path; what is on disk is then
// left as it was, and what was gathered is kept for the next flush.
bool FlushSettings(const QString& app);
// The text as the store keeps it: the same, but that a lone surrogate, which
// has no place in the file's UTF-8, becomes U+FFFD.
QString StorableText(const QString& text);
// While one lives, GetSetting reads the application's store as it was when
// the snapshot was taken, so that a run of reads sees one version of the
// file, though another program's save may replace it in between; a flush of
// our own moves it on to what the flush wrote. One at a time.
class SettingsSnapshot {
 public:
  explicit SettingsSnapshot(const QString& app);
  ~SettingsSnapshot();
  SettingsSnapshot(const SettingsSnapshot&) = delete;
  SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;
};
// Tests point the store at a folder of their own.
void setSettingsFolder(const QString& folder);
// Where the store of an application lives (for the README and messages),
// worked out without opening it.
QString settingsFile(const QString& app);

// --- The program itself ------------------------------------------------------
// The project's version, handed down by the build.
inline constexpr int VersionMajor = QEL_VERSION_MAJOR;
inline constexpr int VersionMinor = QEL_VERSION_MINOR;
inline constexpr int VersionRevision = QEL_VERSION_PATCH;
QString HelpFile();  // "Qel.hlp"

}  // namespace rt
}  // namespace qel
