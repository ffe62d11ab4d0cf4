#include "tray_icon.h"

#include "platform/forms.h"

#ifdef Q_OS_WIN
#include "win_notify_icon.h"

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

// On Windows the icons report to a window of the host's own, each under a
// number of its own there; their events come to the window that owns the
// icon as its MouseMove, like on the other hosts. An icon the taskbar does
// not have (it refused the add, there being no taskbar yet, or it lost the
// icon when it restarted) stays the program's, and is put there again when a
// taskbar announces itself and at the next add.
struct HostNotificationArea::Icon {
    TrayRecord record;
    quint32 shellId = 0;
    HICON handle = nullptr;
    bool shown = false; // on the taskbar's notification area

    bool show(WinNotifyWindow& window)
    {
        const std::wstring tip = (record.uFlags & kNifTip) ? record.szTip.toStdWString() : std::wstring();
        shown = window.show(shellId, handle, tip);
        return shown;
    }
};

HostNotificationArea::HostNotificationArea() = default;
HostNotificationArea::~HostNotificationArea()
{
    for (const auto& icon : std::as_const(icons_))
        release(*icon);
}

bool HostNotificationArea::isShown(const TrayRecord& record) const
{
    const auto found = icons_.find({record.hWnd, record.uID});
    return found != icons_.end() && (*found)->shown;
}

bool HostNotificationArea::add(const TrayRecord& record)
{
    if (!notifyWindow_) {
        notifyWindow_ = std::make_shared<WinNotifyWindow>(
            [this](unsigned shellId, unsigned mouseMessage) {
                for (const auto& icon : std::as_const(icons_)) {
                    // Only the mouse-move message is a window event the
                    // program's windows receive; the icon's events come to
                    // them as such.
                    if (icon->shellId == shellId && icon->record.uCallbackMessage == quint32(kWmMouseMove)
                        && (icon->record.uFlags & kNifMessage))
                        postMouseMessage(icon->record.hWnd, int(mouseMessage));
                }
            },
            [this] {
                // A new taskbar holds none of the icons: every one is added
                // again.
                for (const auto& icon : std::as_const(icons_))
                    icon->show(*notifyWindow_);
            });
    }
    auto icon = std::make_shared<Icon>();
    icon->record = record;
    icon->shellId = nextShellId_++;
    if ((record.uFlags & kNifIcon) && !record.hIcon.isNull()) {
        const int size = GetSystemMetrics(SM_CXSMICON);
        icon->handle = record.hIcon.pixmap(size > 0 ? size : 16).toImage().toHICON();
    }
    icons_.insert({record.hWnd, record.uID}, icon);
    return icon->show(*notifyWindow_);
}

bool HostNotificationArea::addAgain(Icon& icon)
{
    // The taskbar may have lost the icon without a word: it ended, and no
    // new one has announced itself yet.
    if (icon.shown && notifyWindow_->has(icon.shellId))
        return false; // there already
    return icon.show(*notifyWindow_);
}

void HostNotificationArea::release(Icon& icon)
{
    if (notifyWindow_)
        notifyWindow_->remove(icon.shellId);
    if (icon.handle)
        DestroyIcon(icon.handle);
    icon.handle = nullptr;
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

bool HostNotificationArea::isShown(const TrayRecord& record) const
{
    return icons_.contains({record.hWnd, record.uID}) && QSystemTrayIcon::isSystemTrayAvailable();
}

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

// Qt shows an icon by itself once a tray is there, and again when a new one
// comes: there is nothing to ask again.
bool HostNotificationArea::addAgain(Icon& /*icon*/) { return false; }

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
        if (const auto found = icons_.find({record.hWnd, record.uID}); found != icons_.end())
            return addAgain(**found);
        return add(record);
    case kNimDelete:
        return remove(record);
    default:
        return false;
    }
}

} // namespace platform
