#include "platform/host/window_system.h"

#include "user32.h"

namespace platform {

// Every style bit and the z-order go to user32 as they are (the window
// functions keep the layered bit: Qt owns the native one).
std::optional<bool> systemSetWindowPos(WindowHandle window, qintptr insertAfter, int x, int y, int cx, int cy,
                                       quint32 flags)
{
    return winSetWindowPos(window, insertAfter, x, y, cx, cy, flags);
}

std::optional<qint32> systemWindowLong(WindowHandle window, int index) { return winGetWindowLong(window, index); }

std::optional<qint32> systemSetWindowLong(WindowHandle window, int index, qint32 value)
{
    return winSetWindowLong(window, index, value);
}

} // namespace platform
