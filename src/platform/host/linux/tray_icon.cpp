#include "tray_icon.h"

#include "platform/host/tray_icon.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>

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

struct HostNotificationArea::System {
    int statusNotifier = -1; // unknown until the first icon is made
};

HostNotificationArea::HostNotificationArea(Deliver deliver)
    : deliver_(std::move(deliver)), system_(std::make_unique<System>())
{
}
HostNotificationArea::~HostNotificationArea() = default;

bool HostNotificationArea::isShown(const TrayRecord& record) const
{
    return icons_.contains({record.hWnd, record.uID}) && QSystemTrayIcon::isSystemTrayAvailable();
}

bool HostNotificationArea::add(const TrayRecord& record)
{
    if (system_->statusNotifier < 0)
        system_->statusNotifier = statusNotifierHostRegistered() ? 1 : 0;
    auto icon = std::make_shared<Icon>();
    icon->record = record;
    if (record.uFlags & kNifIcon)
        icon->tray.setIcon(record.hIcon);
    if (record.uFlags & kNifTip)
        icon->tray.setToolTip(record.szTip);
    const bool statusNotifier = system_->statusNotifier == 1;
    QObject::connect(&icon->tray, &QSystemTrayIcon::activated, &icon->tray,
                     [this, record, statusNotifier](QSystemTrayIcon::ActivationReason reason) {
                         for (const int code : mouseCodesFor(reason, statusNotifier))
                             deliver(record, code);
                     });
    // With no tray on the desktop the icon waits and docks by itself when
    // one appears.
    icon->tray.show();
    icons_.insert({record.hWnd, record.uID}, icon);
    return true;
}

// Qt shows an icon by itself once a tray is there, and again when a new one
// comes: there is nothing to ask again.
bool HostNotificationArea::addAgain(Icon& /*icon*/) { return false; }

void HostNotificationArea::release(Icon& icon) { icon.tray.hide(); }

} // namespace platform
