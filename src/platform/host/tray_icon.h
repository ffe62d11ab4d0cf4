#pragma once
// The notification-area icon on the desktop's tray: QSystemTrayIcon on Linux
// (an XEmbed tray or a StatusNotifier host, linux/tray_icon.cpp),
// Shell_NotifyIconW on Windows (windows/tray_icon.cpp).

#include "platform/platform.h"

#include <QMap>

#include <functional>
#include <memory>

namespace platform {

class HostNotificationArea final : public NotificationArea {
public:
    // Takes an icon's mouse message (kWmLButtonDblClk, …) to the window that
    // owns the icon, as that window's MouseMove.
    using Deliver = std::function<bool(WindowHandle window, int mouseMessage)>;
    explicit HostNotificationArea(Deliver deliver);
    ~HostNotificationArea() override;
    bool notifyIcon(int message, TrayRecord& record) override;
    bool isShown(const TrayRecord& record) const override;

private:
    struct Icon;   // an icon on each system's tray
    struct System; // what each system keeps for all its icons
    bool add(const TrayRecord& record);
    bool addAgain(Icon& icon); // an add for an icon of the program's
    bool remove(const TrayRecord& record);
    void release(Icon& icon); // takes the icon off the desktop's tray
    // The icon's event, for its window, if the record asks for it: only the
    // mouse-move message is a window event the program's windows receive.
    void deliver(const TrayRecord& record, int mouseMessage) const;

    Deliver deliver_;
    QMap<QPair<WindowHandle, quint32>, std::shared_ptr<Icon>> icons_;
    std::unique_ptr<System> system_;
};

} // namespace platform
