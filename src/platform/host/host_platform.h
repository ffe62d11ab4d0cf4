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
#include "working_set.h"

#include <QObject>
#include <QTimer>

namespace platform {

class HostPlatform {
public:
    // `deliver` takes the notification area's icon events to their windows.
    explicit HostPlatform(HostNotificationArea::Deliver deliver) : shell_(messages_), tray_(std::move(deliver))
    {
        QTimer::singleShot(kReleaseFreeHeapMs, &context_, &releaseFreeHeap);
    }
    // The operations, with the window functions, which act on the program's
    // windows and so are the window registry's.
    Platform platform(WindowFunctions& windows)
    {
        return Platform{messages_, shell_, clock_, folder_, timers_, tray_, windows, program_, pictures_, files_, internet_};
    }

private:
    QObject context_;
    HostMessageBox messages_;
    HostShell shell_;
    HostClock clock_;
    HostProgramFolder folder_;
    QtTimers timers_;
    HostNotificationArea tray_;
    HostProgram program_;
    HostPictures pictures_;
    HostSequentialFiles files_;
    HostInternetTransfer internet_;
};

} // namespace platform
