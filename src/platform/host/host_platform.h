#pragma once
// The program's real platform: one host implementation of each operation.

#include "clock.h"
#include "message_box.h"
#include "program_folder.h"
#include "shell.h"
#include "timers.h"

namespace platform {

class HostPlatform {
public:
    HostPlatform() : shell_(messages_) {}
    Platform platform() { return Platform{messages_, shell_, clock_, folder_, timers_}; }

private:
    HostMessageBox messages_;
    HostShell shell_;
    HostClock clock_;
    HostProgramFolder folder_;
    QtTimers timers_;
};

} // namespace platform
