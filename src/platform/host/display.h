#pragma once
// Opening the display. Without one, Qt aborts inside its platform plugin
// with a core dump and a long message about plugins; the program says in one
// line that there is no display and exits with status 1 instead.

#include <QApplication>

#include <memory>

namespace platform {

// The program's arguments as the application is to be made with them.
struct StartArguments {
    int argc = 0;
    char** argv = nullptr;
};

// Everything of the start that changes the process's environment or its
// locale, done before any thread of the program's own starts (a thread
// reading the environment while another changes it may read freed memory):
// the locale is set from the environment as Qt will set it again, the
// platform chosen for this desktop is added to the arguments rather than
// put into the environment, and the variable Qt's X11 platform takes out of
// the environment as the display opens (DESKTOP_STARTUP_ID) is moved to its
// end, so that taking it out moves no other variable under a reader.
// Called first thing; the arguments it gives live until it is called again.
StartArguments settleEnvironment(int argc, char** argv);

// Constructs the application on the user's display. Does not return when
// no display can be opened: writes one line on standard error and ends the
// process with status 1.
// The same for a display of fewer than kLeastColourDepth bits per pixel.
std::unique_ptr<QApplication> openDisplay(int& argc, char** argv);
inline constexpr int kLeastColourDepth = 16;

// The line written when no display can be opened (without the program-name
// prefix), from the environment the program was started in.
QString noDisplayMessage(const QByteArray& qpaPlatform, const QByteArray& display, const QByteArray& waylandDisplay);

} // namespace platform
