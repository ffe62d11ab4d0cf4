#include "platform/host/program_folder.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// The folder as the system names it, in bytes; empty when it cannot be read.
QByteArray executableFolderBytes()
{
    QByteArray path(4096, Qt::Uninitialized);
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), size_t(path.size()));
    if (n <= 0 || n >= path.size())
        return QByteArray();
    path.truncate(n);
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QString findFolder()
{
    const QByteArray bytes = executableFolderBytes();
    if (bytes.isEmpty())
        return programFolderFor(QCoreApplication::applicationDirPath());
    const QString name = QFile::decodeName(bytes);
    if (QFile::encodeName(name) == bytes)
        return programFolderFor(name);
    // A name that is no text in the system's encoding (a Chinese folder name
    // in GBK, as an archive unpacked it on a UTF-8 system) cannot be given
    // as text: the folder is held open and named by its descriptor instead.
    QByteArray folder = bytes;
    if (folder.endsWith("/bin")) {
        const QByteArray shared = folder.left(folder.size() - 4) + "/share/vesperon";
        struct stat info {};
        if (::stat(shared.constData(), &info) == 0 && S_ISDIR(info.st_mode))
            folder = shared;
    }
    const int fd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return name;
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

} // namespace

QString HostProgramFolder::path() const
{
    static const QString folder = findFolder();
    return folder;
}

} // namespace platform
