#pragma once
// The notification-area icon on Windows. Kept free of Qt so that it can be
// compiled on its own with a cross compiler.

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// The window the icons report to: a hidden window of its own, with a
// message number of its own (WM_APP + 0x100). The icons' mouse messages thus
// never meet the program windows' real input: an icon whose callback was
// WM_MOUSEMOVE on a program window would be indistinguishable from a drag
// across that window with the left button held (wParam MK_LBUTTON = 1, the
// icon's id), and the shell sends it (SendNotifyMessage) straight to the
// window procedure, where Qt lets no filter see mouse input.
//
// The window is a top-level one, never shown, not a message-only one: a
// taskbar that starts (Explorer restarted, or first come after an early
// autostart) announces itself by broadcasting the registered message
// "TaskbarCreated" to the top-level windows, and holds none of the icons
// the one before it had; a message-only window would never hear of it.
class WinNotifyWindow {
public:
    // `onMessage` gets the icon's id and the mouse message (WM_LBUTTONDBLCLK
    // and so on) of each event over an icon that reports to this window;
    // `onTaskbarCreated` is called each time a taskbar announces itself.
    WinNotifyWindow(std::function<void(unsigned id, unsigned mouseMessage)> onMessage,
                    std::function<void()> onTaskbarCreated);
    ~WinNotifyWindow();
    WinNotifyWindow(const WinNotifyWindow&) = delete;
    WinNotifyWindow& operator=(const WinNotifyWindow&) = delete;

    // Puts the icon `id` of this window on the taskbar's notification area
    // (Shell_NotifyIconW's NIM_ADD; the icon and the tip are given when not
    // null and not empty). An add the shell refuses is tried as NIM_MODIFY,
    // which it takes only for an icon it has: the icon may be there already
    // (a taskbar that announced itself again and kept its icons, an add that
    // took longer than the shell waited). Returns whether the icon is there.
    bool show(unsigned id, void* icon, const std::wstring& tip);
    // Whether the notification area has the icon `id` now: a NIM_MODIFY
    // that changes nothing is refused for an icon it lost or never had.
    bool has(unsigned id) const;
    // Shell_NotifyIconW's NIM_DELETE; returns whether the shell accepted it.
    bool remove(unsigned id);

    // Whether the window could be made; without it no icon can be added.
    bool isValid() const { return window_ != 0; }

    static constexpr unsigned kCallbackMessage = 0x8000 + 0x100; // WM_APP + 0x100

    // Called by the window's procedure for each callback message, and for
    // each "TaskbarCreated".
    void dispatch(unsigned id, unsigned mouseMessage) const
    {
        if (onMessage_)
            onMessage_(id, mouseMessage);
    }
    void taskbarCreated() const
    {
        if (onTaskbarCreated_)
            onTaskbarCreated_();
    }

private:
    std::function<void(unsigned, unsigned)> onMessage_;
    std::function<void()> onTaskbarCreated_;
    std::uintptr_t window_ = 0;
};

} // namespace platform
