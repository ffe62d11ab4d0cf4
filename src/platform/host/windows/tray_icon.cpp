#include "platform/host/tray_icon.h"

#include "notify_icon.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <qt_windows.h>

namespace platform {

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

struct HostNotificationArea::System {
    std::shared_ptr<WinNotifyWindow> notifyWindow; // where the icons report
    quint32 nextShellId = 1;                       // the icons' numbers there
};

HostNotificationArea::HostNotificationArea(Deliver deliver)
    : deliver_(std::move(deliver)), system_(std::make_unique<System>())
{
}

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
    if (!system_->notifyWindow) {
        system_->notifyWindow = std::make_shared<WinNotifyWindow>(
            [this](unsigned shellId, unsigned mouseMessage) {
                for (const auto& icon : std::as_const(icons_))
                    if (icon->shellId == shellId)
                        deliver(icon->record, int(mouseMessage));
            },
            [this] {
                // A new taskbar holds none of the icons: every one is added
                // again.
                for (const auto& icon : std::as_const(icons_))
                    icon->show(*system_->notifyWindow);
            });
    }
    auto icon = std::make_shared<Icon>();
    icon->record = record;
    icon->shellId = system_->nextShellId++;
    if ((record.uFlags & kNifIcon) && !record.hIcon.isNull()) {
        const int size = GetSystemMetrics(SM_CXSMICON);
        icon->handle = record.hIcon.pixmap(size > 0 ? size : 16).toImage().toHICON();
    }
    icons_.insert({record.hWnd, record.uID}, icon);
    return icon->show(*system_->notifyWindow);
}

bool HostNotificationArea::addAgain(Icon& icon)
{
    // The taskbar may have lost the icon without a word: it ended, and no
    // new one has announced itself yet.
    if (icon.shown && system_->notifyWindow->has(icon.shellId))
        return false; // there already
    return icon.show(*system_->notifyWindow);
}

void HostNotificationArea::release(Icon& icon)
{
    if (system_->notifyWindow)
        system_->notifyWindow->remove(icon.shellId);
    if (icon.handle)
        DestroyIcon(icon.handle);
    icon.handle = nullptr;
}

} // namespace platform
