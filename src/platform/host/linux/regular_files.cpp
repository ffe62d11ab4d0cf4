#include "platform/host/regular_files.h"

#include <QFile>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::optional<QByteArray> readRegularFile(const QString& name, qsizetype limit, QString* why)
{
    const auto refuse = [why](const QString& reason) -> std::optional<QByteArray> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    // Opening without blocking: a FIFO with no writer would otherwise wait
    // for ever. Whether it is a regular file is asked of the open file, so
    // nothing can be swapped in between.
    const QByteArray path = QFile::encodeName(name);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return refuse(QStringLiteral("not a regular file"));
    }
    QByteArray bytes(std::min<qsizetype>(limit, qsizetype(info.st_size)), Qt::Uninitialized);
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int saved = errno;
            ::close(fd);
            return refuse(QString::fromLocal8Bit(std::strerror(saved)));
        }
        if (n == 0)
            break;
        got += n;
    }
    ::close(fd);
    bytes.truncate(got);
    return bytes;
}

namespace {

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// The file a write to `name` must replace: `name` itself when it is a
// regular file or nothing yet, the regular file a link names; nothing for
// anything else.
std::optional<QByteArray> targetOf(const QString& name, QString* why)
{
    const QByteArray path = QFile::encodeName(name);
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0) {
        if (errno == ENOENT)
            return path; // a new file
        *why = systemError(errno);
        return std::nullopt;
    }
    if (S_ISREG(info.st_mode))
        return path;
    if (S_ISLNK(info.st_mode)) {
        char* resolved = ::realpath(path.constData(), nullptr);
        const bool regular = resolved && ::stat(resolved, &info) == 0 && S_ISREG(info.st_mode);
        const QByteArray target = resolved ? QByteArray(resolved) : QByteArray();
        std::free(resolved);
        if (regular)
            return target;
    }
    *why = QStringLiteral("不是普通文件");
    return std::nullopt;
}

} // namespace

bool writableTarget(const QString& name, QString* why)
{
    return targetOf(name, why).has_value();
}

bool replaceRegularFile(const QString& name, const QByteArray& bytes, QString* why)
{
    // By hand, because QSaveFile (Qt 6.4) puts its temporary file in place
    // even when writing it out failed (a full disk left an empty file), and
    // follows a link to whatever it names, devices included.
    const std::optional<QByteArray> target = targetOf(name, why);
    if (!target)
        return false;
    struct stat before {};
    const bool existed = ::stat(target->constData(), &before) == 0;
    const qsizetype slash = target->lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : target->left(slash);
    QByteArray temporary = folder + "/." + target->mid(slash + 1) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        *why = systemError(errno);
        return false;
    }
    const auto giveUp = [&](int error) {
        ::close(fd);
        ::unlink(temporary.constData());
        *why = systemError(error);
        return false;
    };
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return giveUp(n < 0 ? errno : ENOSPC);
        done += n;
    }
    mode_t mode = before.st_mode & 07777;
    if (!existed) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    // On the disk before it takes the old file's place: a full disk may only
    // say so here.
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        return giveUp(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        *why = systemError(error);
        return false;
    }
    // Still what it was: a regular file, or nothing.
    struct stat now {};
    const bool stillThere = ::lstat(target->constData(), &now) == 0;
    if (stillThere != existed || (stillThere && !S_ISREG(now.st_mode))) {
        ::unlink(temporary.constData());
        *why = QStringLiteral("不是普通文件");
        return false;
    }
    if (::rename(temporary.constData(), target->constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        *why = systemError(error);
        return false;
    }
    if (const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir); // the new name on the disk too
        ::close(dir);
    }
    return true;
}

} // namespace platform
