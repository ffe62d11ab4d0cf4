#pragma once
// A notification area that records every call with a copy of the record,
// refuses a repeated add or delete as the real one does, and lets a test
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
    bool isAvailable() const override { return available; }

    // The icon's mouse event `code` (platform::kWmLButtonDblClk, …), sent to
    // its window as the notification area does. Returns false with no icon.
    bool mouse(int code);
    int iconCount() const { return registered_ ? 1 : 0; }

    QList<RecordedTrayCall> calls;
    bool available = true;
    // Runs at each call, after it has been recorded.
    std::function<void(const RecordedTrayCall&)> onCall;

private:
    bool registered_ = false;
    platform::TrayRecord icon_;
};

} // namespace fakes
