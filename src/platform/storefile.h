#pragma once
// The settings store's file on disk: read only when it is a regular file,
// replaced whole by one rename, and cleaned of what killed saves left.
#include <sys/types.h>

#include <QByteArray>
#include <QString>

namespace qel::rt::storefile {

struct Contents {
  enum State { Absent, Read, Refused } state = Absent;
  QByteArray bytes;
  mode_t mode = 0;  // permission bits, when read
};

// The file's bytes. Refused for anything but a regular file (a FIFO, a
// device, a folder, a link to nothing), for a file that can't be read, and,
// when `forWriting`, for one that can't be written or is reached by a link.
Contents read(const QString& path, bool forWriting);

// Replaces the file at `path` with `bytes` (permission bits `mode`, or the
// default for a new file when 0) through a temporary file beside it and one
// rename. False, with the old file as it was, when anything fails.
bool replace(const QString& path, const QByteArray& bytes, mode_t mode);

}  // namespace qel::rt::storefile
