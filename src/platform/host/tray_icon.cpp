#include "tray_icon.h"

#include "platform/forms.h"

#ifdef Q_OS_WIN
#include "win_notify_icon.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QImage>
#include <qt_windows.h>
#else
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#endif

namespace platform {

QList<int> mouseCodesFor(QSystemTrayIcon::ActivationReason reason, bool statusNotifierHost)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        if (statusNotifierHost)
            return {kWmLButtonDblClk};
        return {kWmLButtonDown, kWmLButtonUp};
    case QSystemTrayIcon::DoubleClick:
        return {kWmLButtonDblClk, kWmLButtonUp};
    case QSystemTrayIcon::Context:
        return {kWmRButtonDown, kWmRButtonUp};
    case QSystemTrayIcon::MiddleClick:
        return {kWmMButtonDown, kWmMButtonUp};
    case QSystemTrayIcon::Unknown:
        break;
    }
    return {};
}

#ifdef Q_OS_WIN

bool statusNotifierHostRegistered() { return false; }

// On Windows the shell sends the icon's callback message to the window
// itself; it is taken out of the window's message stream here and raised as
// the window's MouseMove, like on the other hosts.
struct HostNotificationArea::Icon final : QAbstractNativeEventFilter {
    TrayRecord record;
    bool nativeEventFilter(const QByteArray&, void* message, qintptr*) override
    {
        const MSG* msg = static_cast<const MSG*>(message);
        if (WindowHandle(msg->hwnd) != record.hWnd || msg->message != record.uCallbackMessage
            || UINT(msg->wParam) != record.uID)
            return false;
        postMouseMessage(record.hWnd, int(LOWORD(msg->lParam)));
        return true;
    }
};

HostNotificationArea::HostNotificationArea() = default;
HostNotificationArea::~HostNotificationArea()
{
    for (const auto& icon : std::as_const(icons_))
        release(*icon);
}

bool HostNotificationArea::isAvailable() const { return true; }

bool HostNotificationArea::add(const TrayRecord& record)
{
    auto icon = std::make_shared<Icon>();
    icon->record = record;
    HICON handle = nullptr;
    if ((record.uFlags & kNifIcon) && !record.hIcon.isNull())
        handle = record.hIcon.pixmap(16, 16).toImage().toHICON();
    const bool added = winNotifyIcon(kNimAdd, record.hWnd, record.uID, record.uFlags, record.uCallbackMessage,
                                     handle, record.szTip.toStdWString());
    if (!added) {
        if (handle)
            DestroyIcon(handle);
        return false;
    }
    QCoreApplication::instance()->installNativeEventFilter(icon.get());
    icons_.insert({record.hWnd, record.uID}, icon);
    return true;
}

void HostNotificationArea::release(Icon& icon)
{
    QCoreApplication::instance()->removeNativeEventFilter(&icon);
    winNotifyIcon(kNimDelete, icon.record.hWnd, icon.record.uID, 0, 0, nullptr, std::wstring());
}

#else

bool statusNotifierHostRegistered()
{
    // The same test Qt makes when it creates its first tray icon.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface properties(watcher, QStringLiteral("/StatusNotifierWatcher"),
                              QStringLiteral("org.freedesktop.DBus.Properties"), bus);
    properties.setTimeout(2000);
    const QDBusReply<QDBusVariant> reply =
        properties.call(QStringLiteral("Get"), watcher, QStringLiteral("IsStatusNotifierHostRegistered"));
    return reply.isValid() && reply.value().variant().toBool();
}

struct HostNotificationArea::Icon {
    TrayRecord record;
    QSystemTrayIcon tray;
};

HostNotificationArea::HostNotificationArea() = default;
HostNotificationArea::~HostNotificationArea() = default;

bool HostNotificationArea::isAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool HostNotificationArea::add(const TrayRecord& record)
{
    if (statusNotifier_ < 0)
        statusNotifier_ = statusNotifierHostRegistered() ? 1 : 0;
    auto icon = std::make_shared<Icon>();
    icon->record = record;
    if (record.uFlags & kNifIcon)
        icon->tray.setIcon(record.hIcon);
    if (record.uFlags & kNifTip)
        icon->tray.setToolTip(record.szTip);
    if (record.uFlags & kNifMessage) {
        const WindowHandle window = record.hWnd;
        const bool statusNotifier = statusNotifier_ == 1;
        // Only the mouse-move message is a window event the program's
        // windows receive; the icon's events come to them as such.
        if (record.uCallbackMessage == quint32(kWmMouseMove))
            QObject::connect(&icon->tray, &QSystemTrayIcon::activated, &icon->tray,
                             [window, statusNotifier](QSystemTrayIcon::ActivationReason reason) {
                                 for (const int code : mouseCodesFor(reason, statusNotifier))
                                     postMouseMessage(window, code);
                             });
    }
    // With no tray on the desktop the icon waits and docks by itself when
    // one appears.
    icon->tray.show();
    icons_.insert({record.hWnd, record.uID}, icon);
    return true;
}

void HostNotificationArea::release(Icon& icon) { icon.tray.hide(); }

#endif

bool HostNotificationArea::remove(const TrayRecord& record)
{
    const auto found = icons_.find({record.hWnd, record.uID});
    if (found == icons_.end())
        return false; // not there
    release(**found);
    icons_.erase(found);
    return true;
}

bool HostNotificationArea::notifyIcon(int message, TrayRecord& record)
{
    switch (message) {
    case kNimAdd:
        if (icons_.contains({record.hWnd, record.uID}))
            return false; // already there
        return add(record);
    case kNimDelete:
        return remove(record);
    default:
        return false;
    }
}

} // namespace platform
