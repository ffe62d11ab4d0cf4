#include "fake_tray.h"

#include "platform/forms.h"

#include <QCoreApplication>

namespace fakes {

using namespace platform;

bool FakeNotificationArea::notifyIcon(int message, TrayRecord& record)
{
    bool accepted = false;
    const bool known = registered_ && record.hWnd == icon_.hWnd && record.uID == icon_.uID;
    if (message == kNimAdd && (!registered_ || (known && !shown_))) {
        if (!registered_)
            icon_ = record;
        registered_ = true;
        shown_ = accepted = !refusesIcons;
    } else if (message == kNimDelete && known) {
        registered_ = shown_ = false;
        accepted = true;
    }
    calls.append({message, record, accepted});
    if (onCall)
        onCall(calls.last());
    return accepted;
}

bool FakeNotificationArea::isShown(const TrayRecord& record) const
{
    return registered_ && shown_ && available && record.hWnd == icon_.hWnd && record.uID == icon_.uID;
}

bool FakeNotificationArea::mouse(int code)
{
    if (!isShown(icon_) || !(icon_.uFlags & kNifMessage) || icon_.uCallbackMessage != quint32(kWmMouseMove))
        return false;
    const bool sent = postMouseMessage(icon_.hWnd, code);
    QCoreApplication::processEvents(); // the message arrives through the event loop
    return sent;
}

} // namespace fakes
