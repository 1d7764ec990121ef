// The per-user settings store: defaults, exact keys, texts that survive the
// file, hand-edited and broken files, and flushes that fail without harm.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>

#include "platform/runtime.h"

namespace qel::test {
namespace {

const QString kApp = QStringLiteral("qel");
const QString kSection = QStringLiteral("data");

// Each test gets a store folder of its own.
class Store : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home.isValid());
    previous = QFileInfo(QFileInfo(rt::settingsFile(kApp)).absolutePath()).absolutePath();
    rt::setSettingsFolder(home.path());
  }
  void TearDown() override {
    for (const QString& p : locked)
      QFile::setPermissions(p, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    rt::setSettingsFolder(previous);
  }

  QString folder() const { return home.path() + "/qel"; }
  QString file() const { return folder() + "/qel.ini"; }

  // Raw bytes, as a player editing the file by hand would leave them.
  void writeFile(const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    QFile f(file());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
  }
  QByteArray bytes() const {
    QFile f(file());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Everything in the store's folder, hidden files included.
  QStringList entries() const {
    return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }

  QString get(const QString& key, const QString& def = "DEF") {
    return rt::GetSetting(kApp, kSection, key, def);
  }
  void save(const QString& key, const QString& value) {
    rt::SaveSetting(kApp, kSection, key, value);
  }

  // Takes rights away from a path (given back in TearDown). False when the
  // system ignores them, as it does for root.
  bool lock(const QString& path, QFile::Permissions perms) {
    locked << path;
    EXPECT_TRUE(QFile::setPermissions(path, perms));
    if (QFileInfo(path).isDir()) {
      QFile probe(path + "/probe");
      if (!probe.open(QIODevice::WriteOnly)) return true;
      probe.remove();
      return false;
    }
    QFile probe(path);
    return !probe.open(perms & QFile::ReadOwner ? QIODevice::ReadWrite : QIODevice::ReadOnly);
  }

  QTemporaryDir home;
  QString previous;
  QStringList locked;
};

TEST_F(Store, EmptyStoreGivesDefaultsAndWritesNothing) {
  EXPECT_EQ(rt::settingsFile(kApp), file());
  for (int i = 0; i <= 9; ++i) {
    const QString row = rt::Str(i);
    EXPECT_EQ(get("n" + row, "none"), "none");
    EXPECT_EQ(get("r" + row, "0"), "0");
    EXPECT_EQ(get("t" + row, "99:99:99"), "99:99:99");
    EXPECT_EQ(get("d" + row, "0000/00/00 00:00:00"), "0000/00/00 00:00:00");
  }
  EXPECT_EQ(get("norg", "Qel"), "Qel");
  EXPECT_TRUE(QDir(home.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(Store, EachKeyFallsBackByItselfAndNeedsItsBlank) {
  const QByteArray raw =
      "[data]\n"
      "n%204=Hanako\n"
      "n 5=Taro\n"  // a blank typed by hand is the same key
      "t3=00:00:01\n"
      "norg=\n";
  writeFile(raw);
  EXPECT_EQ(get("n 4"), "Hanako");
  EXPECT_EQ(get("r 4"), "DEF");
  EXPECT_EQ(get("t 4"), "DEF");
  EXPECT_EQ(get("n 5"), "Taro");
  EXPECT_EQ(get("t 3"), "DEF");
  EXPECT_EQ(get("t3"), "00:00:01");
  EXPECT_EQ(get("norg", "Qel"), "");  // empty text is a value, not an absence
  EXPECT_EQ(rt::GetSetting(kApp, "other", "n 4", "DEF"), "DEF");
  EXPECT_EQ(bytes(), raw);
  EXPECT_EQ(entries(), QStringList{"qel.ini"});
}

TEST_F(Store, KeysWithAndWithoutBlankAreWrittenApart) {
  save("t 3", "00:01:00");
  save("t3", "00:02:00");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  EXPECT_EQ(get("t 3"), "00:01:00");
  EXPECT_EQ(get("t3"), "00:02:00");
  const QByteArray raw = bytes();
  EXPECT_TRUE(raw.contains("\nt%203=00:01:00\n")) << raw.constData();
  EXPECT_TRUE(raw.contains("\nt3=00:02:00\n")) << raw.constData();
}

TEST_F(Store, TextsSurviveTheFile) {
  const QString texts[] = {
      "",
      "a, b",
      "a,b",
      ", ,",
      "  blanks around  ",
      "say \"hi\"",
      "\"",
      "'single'",
      "a;b#c=d",
      "[data]",
      "%20",
      "@home",
      "@@x",
      "@Rect(1 2 3 4)",
      "back\\slash\\",
      "tab\tline\nbreak\rend",
      QString::fromUtf16(u"nul\0inside", 10),
      QString::fromUtf8("山田　太郎"),
      QString::fromUtf8("ｶﾀｶﾅ and \xf0\x9f\x82\xa1"),
      QString(100000, 'x') + QString::fromUtf8("末"),
  };
  int n = 0;
  for (const QString& t : texts) save("v" + rt::CStr(n++), t);
  ASSERT_TRUE(rt::FlushSettings(kApp));
  n = 0;
  for (const QString& t : texts) EXPECT_EQ(get("v" + rt::CStr(n++)), t) << t.left(40).toStdString();
}

// UTF-8 has no place for a lone surrogate: it reads back as U+FFFD, before
// and after the flush alike, and does not keep the store from being written.
TEST_F(Store, LoneSurrogateBecomesReplacementCharacter) {
  save("n 0", QString("x") + QChar(0xD800) + QString::fromUtf16(u"y\U0001F0A1z"));
  const QString want = QString::fromUtf16(u"x\uFFFDy\U0001F0A1z");
  EXPECT_EQ(get("n 0"), want);
  ASSERT_TRUE(rt::FlushSettings(kApp));
  EXPECT_EQ(get("n 0"), want);
}

// An unquoted value with commas comes from QSettings as a list whose items
// have lost the blanks around each comma; the text is rebuilt with ", ".
TEST_F(Store, HandEditedValuesComeBackAsText) {
  const std::pair<const char*, const char*> cases[] = {
      {"a, b", "a, b"},
      {"a, b, c", "a, b, c"},
      {"\xe5\xb1\xb1\xe7\x94\xb0, \xe5\xa4\xaa\xe9\x83\x8e", "山田, 太郎"},
      {"\"a, b\"", "a, b"},
      {"a, \"b, c\"", "a, b, c"},
      {"a,b", "a, b"},  // other spacing around a comma is not kept
      {"a ,  b", "a, b"},
      {"a,", "a, "},
      {"  padded  ", "padded"},
      {"@Rect(1 2 3 4)", "DEF"},  // not a text
  };
  QByteArray raw = "[data]\n";
  int n = 0;
  for (auto [line, want] : cases) raw += "k" + QByteArray::number(n++) + "=" + line + "\n";
  writeFile(raw);
  n = 0;
  for (auto [line, want] : cases)
    EXPECT_EQ(get("k" + rt::CStr(n++)), QString::fromUtf8(want)) << line;

  // A flush of another key keeps them as they read.
  save("other", "x");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  n = 0;
  for (auto [line, want] : cases)
    EXPECT_EQ(get("k" + rt::CStr(n++)), QString::fromUtf8(want)) << line;
}

TEST_F(Store, BrokenFilesAreReadWithoutHarm) {
  const std::pair<QByteArray, const char*> cases[] = {
      {QByteArray("\x00\xff[[[data\n=\n==broken\n\x01", 22), "DEF"},
      {QByteArray("[data\nn%200=x\n"), "x"},  // an unclosed section still counts
      {QByteArray("[data]\nn%200=\xff\xfe!\n"), "\xef\xbf\xbd\xef\xbf\xbd!"},  // bad UTF-8
      {QByteArray("[data]\nn%200=\"open quote\nn%201=y\n"), "open quote\nn%201=y\n"},
      {QByteArray("\xef\xbb\xbf[data]\r\nn%200=bom\r\n"), "bom"},
      {QByteArray(4096, '\0'), "DEF"},
      {QByteArray("[data]\n=no key\n\\=odd\n%zz=bad escape\n[%]\nx=1\n[a/b]\nn%200=nested\n"),
       "DEF"},
      {QByteArray(), "DEF"},
  };
  for (const auto& [raw, want] : cases) {
    SCOPED_TRACE(raw.left(20).toHex().constData());
    writeFile(raw);
    EXPECT_EQ(get("n 0"), QString::fromUtf8(want));
    EXPECT_EQ(get("n 9"), "DEF");
    EXPECT_EQ(bytes(), raw);
    EXPECT_EQ(entries(), QStringList{"qel.ini"});
    // The first confirmation replaces what could not be read.
    save("n 1", "new");
    EXPECT_TRUE(rt::FlushSettings(kApp));
    EXPECT_EQ(get("n 1"), "new");
  }
}

TEST_F(Store, FolderInPlaceOfTheFileReadsAsEmpty) {
  ASSERT_TRUE(QDir().mkpath(file()));
  EXPECT_EQ(get("n 0"), "DEF");
  save("n 0", "Hanako");
  EXPECT_FALSE(rt::FlushSettings(kApp));
  EXPECT_TRUE(QFileInfo(file()).isDir());
  EXPECT_EQ(entries(), QStringList{"qel.ini"});
  EXPECT_TRUE(QDir(file()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(Store, UnreadableFileReadsAsEmpty) {
  writeFile("[data]\nn%200=secret\n");
  if (!lock(file(), {})) GTEST_SKIP() << "file rights are not enforced for this user";
  EXPECT_EQ(get("n 0"), "DEF");
}

TEST_F(Store, SavedTextsAreReadBeforeTheFlushAndWrittenOnlyByIt) {
  save("n 0", "Hanako");
  save("n 0", "Taro");  // the last one counts
  EXPECT_EQ(get("n 0"), "Taro");
  EXPECT_FALSE(QFile::exists(file()));
  ASSERT_TRUE(rt::FlushSettings(kApp));
  EXPECT_TRUE(bytes().contains("n%200=Taro"));
  EXPECT_EQ(get("n 0"), "Taro");
  EXPECT_TRUE(rt::FlushSettings(kApp));  // nothing gathered: nothing to do
}

TEST_F(Store, FlushKeepsWhatItDoesNotWrite) {
  writeFile("[other]\nx=1\n[data]\nn%200=old\nn%201=keep\n");
  save("n 0", "new");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  EXPECT_EQ(get("n 0"), "new");
  EXPECT_EQ(get("n 1"), "keep");
  EXPECT_EQ(rt::GetSetting(kApp, "other", "x", "DEF"), "1");
  EXPECT_EQ(entries(), QStringList{"qel.ini"});
}

// QSettings caches a parsed file while its size and time (to the millisecond)
// stay the same; stores of equal length written in quick succession must
// still read back as written.
TEST_F(Store, QuickRewritesOfEqualLengthAreSeen) {
  int stale = 0;
  for (int i = 0; i < 100; ++i) {
    const QString text = rt::CStr(1000 + i);
    save("n 0", text);
    ASSERT_TRUE(rt::FlushSettings(kApp));
    if (get("n 0") != text) ++stale;
  }
  EXPECT_EQ(stale, 0);
}

TEST_F(Store, LinkedStoreIsWrittenAtItsTarget) {
  QTemporaryDir elsewhere;
  const QString real = elsewhere.path() + "/real.ini";
  {
    QFile f(real);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[data]\nn%201=keep\n");
  }
  ASSERT_TRUE(QDir().mkpath(folder()));
  ASSERT_TRUE(QFile::link(real, file()));
  save("n 0", "Hanako");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  EXPECT_TRUE(QFileInfo(file()).isSymLink());
  EXPECT_EQ(get("n 0"), "Hanako");
  EXPECT_EQ(get("n 1"), "keep");
}

TEST_F(Store, FailedFlushKeepsTheGatheredTextsForTheNext) {
  ASSERT_TRUE(QDir().mkpath(home.path()));
  {
    QFile blocker(folder());  // a file where the store's folder belongs
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("keep");
  }
  save("n 0", "Hanako");
  EXPECT_FALSE(rt::FlushSettings(kApp));
  EXPECT_EQ(get("n 0"), "Hanako");
  {
    QFile blocker(folder());
    ASSERT_TRUE(blocker.open(QIODevice::ReadOnly));
    EXPECT_EQ(blocker.readAll(), "keep");
  }

  ASSERT_TRUE(QFile::remove(folder()));
  save("n 1", "Taro");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  EXPECT_TRUE(bytes().contains("n%200=Hanako"));
  EXPECT_TRUE(bytes().contains("n%201=Taro"));
}

// Allows this process files of at most `limit` bytes while f runs: the write
// that crosses it is cut short, as on a full disk.
template <typename F>
void withFileSizeLimit(rlim_t limit, F f) {
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = limit;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  f();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
}

TEST_F(Store, ShortWriteLeavesTheOldFileAsItWas) {
  save("n 0", "Hanako");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  const QByteArray before = bytes();

  const QString longName(5000, QChar(u'名'));
  save("n 1", longName);
  bool flushed = true;
  withFileSizeLimit(2048, [&] { flushed = rt::FlushSettings(kApp); });
  EXPECT_FALSE(flushed);
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(entries(), QStringList{"qel.ini"});

  ASSERT_TRUE(rt::FlushSettings(kApp));
  EXPECT_EQ(get("n 0"), "Hanako");
  EXPECT_EQ(get("n 1"), longName);
}

TEST_F(Store, LockedStoreIsLeftAsItWas) {
  struct Case {
    const char* what;
    bool folderLocked;
    QFile::Permissions perms;
  };
  const Case cases[] = {
      {"read-only folder", true, QFile::ReadOwner | QFile::ExeOwner},
      {"read-only file", false, QFile::ReadOwner},
      {"unreadable file", false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeFile("[data]\nn%200=old\n");
    const QByteArray before = bytes();
    if (!lock(c.folderLocked ? folder() : file(), c.perms))
      GTEST_SKIP() << "file rights are not enforced for this user";
    save("n 0", "new");
    EXPECT_FALSE(rt::FlushSettings(kApp));
    QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(entries(), QStringList{"qel.ini"});
    ASSERT_TRUE(rt::FlushSettings(kApp));  // rights back: the text goes in
    EXPECT_EQ(get("n 0"), "new");
  }
}

}  // namespace
}  // namespace qel::test
