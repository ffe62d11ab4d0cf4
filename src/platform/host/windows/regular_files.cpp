#include "platform/host/regular_files.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

std::optional<QByteArray> readRegularFile(const QString& name, qsizetype limit, QString* why)
{
    const auto refuse = [why](const QString& reason) -> std::optional<QByteArray> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    const QFileInfo info(name);
    if (!info.exists())
        return refuse(QStringLiteral("no such file"));
    if (!info.isFile())
        return refuse(QStringLiteral("not a regular file"));
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    return file.read(limit);
}

bool writableTarget(const QString& name, QString* why)
{
    const QFileInfo info(name);
    if (info.exists() && !info.isFile()) {
        *why = QStringLiteral("不是普通文件");
        return false;
    }
    return true;
}

bool replaceRegularFile(const QString& name, const QByteArray& bytes, QString* why)
{
    if (!writableTarget(name, why))
        return false;
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size()) {
        *why = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *why = file.errorString();
        return false;
    }
    return true;
}

} // namespace platform
