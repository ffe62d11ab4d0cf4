#include "platform/host/program_folder.h"

#include <QCoreApplication>

namespace platform {

QString HostProgramFolder::path() const { return programFolderFor(QCoreApplication::applicationDirPath()); }

} // namespace platform
