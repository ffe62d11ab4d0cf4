#pragma once
// Files on the host's file system that are read or replaced whole, and only
// when they are regular files: each system's way in linux/regular_files.cpp
// and windows/regular_files.cpp.

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// Reads at most `limit` bytes from the start of the file `name`, which must
// be a regular file: a FIFO, a device, a socket or a folder (also behind a
// link) is refused at once, never waited on. On failure returns nothing and
// puts the reason in `why`.
std::optional<QByteArray> readRegularFile(const QString& name, qsizetype limit, QString* why);

// Replaces the file `name` with `bytes` as a whole, or leaves it as it was:
// a new file is written beside it, checked to the disk and only then put in
// its place. Only a regular file (or no file yet) is replaced; through a
// link, the regular file it names. A FIFO, a device, a folder, a link to
// one of those or to nothing is refused. On failure returns false and puts
// the reason in `why`.
bool replaceRegularFile(const QString& name, const QByteArray& bytes, QString* why);

// Whether `name` can be replaced by replaceRegularFile: a regular file, a
// link to one, or nothing yet. Otherwise false, and the reason in `why`.
bool writableTarget(const QString& name, QString* why);

} // namespace platform
