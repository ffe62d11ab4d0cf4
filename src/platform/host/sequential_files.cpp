#include "sequential_files.h"

#include "console.h"
#include "sequential_text.h"

#include <QFileInfo>

namespace platform {

struct HostSequentialFiles::OpenFile {
    FileMode mode = FileMode::Input;
    QString name;
    // Input: the bytes read at open, and how far the fields have got.
    FieldReader fields;
    // Output: what was printed, put in place at close.
    QByteArray out;
    bool failed = false;
};

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
        // Refused at once, where the file can be told to be no place to write.
        QString why;
        if (!writableTarget(name, &why))
            return fail(why);
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
    file->out += *bytes;
    return true;
}

bool HostSequentialFiles::close(int fileNumber)
{
    const std::shared_ptr<OpenFile> file = open_.take(fileNumber);
    if (!file)
        return fail(QStringLiteral("文件号 %1 没有打开").arg(fileNumber));
    if (file->mode == FileMode::Input)
        return true;
    if (file->failed)
        return false; // the old file stays; print() said why
    QString why;
    if (!replaceRegularFile(file->name, file->out, &why)) {
        writeErrorLine(QStringLiteral("%1 not written: %2").arg(file->name, why));
        return fail(why);
    }
    return true;
}

} // namespace platform
