// The per-user settings store: one INI file per application, as QSettings
// reads it, whose values are texts. SaveSetting gathers texts in memory;
// FlushSettings writes them as `git config` does: the lines of the keys it
// writes are rewritten or added, every other byte is copied as it stands, and
// the new file replaces the old by one rename.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "platform/runtime.h"

namespace qel::rt {

namespace {

// --- Reading the text as QSettings does --------------------------------------

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool isBreakPair(char a, char b) { return (a == '\n' && b == '\r') || (a == '\r' && b == '\n'); }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(c | 0x20);
  return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// A logical line: text[start, end), its first `=` outside quotes at `equals`.
struct Line {
  qsizetype start = 0, end = 0, equals = -1;
};

// The line from `pos` on, and `pos` past it; false at the end. A line goes on
// past a line break that a backslash escapes or that stands inside quotes; a
// `;` outside quotes ends it, and a line that starts with one is passed over,
// so that a line that only continues another key's value is never a key.
bool nextLine(QByteArrayView text, qsizetype& pos, Line& line) {
  const qsizetype size = text.size();
  qsizetype start = pos;
  while (start < size && isBlank(text[start])) ++start;
  qsizetype i = start;
  line.equals = -1;
  for (bool quoted = false; i < size; ++i) {
    const char c = text[i];
    if (c == '=' && !quoted && line.equals < 0) {
      line.equals = i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == '\\' && i + 1 < size) {
      ++i;  // the next character as it is, a line break with its other half
      if (i + 1 < size && isBreakPair(text[i], text[i + 1])) ++i;
    } else if (c == ';' && i == start) {
      while (i < size && text[i] != '\n' && text[i] != '\r') ++i;
      while (i < size && isBlank(text[i])) ++i;
      start = i--;
    } else if ((c == '\n' || c == '\r' || c == ';') && !quoted) {
      break;
    }
  }
  pos = i;
  line.start = start;
  line.end = i;
  return i > start;
}

// A section or key name: `\` stands for `/`, %XX and %UXXXX for a character.
QString unescapedName(QByteArrayView raw) {
  const QString s = QString::fromUtf8(raw);
  QString out;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const bool wide = i + 1 < s.size() && s[i + 1] == u'U';
    const qsizetype first = i + (wide ? 2 : 1), digits = wide ? 4 : 2;
    bool ok = false;
    const ushort c = s[i] == u'%' && first + digits <= s.size()
                         ? QStringView(s).mid(first, digits).toUShort(&ok, 16)
                         : 0;
    if (ok) i = first + digits - 1;
    out += ok ? QChar(c) : s[i] == u'\\' ? QChar(u'/') : s[i];
  }
  return out;
}

// QSettings marks values of other kinds with a leading @ ("@Rect(1 2 3 4)"),
// and doubles a text's own.
std::optional<QString> textOf(const QString& s) {
  if (s.startsWith(u"@@")) return s.mid(1);
  for (const char* kind : {"@ByteArray(", "@String(", "@Variant(", "@DateTime(", "@Rect(", "@Size(",
                           "@Point(", "@Invalid("})
    if (s.startsWith(QLatin1String(kind)) && s.endsWith(u')')) return std::nullopt;
  return s;
}

// A value's text: the blanks around it dropped, unless quoted or escaped; `\`
// escapes as in C; an unquoted `,` makes a list, whose items are joined with
// ", ", so that a hand-edited "a, b" reads as it looks.
std::optional<QString> valueText(QByteArrayView raw) {
  static constexpr char kEscapes[] = "abfnrtv\"?'\\";
  static constexpr char kEscaped[] = "\a\b\f\n\r\t\v\"?'\\";
  QStringDecoder utf8(QStringDecoder::Utf8);
  QStringList items;
  QString item;
  bool inQuotes = false, quoted = false;  // quoted: the item keeps all its blanks
  qsizetype i = 0, kept = 0;              // kept: blanks before this length stay
  const auto skipBlanks = [&] {
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t')) ++i;
    kept = item.size();
  };
  const auto dropBlanks = [&] {
    while (!quoted && item.size() > kept && (item.back() == u' ' || item.back() == u'\t'))
      item.chop(1);
  };
  for (skipBlanks(); i < raw.size();) {
    const char c = raw[i];
    if (c == '\\') {
      const char e = ++i < raw.size() ? raw[i++] : '\0';
      const int base = e == 'x' && i < raw.size() && hexDigit(raw[i]) >= 0 ? 16
                       : e >= '0' && e <= '7'                              ? 8
                                                                           : 0;
      if (const char* code = e ? std::strchr(kEscapes, e) : nullptr) {
        item += QLatin1Char(kEscaped[code - kEscapes]);
      } else if (base) {
        char16_t v = base == 8 ? static_cast<char16_t>(e - '0') : 0;
        for (int d; i < raw.size() && (d = hexDigit(raw[i])) >= 0 && d < base; ++i)
          v = static_cast<char16_t>(v * base + d);
        item += QChar(v);
      } else if (i < raw.size() && isBreakPair(e, raw[i])) {
        ++i;  // a line break that goes on, with its other half
      }
      kept = item.size();
    } else if (c == '"') {
      ++i;
      quoted = true;
      inQuotes = !inQuotes;
      if (!inQuotes) skipBlanks();
    } else if (c == ',' && !inQuotes) {
      dropBlanks();
      items << item;
      item.clear();
      quoted = false;
      ++i;
      skipBlanks();
    } else {
      qsizetype j = i + 1;
      while (j < raw.size() && raw[j] != '\\' && raw[j] != '"' && raw[j] != ',') ++j;
      item += utf8(raw.sliced(i, j - i));
      i = j;
    }
  }
  dropBlanks();
  if (items.isEmpty()) return textOf(item);
  items << item;
  for (QString& s : items) s = textOf(s).value_or(QString());
  return items.join(QStringLiteral(", "));
}

// Where one section's keys stand in the text.
struct Section {
  QMap<QString, Line> keys;  // each key's last line: the one that counts
  qsizetype body = -1;       // just past the line of its last header; -1 for none
};

Section findSection(QByteArrayView text, const QString& name) {
  Section found;
  bool inside = false;
  qsizetype pos = text.startsWith("\xef\xbb\xbf") ? 3 : 0;  // a UTF-8 BOM
  for (Line line; nextLine(text, pos, line);) {
    const QByteArrayView bytes = text.sliced(line.start, line.end - line.start);
    if (bytes.startsWith('[')) {
      const qsizetype close = bytes.indexOf(']');
      inside =
          unescapedName(bytes.first(close < 0 ? bytes.size() : close).sliced(1).trimmed()) == name;
      if (!inside) continue;
      // Past the line break: only a comment can follow a line's end.
      qsizetype& at = found.body = line.end;
      while (at < text.size() && text[at] != '\n' && text[at] != '\r') ++at;
      at += text.sliced(at).startsWith("\r\n") ? 2 : at < text.size() ? 1 : 0;
    } else if (inside && line.equals >= 0) {
      found.keys.insert(unescapedName(bytes.first(line.equals - line.start).trimmed()), line);
    }
  }
  return found;
}

std::optional<QString> storedText(QByteArrayView text, const QString& section, const QString& key) {
  const Section s = findSection(text, section);
  const auto line = s.keys.constFind(key);
  if (line == s.keys.cend()) return std::nullopt;
  return valueText(text.sliced(line->equals + 1, line->end - line->equals - 1));
}

// --- Writing the game's own lines ------------------------------------------------

// Letters, digits and `_-.` as they are, every other character as %XX or %UXXXX.
QByteArray escapedName(const QString& name) {
  QByteArray out;
  for (const QChar c : name) {
    if ((c.unicode() < 0x80 && c.isLetterOrNumber()) || QStringView(u"_-.").contains(c))
      out += static_cast<char>(c.unicode());
    else if (c.unicode() <= 0xff)
      out += '%' + QByteArray::number(c.unicode(), 16).toUpper().rightJustified(2, '0');
    else
      out += "%U" + QByteArray::number(c.unicode(), 16).toUpper().rightJustified(4, '0');
  }
  return out;
}

// A text that reads back as it is: `\` and `"` escaped; quotes around one with
// `,;=` or a blank at an end; `\x` for what reading would not keep (control
// characters, lone surrogates, and U+FEFF, which it drops at the start of a
// run), and for a hex digit right after one, which it would take in; a
// leading @ doubled.
QByteArray escapedValue(QString text) {
  if (text.startsWith(u'@')) text.prepend(u'@');
  QByteArray out;
  bool afterHex = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    const bool pair =
        QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    const bool hex = c < 0x20 || c == 0x7f || c == 0xfeff || (QChar::isSurrogate(c) && !pair) ||
                     (afterHex && c < 0x80 && hexDigit(static_cast<char>(c)) >= 0);
    if (c == u'\\' || c == u'"')
      out += '\\' + QByteArray(1, static_cast<char>(c));
    else if (hex)
      out += "\\x" + QByteArray::number(c, 16);
    else
      out += QStringView(text).mid(i, pair ? 2 : 1).toUtf8();
    i += pair ? 1 : 0;
    afterHex = hex;
  }
  const bool quoted = text.contains(u',') || text.contains(u';') || text.contains(u'=') ||
                      text.startsWith(u' ') || text.endsWith(u' ');
  return quoted ? '"' + out + '"' : out;
}

