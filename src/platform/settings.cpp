// The per-user settings store: one INI file per application, read and written
// through QSettings. Values are always texts.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPair>
#include <QRandomGenerator>
#include <QSettings>
#include <cstdio>
#include <optional>

#include "platform/runtime.h"

namespace qel::rt {

namespace {

using Values = QMap<QPair<QString, QString>, QString>;  // (section, key) -> text
using Texts = QMap<QString, std::optional<QString>>;    // full key -> text

// What SaveSetting gathered and no flush has written yet, per store file.
// Kept until a flush succeeds, so a failed one loses nothing.
QMap<QString, Values>& gathered() {
  static QMap<QString, Values> values;
  return values;
}

QString fullKey(const QString& section, const QString& key) {
  return section.isEmpty() ? key : section + QLatin1Char('/') + key;
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

// The file holds UTF-8, where a lone surrogate has no place: it is kept as
// U+FFFD from the start, so the text read back is the text that was saved.
QString storable(const QString& text) {
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

Texts textsOf(const QSettings& s) {
  Texts texts;
  for (const QString& k : s.allKeys())
    if (!k.isEmpty()) texts.insert(k, storedText(s.value(k)));
  return texts;
}

// POSIX rename replaces the target in one step; QFile::rename refuses to.
bool renameOver(const QString& from, const QString& to) {
  return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// QSettings keeps parsed files in a cache and trusts it while a file keeps
// its size and its time to the millisecond: the new store must not look like
// the old one, or readers would go on seeing the old values.
void setApartFrom(const QString& name, const QFileInfo& old) {
  if (!old.exists()) return;
  const QFileInfo fresh(name);
  const QDateTime was = old.lastModified();
  if (fresh.size() != old.size() || fresh.lastModified() > was) return;
  QFile f(name);
  if (f.open(QIODevice::ReadWrite))
    f.setFileTime(was.addMSecs(1), QFileDevice::FileModificationTime);
}

}  // namespace

QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& def) {
  const QString file = settingsFile(app);
  const auto pending = gathered().constFind(file);
  if (pending != gathered().cend()) {
    const auto v = pending->constFind({section, key});
    if (v != pending->cend()) return *v;
  }
  // An unreadable file, or a folder in its place, reads as an empty store.
  const QSettings s(file, QSettings::IniFormat);
  const QString k = fullKey(section, key);
  if (!s.contains(k)) return def;
  return storedText(s.value(k)).value_or(def);
}

void SaveSetting(const QString& app, const QString& section, const QString& key,
                 const QString& value) {
  gathered()[settingsFile(app)].insert({section, key}, storable(value));
}

bool FlushSettings(const QString& app) {
  const QString file = settingsFile(app);
  const auto pending = gathered().find(file);
  if (pending == gathered().end() || pending->isEmpty()) return true;

  const QFileInfo old(file);
  if (!QDir().mkpath(old.absolutePath())) return false;  // e.g. a file in the folder's place
  // A linked store is replaced at its target, so the link survives.
  const QString target = old.exists() ? old.canonicalFilePath() : old.absoluteFilePath();
  if (old.exists()) {
    // Not a file, or one the user made read-only: leave it alone.
    QFile probe(target);
    if (!old.isFile() || !probe.open(QIODevice::ReadWrite)) return false;
  }
  const QSettings current(target, QSettings::IniFormat);
  // What can't be read would be lost by writing over it.
  if (current.status() == QSettings::AccessError) return false;

  // The new store is written beside the old one under names that no earlier
  // flush used, so the old file stays as it is until one rename replaces it.
  const QString base =
      target + QLatin1Char('.') + QString::number(QRandomGenerator::global()->generate64(), 36);
  const QString written = base + QStringLiteral(".new");
  const QString check = base + QStringLiteral(".chk");
  Texts expected;
  {
    QSettings out(written, QSettings::IniFormat);
    for (const QString& k : current.allKeys())
      if (!k.isEmpty()) out.setValue(k, current.value(k));  // a hand-broken line may give none
    for (auto v = pending->cbegin(); v != pending->cend(); ++v)
      out.setValue(fullKey(v.key().first, v.key().second), v.value());
    expected = textsOf(out);
    out.sync();
    if (out.status() != QSettings::NoError) {
      QFile::remove(written);
      return false;
    }
  }
  // QSettings reports success for a file cut short by a partial write (a full
  // disk), so the copy is read back, under a name its cache has never seen,
  // before it may replace the store.
  if (!renameOver(written, check)) {
    QFile::remove(written);
    return false;
  }
  bool intact = false;
  {
    const QSettings back(check, QSettings::IniFormat);
    intact = back.status() == QSettings::NoError && textsOf(back) == expected;
  }
  if (intact && old.exists()) QFile::setPermissions(check, QFile::permissions(target));
  if (intact) setApartFrom(check, QFileInfo(target));
  if (!intact || !renameOver(check, target)) {
    QFile::remove(check);
    return false;
  }
  gathered().erase(pending);
  return true;
}

void setSettingsFolder(const QString& folder) {
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

QString settingsFile(const QString& app) {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, app, app).fileName();
}

}  // namespace qel::rt
