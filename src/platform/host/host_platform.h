#pragma once
// The program's real platform: one host implementation of each operation.

#include "clock.h"
#include "internet.h"
#include "message_box.h"
#include "pictures.h"
#include "program.h"
#include "program_folder.h"
#include "sequential_files.h"
#include "shell.h"
#include "timers.h"
#include "tray_icon.h"
#include "window_functions.h"
#include "working_set.h"

#include <QObject>
#include <QTimer>

namespace platform {

class HostPlatform {
public:
    HostPlatform() : shell_(messages_)
    {
        QTimer::singleShot(kReleaseFreeHeapMs, &context_, &releaseFreeHeap);
    }
    Platform platform()
    {
        return Platform{messages_, shell_, clock_, folder_, timers_, tray_, windows_, program_, pictures_, files_, internet_};
    }

private:
    QObject context_;
    HostMessageBox messages_;
    HostShell shell_;
    HostClock clock_;
    HostProgramFolder folder_;
    QtTimers timers_;
    HostNotificationArea tray_;
    HostWindowFunctions windows_;
    HostProgram program_;
    HostPictures pictures_;
    HostSequentialFiles files_;
    HostInternetTransfer internet_;
};

} // namespace platform
