// The per-user settings store: defaults, exact keys, texts that survive the
// file, hand-edited and broken files, and flushes that fail without harm.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "fixture.h"
#include "platform/runtime.h"

namespace qel::test {
namespace {

const QString kApp = QStringLiteral("qel");
const QString kSection = QStringLiteral("data");

// A child of the test process runs only the given function and leaves with
// _exit, so nothing else of the test process (its QApplication, the test
// framework) runs twice. The alarm ends a child that blocks, not the test.
pid_t startChild(const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::alarm(20);
    ::_exit(body());
  }
  return pid;
}

int waitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

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
  // A file beside the store, last written `age` seconds ago.
  void put(const QString& name, const QByteArray& bytes = "x", qint64 age = 0) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    QFile f(folder() + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
    f.flush();  // or closing would write again, and date the file now
    if (age)
      f.setFileTime(QDateTime::currentDateTime().addSecs(-age), QFileDevice::FileModificationTime);
  }
  QByteArray bytes() const {
    QFile f(file());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // Everything in the store's folder: hidden files, FIFOs and links to
  // nothing included.
  QStringList entries() const {
    return QDir(folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                    QDir::NoDotAndDotDot);
  }
  // The same, readable in a failure message.
  std::string listing() const { return entries().join(' ').toStdString(); }

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

// Texts that QSettings' own writing would not give back: each reads back as
// saved from the file, and the next, unrelated save still succeeds.
TEST_F(Store, AwkwardTextsReadBackAndLeaveLaterSavesWorking) {
  const QString bom(QChar(0xFEFF));
  const struct {
    const char* what;
    QString text;
    QString back;  // empty: the text itself
  } cases[] = {
      {"BOM first", bom + "x", {}},
      {"BOM alone", bom, {}},
      {"BOM after a quote", "\"" + bom + "x", {}},
      {"BOM after a backslash", "\\" + bom + "x", {}},
      {"BOM in a quoted value", " " + bom + ", x ", {}},
      {"BOM after an escape", "\t" + bom + "a", {}},
      {"blanks at both ends", "  Taro  ", {}},
      {"commas", "a,b, c,", {}},
      {"comment and key marks", ";x#y=z", {}},
      {"quotes", "\"quoted\" and 'single'", {}},
      {"hex digits after an escape", "\x01" + QString(QChar(1)) + "ab", {}},
      {"lone surrogate", "x" + QString(QChar(0xDC00)), QString::fromUtf16(u"x\uFFFD")},
      {"full-width", QString::fromUtf8("　山田　太郎　"), {}},
      {"zero-width", QString::fromUtf16(u"\u200Bx\u200D\u2060"), {}},
      {"leading @", "@Rect(1 2 3 4)", {}},
      {"32 k characters", QString(32768, QChar(u'名')), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const QString want = c.back.isEmpty() ? c.text : c.back;
    save("n 0", c.text);
    ASSERT_TRUE(rt::FlushSettings(kApp));
    EXPECT_TRUE(get("n 0") == want);
    save("n 1", c.what);
    ASSERT_TRUE(rt::FlushSettings(kApp));
    EXPECT_TRUE(get("n 0") == want);
    EXPECT_EQ(get("n 1"), c.what);
  }
}

// Another section, edited by hand, holds values that QSettings reads in its
// own way: a save keeps them as it reads them, and so does the one after.
TEST_F(Store, SaveKeepsOtherSectionsAsQSettingsReadsThem) {
  writeFile(
      "[other]\n"
      "k=\\xfeffx\n"
      "list=a, \"b, c\"\n"
      "rect=@Rect(1 2 3 4)\n"
      "nothing=@Invalid()\n"
      "[General]\n"
      "top=1\n"
      "[%General]\n"
      "g=2\n"
      "[data]\n"
      "n%200=old\n");
  const QString kept = "[other]\nk=\\xfeffx\n";
  for (const char* name : {"new", "newer"}) {
    SCOPED_TRACE(name);
    save("n 0", name);
    ASSERT_TRUE(rt::FlushSettings(kApp));
    EXPECT_EQ(get("n 0"), name);
    EXPECT_EQ(rt::GetSetting(kApp, "other", "k", "DEF"), QChar(0xFEFF) + QString("x"));
    QTemporaryDir copyDir;  // QSettings has no parse of its own of this name yet
    const QString copy = copyDir.path() + "/copy.ini";
    ASSERT_TRUE(QFile::copy(file(), copy));
    const QSettings s(copy, QSettings::IniFormat);
    EXPECT_EQ(s.value("other/list").toStringList(), (QStringList{"a", "b, c"}));
    EXPECT_EQ(s.value("other/rect").toRect(), QRect(1, 2, 3, 4));
    EXPECT_TRUE(s.contains("other/nothing"));
    EXPECT_EQ(s.value("top").toString(), "1");
    EXPECT_EQ(s.value("General/g").toString(), "2");
  }
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

// The value as QSettings reads it from a file of these bytes: the oracle
// for our own reading. A list reads as its items joined with ", "; values
// of other kinds (a rectangle, an invalid value) read as absent.
QString readByQSettings(const QByteArray& bytes, const QString& key) {
  QTemporaryDir dir;  // a new name: QSettings keeps what it parsed by name
  QFile f(dir.path() + "/copy.ini");
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) return "<unwritten>";
  f.close();
  const QVariant v = QSettings(f.fileName(), QSettings::IniFormat).value(key);
  const auto text = [](const QVariant& item) {
    const int type = item.typeId();
    return type == QMetaType::QString || type == QMetaType::QByteArray ? item.toString()
                                                                       : QString("DEF");
  };
  if (v.typeId() != QMetaType::QStringList && v.typeId() != QMetaType::QVariantList) return text(v);
  QStringList items;
  for (const QVariant& item : v.toList()) items << text(item).replace("DEF", "");
  return items.join(", ");
}

// Our reading agrees with QSettings', key by key: escapes, quotes, lists,
// blanks, comments, lines that go on, sections, BOM and line breaks.
TEST_F(Store, ReadsWhatQSettingsReads) {
  const QByteArray values[] = {
      "plain",
      "  padded \t ",
      "\"quoted  \"  tail ",
      "a\\tb",
      "\\a\\b\\f\\n\\r\\t\\v\\\"\\?\\'\\\\",
      "\\x41\\x4a\\x",
      "\\x4g",
      "\\x1F0A1",
      "\\101\\0x\\8",
      "\\q\\",
      "a  \\",
      "a \\  ",
      "a, b",
      "a,b,",
      " , ",
      "\"a, b\", c",
      "a \"b\" c",
      "\"\"",
      "\"a\"\"b\"",
      "@@at",
      "@x",
      "@Rect(1 2 3 4)",
      "@Rect(1 2 3 4), x",
      "@Invalid()",
      "x, @@y, @z",
      "a;comment",
      "\"a;b\"",
      "a=b",
      "a\\\n continued",
      "\"two\nlines\"",
      "\xe5\xb1\xb1 \xff bad",
      "\xef\xbb\xbf"
      "bom",
      "a\\\xe5\xb1\xb1",
      "\xe5\\x41\xb1",
      "\\xfeffx",
      "\\\r\nx",
  };
  for (const QByteArray& v : values) {
    SCOPED_TRACE(v.constData());
    const QByteArray raw = "[data]\nk=" + v + "\nafter=1\n";
    writeFile(raw);
    EXPECT_EQ(get("k"), readByQSettings(raw, "data/k"));
    EXPECT_EQ(get("after"), readByQSettings(raw, "data/after"));
  }
  const QByteArray files[] = {
      "[data]\nn%200=a\nn%200=b\n",
      "[data]\nn%200=a\n[other]\nx=1\n[data]\nn%200=b\n",
      "[data]\nn%200=a\n[data]\n",
      "[ data ]\n n 0 = a \n",
      "[DATA]\nn%200=a\n",
      "[data\nn%200=unclosed\n",
      "[d%61ta]\nn%200=escaped\n",
      "[data]\nn%U00200=wide\n",
      "[data]\nn%2=short\n",
      "[data]\r\nn%200=crlf\r\n",
      "[data]\rn%200=cr\r",
      "\xef\xbb\xbf[data]\nn%200=bom\n",
      "[data]\nx=\"open\nn%200=swallowed\"\nn%201=y\n",
      "[data]\nx=a\\\nn%200=goes on\n",
      "[data]\nx=a\\\r\nn%200=goes on\r\n",
      "; c\n[data]\n;n%200=commented\n  ; n%200=too\nn%201=z\n",
      "[data] ; c\nn%200=a ; c\n",
      "[data]x\nn%200=after a header with more\n",
      "n%200=before any section\n[data]\n",
      "[other]\n[data]=x\nn%200=a\n",
  };
  for (const QByteArray& raw : files) {
    SCOPED_TRACE(raw.constData());
    writeFile(raw);
    EXPECT_EQ(get("n 0"), readByQSettings(raw, "data/n 0"));
    EXPECT_EQ(get("n 1"), readByQSettings(raw, "data/n 1"));
  }
}

// A save rewrites only the lines of the keys it writes and adds the missing
// ones under the section's header; every other byte comes out as it went in:
// BOM, comments, CRLF, other sections and other tools' keys and values of any
// kind, the lines that only go on another key's value, a file without a last
// line break. QSettings reads the result as before, but for the keys written.
TEST_F(Store, SaveChangesOnlyTheLinesOfItsKeys) {
  const QByteArray head =
      "\xef\xbb\xbf; settings of two programs\r\n"
      "[other]\r\n"
      "when=@DateTime(\\0\\0\\0\\x10\\0\\0\\0\\0\\0%\\x8b\\xe9\\0\\x3\\xd8\\xb1\\0)\r\n"
      "rect=@Rect(1 2 3 4)\r\n"
      "list=a, \"b, c\"\r\n"
      "\r\n"
      "[data]\r\n";
  const QByteArray body =
      "# another tool's comment\r\n"
      "tool=x \\\r\n"
      "n%200=only goes on tool's value\r\n";
  const QByteArray tail =
      "note=\"two\r\n"
      "n%201=lines\"\r\n";
  const QByteArray end =
      "\r\n"
      "[keep]\r\n"
      "x=survivor";
  writeFile(head + body + "n%200=Alice ; her row\r\n" + tail + "norg = Old" + end);
  QVariantMap before;
  for (const char* key :
       {"other/when", "other/rect", "other/list", "data/tool", "data/note", "keep/x"})
    before[key] = readByQSettings(bytes(), key);

  save("n 0", "Bob");
  save("r 0", "7");
  save("n 1", "Carol");
  save("norg", "Carol");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  const QByteArray after = bytes();
  EXPECT_EQ(after, head + "r%200=7\r\nn%201=Carol\r\n" + body + "n%200=Bob ; her row\r\n" + tail +
                       "norg=Carol" + end);
  for (auto k = before.cbegin(); k != before.cend(); ++k)
    EXPECT_EQ(readByQSettings(after, k.key()), k.value()) << k.key().toStdString();
  for (const auto& [key, value] :
       {std::pair{"n 0", "Bob"}, {"r 0", "7"}, {"n 1", "Carol"}, {"norg", "Carol"}}) {
    EXPECT_EQ(readByQSettings(after, QString("data/") + key), value) << key;
    EXPECT_EQ(get(key), value) << key;
  }
}

// A file whose end would swallow a new section (an open quote) takes no
// texts: the save fails and leaves it as it was.
TEST_F(Store, AnEndThatWouldSwallowNewKeysFailsTheSave) {
  const QByteArray raw = "[other]\nk=\"open\n";
  writeFile(raw);
  save("n 0", "Hanako");
  EXPECT_FALSE(rt::FlushSettings(kApp));
  EXPECT_EQ(bytes(), raw);
  EXPECT_EQ(entries(), QStringList{"qel.ini"});
}

// The store needs nothing of the system but the files it reads and writes:
// with /proc out of reach it reads and saves as ever.
TEST_F(Store, WorksWithoutProc) {
  writeFile("[data]\nn%200=Alice\nr%200=3\n\n[keep]\nx=survivor\n");
  const int status = waitFor(startChild([&] {
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0)
      return 99;
    if (QFile::exists("/proc/self")) return 98;
    if (get("n 0") != "Alice") return 1;
    save("n 0", "Bob");
    if (!rt::FlushSettings(kApp)) return 2;
    return get("n 0") == "Bob" ? 0 : 3;
  }));
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 99) GTEST_SKIP() << "no mount namespace for this user";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(bytes(), "[data]\nn%200=Bob\nr%200=3\n\n[keep]\nx=survivor\n");
}

// Stores of equal length written in quick succession read back as written.
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
  // A save cut short there left its file beside the target.
  for (const char* name : {"real.ini.qelsave", "real.ini.bak"}) {
    QFile f(elsewhere.path() + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  save("n 0", "Hanako");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  EXPECT_TRUE(QFileInfo(file()).isSymLink());
  EXPECT_EQ(get("n 0"), "Hanako");
  EXPECT_EQ(get("n 1"), "keep");
  EXPECT_EQ(entries(), QStringList{"qel.ini"});
  EXPECT_EQ(
      QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
      (QStringList{"real.ini", "real.ini.bak"}));
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

TEST_F(Store, ShortWriteLeavesTheOldFileAsItWas) {
  save("n 0", "Hanako");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  const QByteArray before = bytes();

  const QString longName(5000, QChar(u'名'));
  save("n 1", longName);
  bool flushed = true;
  {
    FullDisk full(2048);
    flushed = rt::FlushSettings(kApp);
  }
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

// Reads are served from the file as last parsed only while it is the same
// file: one rewritten in place, replaced or removed is read anew.
TEST_F(Store, ReadsFollowTheFileBetweenCalls) {
  writeFile("[data]\nn%200=Hanako\n");
  EXPECT_EQ(get("n 0"), "Hanako");
  writeFile("[data]\nn%200=Jiro\nnorg=x\n");
  EXPECT_EQ(get("n 0"), "Jiro");
  EXPECT_EQ(get("norg"), "x");
  put("other.ini", "[data]\nn%200=Saburo\n");
  ASSERT_EQ(std::rename(QFile::encodeName(folder() + "/other.ini").constData(),
                        QFile::encodeName(file()).constData()),
            0);
  EXPECT_EQ(get("n 0"), "Saburo");
  EXPECT_EQ(get("norg"), "DEF");
  ASSERT_TRUE(QFile::remove(file()));
  EXPECT_EQ(get("n 0"), "DEF");
}

// A run of reads under a snapshot sees one version of the file, even when a
// save replaces it halfway; reads outside one follow the file.
TEST_F(Store, SnapshotReadsOneVersionOfTheFile) {
  writeFile("[data]\nn%200=old\nn%201=old\n");
  {
    const rt::SettingsSnapshot snapshot(kApp);
    EXPECT_EQ(get("n 0"), "old");
    put("next.ini", "[data]\nn%200=new\nn%201=new\n");
    ASSERT_EQ(std::rename(QFile::encodeName(folder() + "/next.ini").constData(),
                          QFile::encodeName(file()).constData()),
              0);
    EXPECT_EQ(get("n 1"), "old");
    // A save of our own ends the old version: it reads back as saved.
    save("n 0", "saved");
    ASSERT_TRUE(rt::FlushSettings(kApp));
    EXPECT_EQ(get("n 0"), "saved");
    EXPECT_EQ(get("n 1"), "new");
  }
  EXPECT_EQ(get("n 0"), "saved");
}

// Anything at the store's path that is not a regular file reads as an empty
// store without waiting on it, and is left as it is by a save, which fails
// and keeps what it had to write for a later one.
TEST_F(Store, NonFilesAtThePathReadAsEmptyAndAreNotWrittenOver) {
  const QByteArray outside = QFile::encodeName(home.path());
  const auto link = [](const QByteArray& to) {
    return [to](const QByteArray& at) { return ::symlink(to.constData(), at.constData()) == 0; };
  };
  const auto fifo = [](const QByteArray& at) { return ::mkfifo(at.constData(), 0600) == 0; };
  const auto socket = [](const QByteArray& at) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (at.size() >= qsizetype(sizeof address.sun_path)) return false;
    std::memcpy(address.sun_path, at.constData(), at.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
  };
  const struct {
    const char* what;
    std::function<bool(const QByteArray&)> make;
  } cases[] = {
      {"FIFO", fifo},
      {"socket", socket},
      {"link to /dev/null", link("/dev/null")},
      {"link to /dev/zero", link("/dev/zero")},
      {"link to a FIFO",
       [&](const QByteArray& at) {
         return fifo(outside + "/pipe") && link(outside + "/pipe")(at);
       }},
      {"dangling link", link(outside + "/missing.ini")},
      {"link to itself", link("qel.ini")},
  };
  const char* const checks[] = {"", "the path", "the defaults", "the save failing",
                                "what was saved"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QDir(folder()).removeRecursively();
    QFile::remove(home.path() + "/pipe");
    ASSERT_TRUE(QDir().mkpath(folder()));
    const QByteArray path = QFile::encodeName(file());
    ASSERT_TRUE(c.make(path));
    struct stat before {};
    ASSERT_EQ(::lstat(path.constData(), &before), 0);
    const QString linkedTo = QFileInfo(file()).symLinkTarget();

    const int status = waitFor(startChild([&] {
      if (rt::settingsFile(kApp) != file()) return 1;
      if (get("n 0") != "DEF" || get("norg", "Qel") != "Qel") return 2;
      save("n 0", c.what);
      if (rt::FlushSettings(kApp)) return 3;
      if (get("n 0") != c.what) return 4;
      return 0;
    }));
    ASSERT_TRUE(WIFEXITED(status))
        << (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM ? "blocked" : "crashed");
    ASSERT_EQ(WEXITSTATUS(status), 0) << "wrong: " << checks[WEXITSTATUS(status) % 5];

    save("n 0", c.what);
    EXPECT_FALSE(rt::FlushSettings(kApp));
    struct stat after {};
    ASSERT_EQ(::lstat(path.constData(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(QFileInfo(file()).symLinkTarget(), linkedTo);
    EXPECT_EQ(listing(), "qel.ini");

    ASSERT_TRUE(QFile::remove(file()));
    EXPECT_TRUE(rt::FlushSettings(kApp));
    EXPECT_EQ(get("n 0"), c.what);
    EXPECT_EQ(listing(), "qel.ini");
  }
}

// A save goes through one file beside the store. What a save cut short left
// there is taken over by the next; nothing else is touched, however alike its
// name. Anything else in that place (a link, a FIFO, a folder) is no save's
// file: the save fails and leaves it and the store as they were.
TEST_F(Store, ADeadSavesFileIsTakenOverAndNothingElseIsTouched) {
  save("n 0", "old");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  QTemporaryDir elsewhere;
  const QString outsideFile = elsewhere.path() + "/keep.txt";
  {
    QFile f(outsideFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep");
  }
  const QString temporary = folder() + "/qel.ini.qelsave";
  const QStringList alike = {"notes.txt",
                             "qel.ini.bak",
                             "qel.ini.new",
                             "qel.ini.qelsave.new",
                             "qel.ini.qelsave-3ekei8in1u8bo",
                             "other.ini.qelsave"};
  for (const QString& name : alike) put(name, name.toUtf8());
  ASSERT_TRUE(QFile::link(outsideFile, folder() + "/qel.ini.qelsave-link"));
  put("qel.ini.qelsave", QByteArray(100000, 'x'));  // longer than the new store
  ASSERT_TRUE(QFile::setPermissions(
      temporary, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));

  save("n 0", "new");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  EXPECT_EQ(bytes(), "[data]\nn%200=new\n");
  QStringList want = alike;
  want << "qel.ini"
       << "qel.ini.qelsave-link";
  want.sort();
  EXPECT_EQ(listing(), want.join(' ').toStdString());
  for (const QString& name : alike) {
    QFile f(folder() + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), name.toUtf8());
  }

  const QByteArray before = bytes();
  const struct {
    const char* what;
    std::function<bool()> make;
  } cases[] = {
      {"link", [&] { return QFile::link(outsideFile, temporary); }},
      {"FIFO", [&] { return ::mkfifo(QFile::encodeName(temporary).constData(), 0600) == 0; }},
      {"folder", [&] { return QDir().mkpath(temporary); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.make());
    struct stat made {};
    ASSERT_EQ(::lstat(QFile::encodeName(temporary).constData(), &made), 0);
    save("n 0", c.what);
    EXPECT_FALSE(rt::FlushSettings(kApp));
    struct stat after {};
    ASSERT_EQ(::lstat(QFile::encodeName(temporary).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, made.st_ino);
    EXPECT_EQ(bytes(), before);
    QDir().rmdir(temporary) || QFile::remove(temporary);
  }
  QFile f(outsideFile);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), "keep");
}

// Another copy of the game in the middle of a save holds the save's file
// locked: a save waits for it and then keeps what it wrote. One that hangs is
// waited for a few seconds: the save fails, and its file stays until it has
// died, when the next save takes it over.
TEST_F(Store, ARunningSaveIsWaitedForAndAHungOneIsNot) {
  const QByteArray temporary = QFile::encodeName(folder() + "/qel.ini.qelsave");
  ASSERT_TRUE(QDir().mkpath(folder()));
  // Holds the save's file locked, and after `holdMs` (0: until killed) puts
  // `text` in the store's place as a save does.
  const auto otherSave = [&](int holdMs, const QByteArray& text) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t other = startChild([&] {
      const int fd = ::open(temporary.constData(), O_RDWR | O_CREAT, 0600);
      if (fd < 0 || ::flock(fd, LOCK_EX) != 0 || ::write(ready[1], "!", 1) != 1) return 1;
      if (holdMs == 0) ::pause();
      std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
      const bool written = ::write(fd, text.constData(), size_t(text.size())) == text.size();
      return written && std::rename(temporary.constData(), QFile::encodeName(file())) == 0 ? 0 : 1;
    });
    ::close(ready[1]);
    char c = 0;
    EXPECT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    return other;
  };

  const pid_t running = otherSave(300, "[data]\nnorg=other\n");
  save("n 0", "Hanako");
  EXPECT_TRUE(rt::FlushSettings(kApp));
  const int status = waitFor(running);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(get("norg"), "other");
  EXPECT_EQ(get("n 0"), "Hanako");
  EXPECT_EQ(listing(), "qel.ini");

  const QByteArray before = bytes();
  const pid_t hung = otherSave(0, {});
  save("n 0", "Taro");
  EXPECT_FALSE(rt::FlushSettings(kApp));
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(listing(), "qel.ini qel.ini.qelsave");

  ::kill(hung, SIGKILL);
  waitFor(hung);
  EXPECT_TRUE(rt::FlushSettings(kApp));
  EXPECT_EQ(listing(), "qel.ini");
  EXPECT_EQ(get("n 0"), "Taro");
  EXPECT_EQ(get("norg"), "other");
}

// Copies of the game saving at once take turns: each save succeeds, none
// loses what another wrote, and a read in between sees one save's store whole.
TEST_F(Store, SavesAtOnceTakeTurnsAndNeverTear) {
  constexpr int kSavers = 8;
  constexpr int kLength = 1 << 16;
  const auto fill = [](int i) { return QString(kLength, QChar(u'a' + i)); };
  save("big", fill(kSavers));
  ASSERT_TRUE(rt::FlushSettings(kApp));

  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> savers;
  for (int i = 0; i < kSavers; ++i)
    savers.push_back(startChild([&, i] {
      ::close(go[1]);
      char c;
      if (::read(go[0], &c, 1) != 0) return 1;  // all start when the pipe closes
      save("c" + rt::CStr(i), rt::CStr(i));
      save("big", fill(i));
      return rt::FlushSettings(kApp) ? 0 : 1;
    }));
  ::close(go[0]);
  ::close(go[1]);

  const auto whole = [&](const QString& big) {
    return big.size() == kLength && big.count(big.front()) == kLength;
  };
  int torn = 0;
  for (int reads = 0; reads < 200; ++reads)
    if (!whole(get("big"))) ++torn;
  EXPECT_EQ(torn, 0);
  for (const pid_t saver : savers) {
    const int status = waitFor(saver);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int i = 0; i < kSavers; ++i) EXPECT_EQ(get("c" + rt::CStr(i)), rt::CStr(i));
  EXPECT_TRUE(whole(get("big")));
  EXPECT_EQ(listing(), "qel.ini");
}

// Saves killed at random moments leave the store whole, old or new, nothing
// that others may read of a private store, and after the next save nothing.
TEST_F(Store, SavesKilledAtRandomLeaveNothingAfterTheNext) {
  constexpr int kSaves = 40;
  constexpr int kLength = 1 << 16;  // a large store: a save takes a while
  const auto fill = [](int i) { return QString(kLength, QChar(u'a' + i % 26)); };
  save("who", "start");
  save("big", fill(25));
  ASSERT_TRUE(rt::FlushSettings(kApp));
  ASSERT_TRUE(QFile::setPermissions(file(), QFile::ReadOwner | QFile::WriteOwner));
  const QStringList unrelated = {"notes.txt", "qel.ini.bak", "qel.ini.new"};
  for (const QString& name : unrelated) put(name, name.toUtf8());

  const auto saveInChild = [&](int i) {
    return startChild([&, i] {
      ::umask(0);  // nothing but the store's own permissions keeps others out
      save("who", rt::CStr(i));
      save("big", fill(i));
      return rt::FlushSettings(kApp) ? 0 : 1;
    });
  };
  // How long one save takes, to spread the kills over it.
  const auto started = std::chrono::steady_clock::now();
  const int status = waitFor(saveInChild(kSaves));
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const auto oneSave = std::chrono::steady_clock::now() - started;

  std::mt19937 random(20240611);
  std::uniform_int_distribution<long long> moment(
      0, std::chrono::duration_cast<std::chrono::microseconds>(oneSave).count());
  const QString temporary = folder() + "/qel.ini.qelsave";
  const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
  int cutShort = 0;  // kills that left files: shown, not asserted, as it depends on timing
  for (int i = 0; i < kSaves; ++i) {
    const pid_t child = saveInChild(i);
    std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
    ::kill(child, SIGKILL);
    waitFor(child);
    if (entries().size() > 4) ++cutShort;
    EXPECT_FALSE(QFile::permissions(temporary) & others) << "after save " << i;
    EXPECT_FALSE(QFile::permissions(file()) & others) << "after save " << i;
  }
  RecordProperty("saves_cut_short", cutShort);

  // Whole: one save's texts, not a mix.
  const QString who = get("who");
  bool ok = who == "start";
  const int i = ok ? 25 : who.toInt(&ok);
  EXPECT_TRUE(ok && i >= 0 && i <= kSaves) << who.toStdString();
  EXPECT_TRUE(get("big") == fill(i)) << "a mix in a save of " << who.toStdString();

  save("who", "last");
  ASSERT_TRUE(rt::FlushSettings(kApp));
  QStringList want = unrelated;
  want << "qel.ini";
  want.sort();
  EXPECT_EQ(listing(), want.join(' ').toStdString());
  EXPECT_EQ(get("who"), "last");
  for (const QString& name : unrelated) {
    QFile f(folder() + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), name.toUtf8());
  }
}

}  // namespace
}  // namespace qel::test
