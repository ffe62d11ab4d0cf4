#pragma once
// The notification-area icon on Windows. Kept free of Qt so that it can be
// compiled on its own with a cross compiler.

#include <cstdint>
#include <string>

namespace platform {

// Shell_NotifyIconW with NIM_ADD (0) or NIM_DELETE (2) for the icon `id` of
// window `window`; `flags` are the NIF_ bits (1 message, 2 icon, 4 tip).
// Returns whether the shell accepted it.
bool winNotifyIcon(int message, std::uintptr_t window, unsigned id, unsigned flags, unsigned callbackMessage,
                   void* icon, const std::wstring& tip);

} // namespace platform
