#ifdef _WIN32

#include "win_notify_icon.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace platform {

bool winNotifyIcon(int message, std::uintptr_t window, unsigned id, unsigned flags, unsigned callbackMessage,
                   void* icon, const std::wstring& tip)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = reinterpret_cast<HWND>(window);
    data.uID = id;
    data.uFlags = flags & (NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.uCallbackMessage = callbackMessage;
    data.hIcon = static_cast<HICON>(icon);
    // The tip is cut to the record's room and always ends in a null.
    const std::size_t room = sizeof(data.szTip) / sizeof(data.szTip[0]) - 1;
    std::wcsncpy(data.szTip, tip.c_str(), room);
    data.szTip[room] = L'\0';
    return Shell_NotifyIconW(message == 2 ? NIM_DELETE : NIM_ADD, &data) != FALSE;
}

} // namespace platform

#endif // _WIN32
