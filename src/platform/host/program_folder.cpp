#include "program_folder.h"

#include <QDir>
#include <QFileInfo>

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

} // namespace platform
