#include "tray_icon.h"

namespace platform {

void HostNotificationArea::deliver(const TrayRecord& record, int mouseMessage) const
{
    if ((record.uFlags & kNifMessage) && record.uCallbackMessage == quint32(kWmMouseMove) && deliver_)
        deliver_(record.hWnd, mouseMessage);
}

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
