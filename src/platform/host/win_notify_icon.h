#pragma once
// The notification-area icon on Windows. Kept free of Qt so that it can be
// compiled on its own with a cross compiler.

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

// The window the icons report to: a message-only window of its own, with a
// message number of its own (WM_APP + 0x100). The icons' mouse messages thus
// never meet the program windows' real input: an icon whose callback was
// WM_MOUSEMOVE on a program window would be indistinguishable from a drag
// across that window with the left button held (wParam MK_LBUTTON = 1, the
// icon's id), and the shell sends it (SendNotifyMessage) straight to the
// window procedure, where Qt lets no filter see mouse input.
class WinNotifyWindow {
public:
    // `onMessage` gets the icon's id and the mouse message (WM_LBUTTONDBLCLK
    // and so on) of each event over an icon that reports to this window.
    explicit WinNotifyWindow(std::function<void(unsigned id, unsigned mouseMessage)> onMessage);
    ~WinNotifyWindow();
    WinNotifyWindow(const WinNotifyWindow&) = delete;
    WinNotifyWindow& operator=(const WinNotifyWindow&) = delete;

    // Shell_NotifyIconW with NIM_ADD (add true) or NIM_DELETE for the icon
    // `id` of this window; the icon and the tip are given when not null and
    // not empty. Returns whether the shell accepted it.
    bool add(unsigned id, void* icon, const std::wstring& tip);
    bool remove(unsigned id);

    // Whether the window could be made; without it no icon can be added.
    bool isValid() const { return window_ != 0; }

    static constexpr unsigned kCallbackMessage = 0x8000 + 0x100; // WM_APP + 0x100

    // Called by the window's procedure for each callback message.
    void dispatch(unsigned id, unsigned mouseMessage) const
    {
        if (onMessage_)
            onMessage_(id, mouseMessage);
    }

private:
    std::function<void(unsigned, unsigned)> onMessage_;
    std::uintptr_t window_ = 0;
};

} // namespace platform
