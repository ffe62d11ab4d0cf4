#pragma once
// The recording fake of every platform operation, for tests: every message
// box, command line and timer is recorded, message boxes are answered from a
// script, the clock is set by hand and timers fire when the test says so.

#include "fake_clock.h"
#include "fake_files.h"
#include "fake_internet.h"
#include "fake_message_box.h"
#include "fake_pictures.h"
#include "fake_program_folder.h"
#include "fake_shell.h"
#include "fake_timers.h"
#include "fake_tray.h"
#include "fake_windows.h"

namespace fakes {

struct FakePlatform {
    FakeMessageBox messages;
    FakeShell shell;
    FakeClock clock;
    FakeProgramFolder folder;
    FakeTimers timers;
    FakeNotificationArea tray;
    FakeWindowFunctions windows;
    FakeProgram program;
    FakePictures pictures;
    FakeSequentialFiles files;
    FakeInternetTransfer internet;

    platform::Platform platform()
    {
        return platform::Platform{messages, shell, clock, folder, timers, tray, windows, program, pictures, files, internet};
    }
};

} // namespace fakes
