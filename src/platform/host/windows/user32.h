#pragma once
// The window functions on Windows (user32). Kept free of Qt so that they can
// be compiled on their own with a cross compiler.

#include <cstdint>

namespace platform {

bool winSetWindowPos(std::uintptr_t window, std::intptr_t insertAfter, int x, int y, int cx, int cy,
                     unsigned flags);
std::int32_t winGetWindowLong(std::uintptr_t window, int index);
std::int32_t winSetWindowLong(std::uintptr_t window, int index, std::int32_t value);

} // namespace platform
