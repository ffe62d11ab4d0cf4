#pragma once

#include "platform/platform.h"

namespace platform {

class HostProgram final : public Program {
public:
    [[noreturn]] void end() override;
};

} // namespace platform
