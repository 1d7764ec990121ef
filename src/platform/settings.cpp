// The per-user settings store: one INI file per application, whose values are
// texts. SaveSetting gathers texts in memory; FlushSettings merges them into
// what the file holds and replaces the file in one piece (storefile.h), in a
// spelling that reads back as written (inifile.h).
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

#include "platform/inifile.h"
#include "platform/runtime.h"
#include "platform/storefile.h"

namespace qel::rt {

namespace {

// What SaveSetting gathered and no flush has written yet, per store file.
// Kept until a flush succeeds, so a failed one loses nothing.
QMap<QString, inifile::Values>& gathered() {
  static QMap<QString, inifile::Values> values;
  return values;
}

// The stores' folder that tests chose; a null text means the user's own.
QString& chosenFolder() {
  static QString folder;
  return folder;
}

// The store as a SettingsSnapshot took it, while one lives.
struct Snapshot {
  QString file;
  inifile::Values values;
};
std::optional<Snapshot>& snapshot() {
  static std::optional<Snapshot> s;
  return s;
}

// The key as QSettings gives it: section and key, no empty parts between slashes.
QString fullKey(const QString& section, const QString& key) {
  return (section + QLatin1Char('/') + key)
      .split(QLatin1Char('/'), Qt::SkipEmptyParts)
      .join(QLatin1Char('/'));
}

// The text behind a stored value. QSettings splits an unquoted value at its
// commas and trims the blanks around each one, so a hand-edited "a, b"
// arrives as a list and is joined back with ", ". Values of other kinds (a
// hand-written "@Rect(...)") are no text.
std::optional<QString> storedText(const QVariant& v) {
  if (!v.isValid()) return std::nullopt;
  const int type = v.typeId();
  if (type == QMetaType::QString) return v.toString();
  if (type == QMetaType::QStringList || type == QMetaType::QVariantList) {
    QStringList parts;
    for (const QVariant& item : v.toList()) parts << storedText(item).value_or(QString());
    return parts.join(QStringLiteral(", "));
  }
  if (v.canConvert<QString>()) return v.toString();
  return std::nullopt;
}

// The store as it is now. Anything but a regular file, and one that can't be
// read, reads as an empty store.
inifile::Values storedValues(const QString& file) {
  if (snapshot() && snapshot()->file == file) return snapshot()->values;
  const storefile::Contents c = storefile::read(file, false);
  if (c.state != storefile::Contents::Read) return {};
  return inifile::parse(c.bytes).value_or(inifile::Values{});
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
  const QString k = fullKey(section, key);
  const inifile::Values pending = gathered().value(file);
  if (pending.contains(k)) return pending.value(k).toString();
  return storedText(storedValues(file).value(k)).value_or(def);
}

void SaveSetting(const QString& app, const QString& section, const QString& key,
                 const QString& value) {
  gathered()[settingsFile(app)].insert(fullKey(section, key), StorableText(value));
}

bool FlushSettings(const QString& app) {
  const QString file = settingsFile(app);
  const auto pending = gathered().find(file);
  if (pending == gathered().end() || pending->isEmpty()) return true;

  const QFileInfo info(file);
  if (!QDir().mkpath(info.absolutePath())) return false;  // e.g. a file in the folder's place
  // A linked store is replaced at its target, so that the link stays; a link
  // to nothing, or to itself, is no store.
  const QString target = info.isSymLink() ? info.canonicalFilePath() : file;
  if (target.isEmpty()) return false;
  // What the store holds is kept beside the new texts. One that can't be read
  // and written (made read-only by the user, a FIFO, a device...) is left
  // alone: writing over it would lose what it holds.
  const storefile::Contents current = storefile::read(target, true);
  if (current.state == storefile::Contents::Refused) return false;
  std::optional<inifile::Values> values = current.state == storefile::Contents::Read
                                              ? inifile::parse(current.bytes)
                                              : inifile::Values{};
  if (!values) return false;
  values->insert(*pending);
  if (!storefile::replace(target, inifile::text(*values), current.mode)) return false;
  gathered().erase(pending);
  return true;
}

SettingsSnapshot::SettingsSnapshot(const QString& app) {
  const QString file = settingsFile(app);
  snapshot().reset();
  snapshot() = Snapshot{file, storedValues(file)};
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
