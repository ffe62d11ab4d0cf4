#pragma once

#include "platform/platform.h"

namespace platform {

class HostProgramFolder final : public ProgramFolder {
public:
    QString path() const override;
};

} // namespace platform
