#pragma once
// Opening the display. Without one, Qt aborts inside its platform plugin
// with a core dump and a long message about plugins; the program says in one
// line that there is no display and exits with status 1 instead.

#include <QApplication>

#include <memory>

namespace platform {

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
