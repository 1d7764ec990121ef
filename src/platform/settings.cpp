// The per-user settings store: one INI file per application, read and written
// through QSettings. Values are always texts.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QPair>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <cstdio>
#include <ctime>
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

// Only a regular file is ever opened: opening a FIFO blocks until a writer
// comes, and a device or a socket holds no store. Links are followed; a
// dangling one is no file.
std::optional<struct stat> regularFile(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
    return std::nullopt;
  return st;
}

// What tells one version of a file from another without reading it.
struct FileIdentity {
  dev_t device;
  ino_t inode;
  off_t size;
  time_t modifiedSeconds;
  long modifiedNanoseconds;
  time_t changedSeconds;
  long changedNanoseconds;
  bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const struct stat& st) {
  return {st.st_dev,          st.st_ino,         st.st_size,        st.st_mtim.tv_sec,
          st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec};
}

// The texts of the store, parsed once per version of the file: start-up reads
// its 41 keys one after another, and one stat a read tells whether the file
// changed in between.
const Texts& storedTexts(const QString& file) {
  static const Texts none;  // nothing there, a folder, a FIFO, a device...
  static QString parsedFile;
  static FileIdentity parsedIdentity{};
  static Texts parsed;
  const auto st = regularFile(file);
  if (!st) return none;
  // Taken before the read: a change while reading shows as a new identity next time.
  const FileIdentity identity = identityOf(*st);
  if (parsedFile != file || !(parsedIdentity == identity)) {
    // An unreadable file reads as an empty store.
    parsed = textsOf(QSettings(file, QSettings::IniFormat));
    parsedFile = file;
    parsedIdentity = identity;
  }
  return parsed;
}

