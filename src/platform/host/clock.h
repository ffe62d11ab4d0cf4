#pragma once
// The system clock, with dates and times in the user's locale.

#include "local_time.h"
#include "platform/platform.h"

#include <QLocale>

namespace platform {

class HostClock final : public Clock {
public:
    HostClock();
    QDateTime now() const override;
    qint64 epochSecond() const override;
    QString generalText(const QDateTime& when) const override;

private:
    QLocale locale_;
    QString timeFormat_;
    mutable LocalTime localTime_;
};

} // namespace platform