struct Setting {
  QString section, key, value;
};

// The text with one setting in it: the key's line rewritten in place, up to a
// comment after it; a new key right under its section's header, where no line
// above can swallow it; a new section at the end, in the file's line breaks.
QByteArray withSetting(QByteArray text, const Setting& s) {
  const Section found = findSection(text, s.section);
  const QByteArray line = escapedName(s.key) + '=' + escapedValue(s.value);
  if (const auto old = found.keys.constFind(s.key); old != found.keys.cend()) {
    qsizetype end = old->end;
    while (end > old->equals + 1 && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return text.replace(old->start, end - old->start, line);
  }
  const qsizetype firstBreak = text.indexOf('\n');
  const QByteArray eol = firstBreak > 0 && text[firstBreak - 1] == '\r' ? "\r\n" : "\n";
  const qsizetype at = found.body >= 0 ? found.body : text.size();
  QByteArray added =
      found.body >= 0 ? line + eol : '[' + escapedName(s.section) + ']' + eol + line + eol;
  if (found.body < 0 && !text.isEmpty()) added.prepend(eol);  // a blank line before a new section
  if (at == text.size() && !text.isEmpty() && !text.endsWith('\n') && !text.endsWith('\r'))
    added.prepend(eol);
  return text.insert(at, added);
}

// --- The file ----------------------------------------------------------------------

struct Stored {
  enum State { Absent, Read, Refused } state = Absent;
  QByteArray bytes;
  mode_t mode = 0;  // permission bits, when read
};

// Only a regular file is read, opened without blocking and checked on the
// open handle, so that no FIFO holds the game up, not even one swapped in
// after a check by name. `forWriting` also refuses one that can't be written
// or is reached by a link.
Stored readStore(const QString& path, bool forWriting) {
  const int access = forWriting ? O_RDWR | O_NOFOLLOW : O_RDONLY;
  const int fd =
      ::open(QFile::encodeName(path).constData(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {errno == ENOENT ? Stored::Absent : Stored::Refused, {}, 0};
  Stored s{Stored::Refused, {}, 0};
  struct stat st {};
  QFile f;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
      f.open(fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) {
    s.bytes = f.readAll();
    if (f.error() == QFileDevice::NoError) s = {Stored::Read, s.bytes, st.st_mode & 07777};
  }
  ::close(fd);
  return s;
}

// Whether the folder's entry `name` is the file open as fd.
bool names(int dir, const QByteArray& name, int fd) {
  struct stat open {};
  struct stat named {};
  return ::fstat(fd, &open) == 0 &&
         ::fstatat(dir, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// A save holds its temporary file locked, so that saves of two copies of the
// game take turns. A running one is waited for a few seconds, not for ever.
// Where there are no locks (NFS without its lock service) saves go unguarded.
bool lock(int fd) {
  for (int tries = 0; tries < 300; ++tries) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno == ENOLCK) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    ::usleep(10'000);
  }
  return false;
}

// The save's temporary file beside the store, locked; -1 when it can't be
// had. One found unlocked was left by a save that was killed: it is taken
// over, so that killed saves leave nothing behind for long. Made private: it
// gets the store's permissions only once emptied.
int openSaveFile(int dir, const QByteArray& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int fd = ::openat(dir, name.constData(),
                            O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !lock(fd)) {
      if (fd >= 0) ::close(fd);
      return -1;
    }
    if (names(dir, name, fd)) return fd;
    ::close(fd);  // the save that held it has renamed or removed it since
  }
  return -1;
}

// Emptied, given its permissions before any text goes in, filled (a short
// write, as on a full disk, fails) and on disk before the rename.
bool fill(int fd, const QByteArray& text, mode_t mode) {
  QFile f;
  return ::ftruncate(fd, 0) == 0 && ::fchmod(fd, mode) == 0 &&
         f.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle) &&
         f.write(text) == text.size() && f.flush() && ::fsync(fd) == 0;
}

// The permissions of a new store: those of any file made anew.
mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// --- What is gathered, and the snapshot -------------------------------------------

// What SaveSetting gathered and no flush has written yet, per store file, in
// the order saved. Kept until a flush succeeds, so a failed one loses nothing.
QMap<QString, QList<Setting>>& gathered() {
  static QMap<QString, QList<Setting>> settings;
  return settings;
}

// The stores' folder that tests chose; a null text means the user's own.
QString& chosenFolder() {
  static QString folder;
  return folder;
}

// The store's file and bytes as a SettingsSnapshot took them, while one lives.
std::optional<std::pair<QString, QByteArray>>& snapshot() {
  static std::optional<std::pair<QString, QByteArray>> s;
  return s;
}

}  // namespace

QString StorableText(const QString& text) {
  if (QStringView(text).isValidUtf16()) return text;
  QString out = text;
  for (qsizetype i = 0; i < out.size(); ++i) {
    if (out.at(i).isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
      ++i;
    else if (out.at(i).isSurrogate())
      out[i] = QChar::ReplacementCharacter;
  }
  return out;
}

QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& def) {
  const QString file = settingsFile(app);
  for (const Setting& s : gathered().value(file))
    if (s.section == section && s.key == key) return s.value;
  const QByteArray bytes =
      snapshot() && snapshot()->first == file ? snapshot()->second : readStore(file, false).bytes;
  return storedText(bytes, section, key).value_or(def);
}

void SaveSetting(const QString& app, const QString& section, const QString& key,
                 const QString& value) {
  QList<Setting>& settings = gathered()[settingsFile(app)];
  const auto same = [&](const Setting& s) { return s.section == section && s.key == key; };
  if (const auto s = std::find_if(settings.begin(), settings.end(), same); s != settings.end())
    s->value = StorableText(value);
  else
    settings << Setting{section, key, StorableText(value)};
}

bool FlushSettings(const QString& app) {
  const QString file = settingsFile(app);
  const auto pending = gathered().find(file);
  if (pending == gathered().end() || pending->isEmpty()) return true;

  const QFileInfo info(file);
  if (!QDir().mkpath(info.absolutePath())) return false;  // e.g. a file in the folder's place
  // A linked store is replaced at its target, so that the link stays. Beside
  // what is no store (a link to nothing, a FIFO, a device) nothing is made.
  const QFileInfo target(info.isSymLink() ? info.canonicalFilePath() : file);
  if (target.filePath().isEmpty() || (target.exists() && !target.isFile())) return false;

  const int dir = ::open(QFile::encodeName(target.absolutePath()).constData(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  const QByteArray store = QFile::encodeName(target.fileName());
  const QByteArray temporary = store + ".qelsave";
  const int fd = openSaveFile(dir, temporary);
  QByteArray text;
  bool saved = false;
  if (fd >= 0) {
    // Read under the lock, so that what another save wrote stays. A store
    // that can't be read and written is left alone: it holds what we'd lose.
    const Stored current = readStore(target.filePath(), true);
    text = current.bytes;
    // Last first, as each new key goes right under its header.
    for (auto s = pending->crbegin(); s != pending->crend(); ++s) text = withSetting(text, *s);
    // An end that swallows what comes after (an open quote, a trailing
    // backslash) takes no texts: no success is reported for them.
    const auto readsBack = [&](const Setting& s) {
      return storedText(text, s.section, s.key) == s.value;
    };
    saved = current.state != Stored::Refused &&
            std::all_of(pending->cbegin(), pending->cend(), readsBack) &&
            fill(fd, text, current.state == Stored::Read ? current.mode : newFileMode()) &&
            ::renameat(dir, temporary.constData(), dir, store.constData()) == 0;
    if (!saved) ::unlinkat(dir, temporary.constData(), 0);
    ::close(fd);
  }
  ::close(dir);
  if (!saved) return false;
  gathered().erase(pending);
  if (snapshot() && snapshot()->first == file) snapshot()->second = text;  // ours from now on
  return true;
}

SettingsSnapshot::SettingsSnapshot(const QString& app) {
  const QString file = settingsFile(app);
  snapshot().reset();
  snapshot().emplace(file, readStore(file, false).bytes);
}

SettingsSnapshot::~SettingsSnapshot() { snapshot().reset(); }

void setSettingsFolder(const QString& folder) { chosenFolder() = folder; }

// Where the store lives, worked out without opening anything.
QString settingsFile(const QString& app) {
  const QString folder =
      chosenFolder().isNull()
          ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
          : chosenFolder();
  return QFileInfo(folder + QLatin1Char('/') + app + QLatin1Char('/') + app +
                   QStringLiteral(".ini"))
      .absoluteFilePath();
}

}  // namespace qel::rt
