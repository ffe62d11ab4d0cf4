#include "sequential_files.h"

#include "console.h"
#include "platform/sequential_text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

struct HostSequentialFiles::OpenFile {
    FileMode mode = FileMode::Input;
    QString name;
    // Input: the bytes read at open, and how far the fields have got.
    FieldReader fields;
    // Output.
    std::unique_ptr<QSaveFile> out;
    bool failed = false;
};

std::optional<QByteArray> readRegularFile(const QString& name, qsizetype limit, QString* why)
{
    const auto refuse = [why](const QString& reason) -> std::optional<QByteArray> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
#ifdef Q_OS_UNIX
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
#else
    const QFileInfo info(name);
    if (!info.exists())
        return refuse(QStringLiteral("no such file"));
    if (!info.isFile())
        return refuse(QStringLiteral("not a regular file"));
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    return file.read(limit);
#endif
}

HostSequentialFiles::HostSequentialFiles() = default;
HostSequentialFiles::~HostSequentialFiles() = default;

bool HostSequentialFiles::fail(const QString& why)
{
    error_ = why;
    return false;
}

bool HostSequentialFiles::open(const QString& name, FileMode mode, int fileNumber)
{
    if (open_.contains(fileNumber))
        return fail(QStringLiteral("文件号 %1 已经打开").arg(fileNumber));
    auto file = std::make_shared<OpenFile>();
    file->mode = mode;
    file->name = name;
    if (mode == FileMode::Input) {
        QString why;
        const std::optional<QByteArray> bytes = readRegularFile(name, kMaxInputBytes, &why);
        if (!bytes) {
            // A file that is not there is no news; one that is there and
            // cannot be read is worth a line.
            const QFileInfo info(name);
            if (info.exists() || info.isSymLink())
                writeErrorLine(QStringLiteral("%1 not read: %2").arg(name, why));
            return fail(why);
        }
        file->fields = FieldReader(*bytes);
    } else {
        file->out = std::make_unique<QSaveFile>(name);
        if (!file->out->open(QIODevice::WriteOnly))
            return fail(file->out->errorString());
    }
    open_.insert(fileNumber, file);
    return true;
}

std::optional<QString> HostSequentialFiles::inputField(int fileNumber)
{
    const std::shared_ptr<OpenFile> file = open_.value(fileNumber);
    if (!file || file->mode != FileMode::Input) {
        fail(QStringLiteral("文件号 %1 没有为读取打开").arg(fileNumber));
        return std::nullopt;
    }
    bool badText = false;
    std::optional<QString> field = file->fields.next(&badText);
    if (!field)
        fail(badText ? QStringLiteral("不是 GBK 文本") : QStringLiteral("已到文件末尾"));
    return field;
}

bool HostSequentialFiles::print(int fileNumber, const QString& item)
{
    const std::shared_ptr<OpenFile> file = open_.value(fileNumber);
    if (!file || file->mode != FileMode::Output)
        return fail(QStringLiteral("文件号 %1 没有为写入打开").arg(fileNumber));
    const std::optional<QByteArray> bytes = printedItem(item);
    if (!bytes) {
        file->failed = true;
        return fail(QStringLiteral("文字不能用 GBK 写出"));
    }
    if (file->out->write(*bytes) != bytes->size()) {
        file->failed = true;
        return fail(file->out->errorString());
    }
    return true;
}

bool HostSequentialFiles::close(int fileNumber)
{
    const std::shared_ptr<OpenFile> file = open_.take(fileNumber);
    if (!file)
        return fail(QStringLiteral("文件号 %1 没有打开").arg(fileNumber));
    if (file->mode == FileMode::Input)
        return true;
    if (file->failed) {
        file->out->cancelWriting();
        file->out->commit();
        return false;
    }
    if (!file->out->commit())
        return fail(file->out->errorString());
    return true;
}

} // namespace platform
