#ifdef _WIN32

#include "win_notify_icon.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace platform {

namespace {

constexpr wchar_t kClassName[] = L"VesperonNotifyIconWindow";

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WinNotifyWindow::kCallbackMessage) {
        // NOTIFYICON_VERSION 0: the icon's id in wParam, the mouse message
        // in the low word of lParam.
        if (const auto* self = reinterpret_cast<const WinNotifyWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            self->dispatch(static_cast<unsigned>(wParam), static_cast<unsigned>(LOWORD(lParam)));
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

WinNotifyWindow::WinNotifyWindow(std::function<void(unsigned, unsigned)> onMessage)
    : onMessage_(std::move(onMessage))
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // fails harmlessly when it is registered already
    window_ = reinterpret_cast<std::uintptr_t>(
        CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, this));
}

WinNotifyWindow::~WinNotifyWindow()
{
    if (window_)
        DestroyWindow(reinterpret_cast<HWND>(window_));
}

namespace {

// The record naming icon `id` of `window`.
NOTIFYICONDATAW iconRecord(std::uintptr_t window, unsigned id)
{
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = reinterpret_cast<HWND>(window);
    data.uID = id;
    return data;
}

} // namespace

bool WinNotifyWindow::add(unsigned id, void* icon, const std::wstring& tip)
{
    if (!window_)
        return false;
    NOTIFYICONDATAW data = iconRecord(window_, id);
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = kCallbackMessage;
    if (icon) {
        data.uFlags |= NIF_ICON;
        data.hIcon = static_cast<HICON>(icon);
    }
    if (!tip.empty()) {
        // The tip is cut to the record's room and always ends in a null.
        data.uFlags |= NIF_TIP;
        const std::size_t room = sizeof(data.szTip) / sizeof(data.szTip[0]) - 1;
        std::wcsncpy(data.szTip, tip.c_str(), room);
        data.szTip[room] = L'\0';
    }
    return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
}

bool WinNotifyWindow::remove(unsigned id)
{
    if (!window_)
        return false;
    NOTIFYICONDATAW data = iconRecord(window_, id);
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

} // namespace platform

#endif // _WIN32
