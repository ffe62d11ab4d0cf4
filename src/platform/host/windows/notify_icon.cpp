#include "notify_icon.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace platform {

namespace {

constexpr wchar_t kClassName[] = L"VesperonNotifyIconWindow";

// The number of the message a taskbar broadcasts when it starts, the same in
// every program of the session; 0 when it could not be registered.
UINT taskbarCreatedMessage()
{
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto* self = reinterpret_cast<const WinNotifyWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WinNotifyWindow::kCallbackMessage) {
        // NOTIFYICON_VERSION 0: the icon's id in wParam, the mouse message
        // in the low word of lParam.
        if (self)
            self->dispatch(static_cast<unsigned>(wParam), static_cast<unsigned>(LOWORD(lParam)));
        return 0;
    } else if (message != 0 && message == taskbarCreatedMessage()) {
        if (self)
            self->taskbarCreated();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

WinNotifyWindow::WinNotifyWindow(std::function<void(unsigned, unsigned)> onMessage,
                                 std::function<void()> onTaskbarCreated)
    : onMessage_(std::move(onMessage)), onTaskbarCreated_(std::move(onTaskbarCreated))
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // fails harmlessly when it is registered already
    // Top-level, so that broadcasts reach it; never shown, and a tool
    // window, so that it has no button on the taskbar or in Alt+Tab.
    const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                        nullptr, instance, this);
    window_ = reinterpret_cast<std::uintptr_t>(window);
    // A program run as administrator hears the broadcast of the user's own
    // taskbar, which runs with fewer rights, only if it lets it through.
    if (window && taskbarCreatedMessage() != 0)
        ChangeWindowMessageFilterEx(window, taskbarCreatedMessage(), MSGFLT_ALLOW, nullptr);
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

bool WinNotifyWindow::show(unsigned id, void* icon, const std::wstring& tip)
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
    return Shell_NotifyIconW(NIM_ADD, &data) != FALSE || Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool WinNotifyWindow::has(unsigned id) const
{
    if (!window_)
        return false;
    NOTIFYICONDATAW data = iconRecord(window_, id);
    data.uFlags = NIF_MESSAGE;
    data.uCallbackMessage = kCallbackMessage;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

bool WinNotifyWindow::remove(unsigned id)
{
    if (!window_)
        return false;
    NOTIFYICONDATAW data = iconRecord(window_, id);
    return Shell_NotifyIconW(NIM_DELETE, &data) != FALSE;
}

} // namespace platform

