#pragma once
// The notification-area icon on the desktop's tray: QSystemTrayIcon on Linux
// (an XEmbed tray or a StatusNotifier host), Shell_NotifyIconW on Windows
// (see win_notify_icon.h).

#include "platform/platform.h"

#include <QList>
#include <QMap>
#include <QSystemTrayIcon>

#include <memory>

namespace platform {

class WinNotifyWindow;

// The mouse message codes a tray event stands for, in the order the window
// receives them. On an XEmbed tray Qt reports a click (Trigger), a double
// click, the right and the middle button; a StatusNotifier host (KDE Plasma,
// GNOME's AppIndicator extension, most Wayland desktops) reports each click
// as one activation and never a double click, so there an activation counts
// as the double click that brings a window back.
QList<int> mouseCodesFor(QSystemTrayIcon::ActivationReason reason, bool statusNotifierHost);

// Whether Qt puts tray icons on a StatusNotifier host rather than an XEmbed
// tray: a org.kde.StatusNotifierWatcher on the session bus that has a host.
bool statusNotifierHostRegistered();

class HostNotificationArea final : public NotificationArea {
public:
    HostNotificationArea();
    ~HostNotificationArea() override;
    bool notifyIcon(int message, TrayRecord& record) override;
    bool isShown(const TrayRecord& record) const override;

private:
    struct Icon;
    bool add(const TrayRecord& record);
    bool addAgain(Icon& icon); // an add for an icon of the program's
    bool remove(const TrayRecord& record);
    void release(Icon& icon); // takes the icon off the desktop's tray

    QMap<QPair<WindowHandle, quint32>, std::shared_ptr<Icon>> icons_;
    int statusNotifier_ = -1; // unknown until the first icon is made
    std::shared_ptr<WinNotifyWindow> notifyWindow_; // Windows: where the icons report
    quint32 nextShellId_ = 1;                       // Windows: the icons' numbers there
};

} // namespace platform
