#include "platform/host/window_system.h"

namespace platform {

std::optional<bool> systemSetWindowPos(WindowHandle, qintptr, int, int, int, int, quint32) { return std::nullopt; }
std::optional<qint32> systemWindowLong(WindowHandle, int) { return std::nullopt; }
std::optional<qint32> systemSetWindowLong(WindowHandle, int, qint32) { return std::nullopt; }

} // namespace platform
