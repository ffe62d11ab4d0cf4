#pragma once

#include "platform/platform.h"

namespace platform {

// The folder of the program's pictures for an executable in `executableFolder`.
QString programFolderFor(const QString& executableFolder);

class HostProgramFolder final : public ProgramFolder {
public:
    QString path() const override;
};

} // namespace platform
