#pragma once
// A notification area that records every call with a copy of the record,
// refuses a repeated add or delete as the real one does, can refuse to show
// the icon as Windows' taskbar does while there is none, and lets a test
// click the icon.

#include "platform/platform.h"

#include <QList>

#include <functional>

namespace fakes {

struct RecordedTrayCall {
    int message = 0;
    platform::TrayRecord record; // as handed over
    bool accepted = false;
};

class FakeNotificationArea final : public platform::NotificationArea {
public:
    bool notifyIcon(int message, platform::TrayRecord& record) override;
    bool isShown(const platform::TrayRecord& record) const override;

    // The icon's mouse event `code` (platform::kWmLButtonDblClk, …), sent to
    // its window as the notification area does. Returns false with no icon
    // shown.
    bool mouse(int code);
    int iconCount() const { return registered_ ? 1 : 0; }

    QList<RecordedTrayCall> calls;
    // Whether the desktop has a notification area at all.
    bool available = true;
    // The area refuses to show the icons it is given (Windows: no taskbar
    // yet, or one restarting). A refused icon stays the program's, not
    // shown, and the next add asks for it again.
    bool refusesIcons = false;
    // Runs at each call, after it has been recorded.
    std::function<void(const RecordedTrayCall&)> onCall;

private:
    bool registered_ = false;
    bool shown_ = false;
    platform::TrayRecord icon_;
};

} // namespace fakes
