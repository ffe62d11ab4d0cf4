#include "program_folder.h"

#include <QCoreApplication>

namespace platform {

QString HostProgramFolder::path() const { return QCoreApplication::applicationDirPath(); }

} // namespace platform
