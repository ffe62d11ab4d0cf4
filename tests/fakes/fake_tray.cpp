#include "fake_tray.h"

#include "platform/forms.h"

#include <QCoreApplication>

namespace fakes {

using namespace platform;

bool FakeNotificationArea::notifyIcon(int message, TrayRecord& record)
{
    bool accepted = false;
    if (message == kNimAdd && !registered_) {
        registered_ = true;
        icon_ = record;
        accepted = true;
    } else if (message == kNimDelete && registered_ && record.hWnd == icon_.hWnd && record.uID == icon_.uID) {
        registered_ = false;
        accepted = true;
    }
    calls.append({message, record, accepted});
    if (onCall)
        onCall(calls.last());
    return accepted;
}

bool FakeNotificationArea::isShown(const TrayRecord& record) const
{
    return registered_ && available && record.hWnd == icon_.hWnd && record.uID == icon_.uID;
}

bool FakeNotificationArea::mouse(int code)
{
    if (!registered_ || !(icon_.uFlags & kNifMessage) || icon_.uCallbackMessage != quint32(kWmMouseMove))
        return false;
    const bool sent = postMouseMessage(icon_.hWnd, code);
    QCoreApplication::processEvents(); // the message arrives through the event loop
    return sent;
}

} // namespace fakes
