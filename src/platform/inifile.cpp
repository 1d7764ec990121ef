#include "platform/inifile.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArrayList>
#include <QDataStream>
#include <QFile>
#include <QSettings>

namespace qel::rt::inifile {

namespace {

bool isHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A key as QSettings parses it back: letters, digits and `_-.` as they are,
// `/` as `\`, every other character as %XX or %UXXXX.
QByteArray escapedKey(const QString& key) {
  QByteArray out;
  for (const QChar qc : key) {
    const char16_t c = qc.unicode();
    if (c == u'/')
      out += '\\';
    else if ((c < 0x80 && qc.isLetterOrNumber()) || c == u'_' || c == u'-' || c == u'.')
      out += static_cast<char>(c);
    else if (c <= 0xff)
      out += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
    else
      out += "%U" + QByteArray::number(c, 16).toUpper().rightJustified(4, '0');
  }
  return out;
}

// A value's text as QSettings parses it back. `\` escapes and `"` quotes (the
// parser splits at `,` and `;` and trims blanks outside them). `\x` is used
// for what the parser would not keep as it stands: control characters, lone
// surrogates, and U+FEFF, which it drops at the start of a run of raw text;
// the hex digit right after such an escape is escaped too, or the escape
// would take it in. `bytes`: the text stands for bytes, kept out of UTF-8.
QByteArray escaped(const QString& text, bool bytes = false) {
  QByteArray out;
  bool afterHex = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    const bool pair =
        QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (c == u'\\' || c == u'"') {
      out += '\\';
      out += static_cast<char>(c);
      afterHex = false;
    } else if (c < 0x20 || c == 0x7f || c == 0xfeff || (bytes && c > 0x7f) ||
               (QChar::isSurrogate(c) && !pair) || (afterHex && isHexDigit(c))) {
      out += "\\x" + QByteArray::number(c, 16);
      afterHex = true;
    } else {
      out += QStringView(text).mid(i, pair ? 2 : 1).toUtf8();
      i += pair ? 1 : 0;
      afterHex = false;
    }
  }
  const bool quoted = text.contains(u',') || text.contains(u';') || text.contains(u'=') ||
                      text.startsWith(u' ') || text.endsWith(u' ');
  return quoted ? '"' + out + '"' : out;
}

// A value as QSettings spells it: a text that starts with @ gets another, as
// @ marks the other kinds, which go as QDataStream bytes; list items are
// joined with commas.
QByteArray spelled(const QVariant& v) {
  const int type = v.typeId();
  if (type == QMetaType::QString) {
    const QString s = v.toString();
    return escaped(s.startsWith(u'@') ? u'@' + s : s);
  }
  if (type == QMetaType::QStringList || type == QMetaType::QVariantList) {
    QByteArrayList items;
    for (const QVariant& item : v.toList()) items << spelled(item);
    return items.join(", ");
  }
  if (!v.isValid()) return "@Invalid()";
  QByteArray data;
  QDataStream stream(&data, QIODevice::WriteOnly);
  stream.setVersion(QDataStream::Qt_4_0);
  stream << v;
  return escaped("@Variant(" + QString::fromLatin1(data) + ')', true);
}

}  // namespace

std::optional<Values> parse(const QByteArray& text) {
  // QSettings parses only files that it opens by name, and keeps what it
  // parsed by name, size and time. Each text gets a file in memory of its
  // own, dated apart from every earlier one, so that no parse is served from
  // that cache.
  static qint64 parses = 0;
  const int fd = ::memfd_create("qel-store", MFD_CLOEXEC);
  if (fd < 0) return std::nullopt;
  const timespec times[2] = {{0, UTIME_OMIT}, {++parses, 0}};
  QFile memory;
  std::optional<Values> values;
  if (memory.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle) &&
      memory.write(text) == text.size() && memory.flush() && ::futimens(fd, times) == 0) {
    const QSettings settings("/proc/self/fd/" + QString::number(fd), QSettings::IniFormat);
    values.emplace();
    for (const QString& key : settings.allKeys())
      if (!key.isEmpty()) values->insert(key, settings.value(key));
  }
  memory.close();
  ::close(fd);
  return values;
}

QByteArray text(const Values& values) {
  QMap<QString, QByteArray> sections;
  for (auto v = values.cbegin(); v != values.cend(); ++v) {
    const qsizetype slash = v.key().indexOf(u'/');
    const QString section = slash < 0 ? QString() : v.key().left(slash);
    sections[section] += escapedKey(v.key().mid(slash + 1)) + '=' + spelled(v.value()) + '\n';
  }
  QByteArray out;
  for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
    // Keys outside any section stand under [General]; a section of that
    // name is spelled [%General].
    const QString& name = s.key();
    const QByteArray header = name.isEmpty() ? "General"
                              : name.compare(u"general", Qt::CaseInsensitive) == 0
                                  ? "%General"
                                  : escapedKey(name);
    if (!out.isEmpty()) out += '\n';
    out += '[' + header + "]\n" + s.value();
  }
  return out;
}

}  // namespace qel::rt::inifile
