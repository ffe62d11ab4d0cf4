#include "user32.h"

#include <windows.h>

namespace platform {

namespace {

HWND handle(std::uintptr_t window) { return reinterpret_cast<HWND>(window); }

} // namespace

bool winSetWindowPos(std::uintptr_t window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                     unsigned flags)
{
    return SetWindowPos(handle(window), reinterpret_cast<HWND>(insertAfter), x, y, cx, cy, flags) != FALSE;
}

std::int32_t winGetWindowLong(std::uintptr_t window, int index)
{
    return static_cast<std::int32_t>(GetWindowLongW(handle(window), index));
}

std::int32_t winSetWindowLong(std::uintptr_t window, int index, std::int32_t value)
{
    return static_cast<std::int32_t>(SetWindowLongW(handle(window), index, value));
}

} // namespace platform

