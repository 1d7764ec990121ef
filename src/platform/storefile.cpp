#include "platform/storefile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMap>
#include <QRandomGenerator>
#include <cerrno>
#include <optional>

namespace qel::rt::storefile {

namespace {

bool readAll(int fd, QByteArray& bytes) {
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0)
      bytes.append(buffer, n);
    else if (n == 0)
      return true;
    else if (errno != EINTR)
      return false;
  }
}

// write() may take only part of the bytes (a full disk does that); the rest
// is retried until it fails outright.
bool writeAll(int fd, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n > 0)
      done += n;
    else if (n == 0 || errno != EINTR)
      return false;
  }
  return true;
}

// Whether the folder's entry `name` is the file open as fd.
bool sameFile(int fd, int dir, const QByteArray& name) {
  struct stat open {};
  struct stat named {};
  return ::fstat(fd, &open) == 0 &&
         ::fstatat(dir, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

// A save writes the new store into `<store>.qelsave-<id>` and holds it under
// flock until it is renamed over the store. Such a file whose lock can be
// taken was left by a save that died: the kernel drops a flock with its
// owner, even on SIGKILL. Saves of the previous version also left files named
// `<that name>.<anything>` (.new, .chk, ...); they go with it.
//
// The name of the save such a file belongs to, or nothing for other names.
std::optional<QByteArray> saveOf(const QByteArray& name, const QByteArray& store) {
  const QByteArray prefix = store + ".qelsave-";
  if (!name.startsWith(prefix)) return std::nullopt;
  qsizetype end = prefix.size();  // the id: 1 to 13 base-36 digits, as 64 random bits give
  while (end < name.size() &&
         ((name[end] >= '0' && name[end] <= '9') || (name[end] >= 'a' && name[end] <= 'z')))
    ++end;
  const qsizetype id = end - prefix.size();
  if (id == 0 || id > 13 || (end < name.size() && name[end] != '.')) return std::nullopt;
  return name.left(end);
}

// Removes the files of saves that died, and nothing else: not the store, not
// a file of a running save (here or on another machine sharing the folder),
// not one that can't be opened or locked at all. Names are removed within
// the folder and never followed: a link goes, its target stays. Errors are
// ignored; a leftover only costs room.
void removeDeadSaves(int dir, const QByteArray& store, const QByteArray& own) {
  const int listing = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* d = listing >= 0 ? ::fdopendir(listing) : nullptr;
  if (!d) {
    if (listing >= 0) ::close(listing);
    return;
  }
  QMap<QByteArray, QList<QByteArray>> saves;  // a save's name -> its other files
  while (const dirent* e = ::readdir(d)) {
    const QByteArray name(e->d_name);
    if (const auto save = saveOf(name, store)) {
      auto& files = saves[*save];
      if (name != *save) files << name;
    }
  }
  ::closedir(d);

  const auto removeAll = [dir](const QList<QByteArray>& files) {
    for (const QByteArray& f : files) ::unlinkat(dir, f.constData(), 0);
  };
  for (auto s = saves.begin(); s != saves.end(); ++s) {
    if (s.key() == own) continue;
    // Read-write: on NFS a flock is a write lock, which needs a writable file.
    const int fd = ::openat(dir, s.key().constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      // Files without their save's own were left by a clean-up cut short.
      if (errno == ENOENT) removeAll(s.value());
      continue;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        sameFile(fd, dir, s.key()))
      removeAll(s.value() << s.key());
    ::close(fd);
  }
}

// Makes this save's file, locked, and sets `name` to its name; -1 when no
// file can be made beside the store.
int createSaveFile(int dir, const QByteArray& store, QByteArray& name) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    // From the system's source: copies of a forked process must not share names.
    name = store + ".qelsave-" + QByteArray::number(QRandomGenerator::system()->generate64(), 36);
    const int fd =
        ::openat(dir, name.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    int locked;
    do locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    // Another save's clean-up may have taken the new file for a dead save's
    // before it was locked here, and removed it: then a new name. Where there
    // are no locks at all (NFS without its lock service) the file still
    // marks the save, as clean-ups can't lock it either.
    if (sameFile(fd, dir, name)) return fd;
    ::close(fd);
  }
  return -1;
}

}  // namespace

Contents read(const QString& path, bool forWriting) {
  // Opened without blocking and checked on the open handle, so that no FIFO
  // holds the game up, not even one swapped in after a check by name.
  const int access = forWriting ? O_RDWR | O_NOFOLLOW : O_RDONLY;
  const int fd =
      ::open(QFile::encodeName(path).constData(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return {errno == ENOENT ? Contents::Absent : Contents::Refused, {}, 0};
  Contents c{Contents::Refused, {}, 0};
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && readAll(fd, c.bytes)) {
    c.state = Contents::Read;
    c.mode = st.st_mode & 07777;
  }
  ::close(fd);
  return c;
}

bool replace(const QString& path, const QByteArray& bytes, mode_t mode) {
  const QFileInfo info(path);
  const int dir = ::open(QFile::encodeName(info.absolutePath()).constData(),
                         O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return false;
  const QByteArray store = QFile::encodeName(info.fileName());
  QByteArray name;
  const int fd = createSaveFile(dir, store, name);
  bool replaced = false;
  if (fd >= 0) {
    removeDeadSaves(dir, store, name);
    replaced = writeAll(fd, bytes) && (mode == 0 || ::fchmod(fd, mode) == 0) && ::fsync(fd) == 0 &&
               ::renameat(dir, name.constData(), dir, store.constData()) == 0;
    if (!replaced) ::unlinkat(dir, name.constData(), 0);
    ::close(fd);
  }
  ::close(dir);
  return replaced;
}

}  // namespace qel::rt::storefile
