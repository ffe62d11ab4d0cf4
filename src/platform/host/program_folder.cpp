#include "program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

QString programFolderFor(const QString& executableFolder)
{
    // Installed as <prefix>/bin/vesperon, the pictures are in
    // <prefix>/share/vesperon; anywhere else (a build tree, an unpacked
    // copy) they lie beside the executable.
    const QDir folder(executableFolder);
    if (folder.dirName() == QLatin1String("bin")) {
        const QFileInfo shared(folder.absoluteFilePath(QStringLiteral("../share/vesperon")));
        if (shared.isDir())
            return QDir::cleanPath(shared.absoluteFilePath());
    }
    return QDir::cleanPath(executableFolder);
}

#ifdef Q_OS_LINUX

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

#else

QString HostProgramFolder::path() const { return programFolderFor(QCoreApplication::applicationDirPath()); }

#endif

} // namespace platform
