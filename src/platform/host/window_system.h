#pragma once
// A window's z-order and styles where the window system keeps them itself
// (Windows, through user32: windows/window_system.cpp); elsewhere nothing
// keeps them but the program (linux/window_system.cpp answers nothing), and
// the window functions keep them on the program's windows.

#include "platform/platform.h"

#include <optional>

namespace platform {

std::optional<bool> systemSetWindowPos(WindowHandle window, qintptr insertAfter, int x, int y, int cx, int cy,
                                       quint32 flags);
std::optional<qint32> systemWindowLong(WindowHandle window, int index);
std::optional<qint32> systemSetWindowLong(WindowHandle window, int index, qint32 value);

} // namespace platform