// The key as QSettings spells it: no empty parts between slashes.
QString normalizedKey(const QString& key) {
  return key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

// The stores' folder that tests chose; a null text means the user's own.
QString& chosenFolder() {
  static QString folder;
  return folder;
}

// Whether the named entry of the folder is the file open as fd.
bool sameFile(int fd, int dir, const QByteArray& name) {
  struct stat open {};
  struct stat named {};
  return ::fstat(fd, &open) == 0 &&
         ::fstatat(dir, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// Removes the files of one save, its lock last. Names are taken within the
// folder and never followed: a link goes, its target stays. Errors are
// ignored; a leftover only costs room.
void removeSaveFiles(int dir, const QList<QByteArray>& files, const QByteArray& lock) {
  for (const QByteArray& f : files) ::unlinkat(dir, f.constData(), 0);
  if (!lock.isEmpty()) ::unlinkat(dir, lock.constData(), 0);
}

// The length of the id (1 to 13 lower-case base-36 digits, as 64 random bits
// give) that starts at `from`, or 0 when there is none.
qsizetype idLength(const QByteArray& name, qsizetype from) {
  qsizetype end = from;
  while (end < name.size() &&
         ((name[end] >= '0' && name[end] <= '9') || (name[end] >= 'a' && name[end] <= 'z')))
    ++end;
  return end - from <= 13 ? end - from : 0;
}

// A save names its lock `<store>.qelsave-<id>` (id: 1 to 13 base-36 digits)
// and every other file it makes `<lock>.<anything>`. The lock's name, or
// nothing for a name of another pattern.
std::optional<QByteArray> saveLockOf(const QByteArray& name, const QByteArray& store) {
  const QByteArray prefix = store + ".qelsave-";
  if (!name.startsWith(prefix)) return std::nullopt;
  const qsizetype end = prefix.size() + idLength(name, prefix.size());
  if (end == prefix.size() || (end < name.size() && name[end] != '.')) return std::nullopt;
  return name.left(end);
}

// The previous version of the program wrote `<store>.<id>.new`, `.chk` and
// QSettings' `.new.lock` with no lock of their own, so a running copy of it
// can't be told from a dead one: such files go only once they are an hour old.
bool isOldLeftover(int dir, const QByteArray& name, const QByteArray& store) {
  const QByteArray prefix = store + '.';
  if (!name.startsWith(prefix)) return false;
  const qsizetype id = idLength(name, prefix.size());
  if (id == 0) return false;
  const QByteArray kind = name.mid(prefix.size() + id);
  if (kind != ".new" && kind != ".chk" && kind != ".new.lock") return false;
  struct stat st {};
  constexpr time_t kHour = 3600;
  return ::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
         st.st_mtim.tv_sec < std::time(nullptr) - kHour;
}

// Removes what earlier saves that were cut short left beside the store, and
// nothing else: a lock that can be taken belongs to a save whose process has
// died (the kernel drops a flock with its owner, even on SIGKILL); a lock held
// by a running save, here or on another machine sharing the folder, is left
// alone, and so is one that can't be opened or locked at all.
void removeLeftovers(int dir, const QByteArray& store, const QByteArray& ownLock) {
  const int listing = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* d = listing >= 0 ? ::fdopendir(listing) : nullptr;
  if (!d) {
    if (listing >= 0) ::close(listing);
    return;
  }
  QMap<QByteArray, QList<QByteArray>> saves;  // lock -> the save's other files
  QList<QByteArray> old;
  while (const dirent* e = ::readdir(d)) {
    const QByteArray name(e->d_name);
    if (const auto lock = saveLockOf(name, store)) {
      auto& files = saves[*lock];
      if (name != *lock) files << name;
    } else if (isOldLeftover(dir, name, store)) {
      old << name;
    }
  }
  ::closedir(d);

  for (auto s = saves.cbegin(); s != saves.cend(); ++s) {
    if (s.key() == ownLock) continue;
    // Read-write: on NFS a flock is a write lock, which needs a writable file.
    const int fd = ::openat(dir, s.key().constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      // A save makes its lock before any other file and drops it last, so
      // files without one were left by a clean-up that was itself cut short.
      if (errno == ENOENT) removeSaveFiles(dir, s.value(), {});
      continue;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        sameFile(fd, dir, s.key()))
      removeSaveFiles(dir, s.value(), s.key());
    ::close(fd);
  }
  removeSaveFiles(dir, old, {});
}

// The mark of a save in progress: an empty file `<store>.qelsave-<id>` beside
// the store, under flock for the whole save. Every other file of the save
// starts with its name.
class SaveLock {
 public:
  explicit SaveLock(const QString& store) {
    const QFileInfo info(store);
    folder_ = info.absolutePath();
    dir_ = ::open(QFile::encodeName(folder_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_ < 0) return;
    store_ = QFile::encodeName(info.fileName());
    for (int attempt = 0; attempt < 5 && fd_ < 0; ++attempt) {
      // From the system's source: copies of a forked process must not share names.
      name_ =
          store_ + ".qelsave-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
      const int fd = ::openat(dir_, name_.constData(),
                              O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        return;
      }
      int locked;
      do locked = ::flock(fd, LOCK_EX);
      while (locked != 0 && errno == EINTR);
      // A clean-up elsewhere may have taken the new file for a dead save's
      // lock before it was locked here, and removed it: then a new name.
      // Where there are no locks at all (an NFS mount without its lock
      // service) the file still marks the save, as clean-ups can't take it.
      if (sameFile(fd, dir_, name_))
        fd_ = fd;
      else
        ::close(fd);
    }
  }
  ~SaveLock() {
    if (fd_ >= 0) {
      removeSaveFiles(dir_, {name_ + ".new", name_ + ".chk"}, name_);
      ::close(fd_);
    }
    if (dir_ >= 0) ::close(dir_);
  }
  SaveLock(const SaveLock&) = delete;
  SaveLock& operator=(const SaveLock&) = delete;

  bool held() const { return fd_ >= 0; }
  // The path every file of this save starts with.
  QString stem() const { return folder_ + QLatin1Char('/') + QFile::decodeName(name_); }
  void removeLeftoversOfOthers() const { removeLeftovers(dir_, store_, name_); }

 private:
  QString folder_;
  QByteArray store_;  // the store's file name
  QByteArray name_;   // the lock's file name
  int dir_ = -1;
  int fd_ = -1;
};

}  // namespace

QString GetSetting(const QString& app, const QString& section, const QString& key,
                   const QString& def) {
  const QString file = settingsFile(app);
  const auto pending = gathered().constFind(file);
  if (pending != gathered().cend()) {
    const auto v = pending->constFind({section, key});
    if (v != pending->cend()) return *v;
  }
  const Texts& texts = storedTexts(file);
  const auto v = texts.constFind(normalizedKey(fullKey(section, key)));
  return v == texts.cend() ? def : v->value_or(def);
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
  // Anything at the path but a regular file or a link to one (a FIFO, a
  // device, a dangling link) is left alone.
  struct stat there {};
  const bool present = ::lstat(QFile::encodeName(file).constData(), &there) == 0;
  if (present ? !regularFile(file) : errno != ENOENT) return false;
  // A linked store is replaced at its target, so the link survives.
  const QString target = old.exists() ? old.canonicalFilePath() : old.absoluteFilePath();
  if (old.exists()) {
    // One the user made read-only: leave it alone.
    QFile probe(target);
    if (!probe.open(QIODevice::ReadWrite)) return false;
  }
  const QSettings current(target, QSettings::IniFormat);
  // What can't be read would be lost by writing over it.
  if (current.status() == QSettings::AccessError) return false;

  // The new store is written beside the old one under names that no earlier
  // flush used, so the old file stays as it is until one rename replaces it.
  const SaveLock lock(target);
  if (!lock.held()) return false;  // no file can be made beside the store
  lock.removeLeftoversOfOthers();
  const QString written = lock.stem() + QStringLiteral(".new");
  const QString check = lock.stem() + QStringLiteral(".chk");
  Texts expected;
  {
    QSettings out(written, QSettings::IniFormat);
    for (const QString& k : current.allKeys())
      if (!k.isEmpty()) out.setValue(k, current.value(k));  // a hand-broken line may give none
    for (auto v = pending->cbegin(); v != pending->cend(); ++v)
      out.setValue(fullKey(v.key().first, v.key().second), v.value());
    expected = textsOf(out);
    out.sync();
    if (out.status() != QSettings::NoError) return false;  // the lock removes what was written
  }
  // QSettings reports success for a file cut short by a partial write (a full
  // disk), so the copy is read back, under a name its cache has never seen,
  // before it may replace the store.
  if (!renameOver(written, check)) return false;
  bool intact = false;
  {
    const QSettings back(check, QSettings::IniFormat);
    intact = back.status() == QSettings::NoError && textsOf(back) == expected;
  }
  if (intact && old.exists()) QFile::setPermissions(check, QFile::permissions(target));
  if (intact) setApartFrom(check, QFileInfo(target));
  if (!intact || !renameOver(check, target)) return false;
  gathered().erase(pending);
  return true;
}

void setSettingsFolder(const QString& folder) {
  chosenFolder() = folder;
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

// Where QSettings keeps the store, worked out without opening anything: a
// QSettings object reads its files as soon as it is made.
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
