#pragma once
// The time of day in the system's time zone, for a clock read each second.

#include <QDateTime>

#include <memory>

namespace platform {

class LocalTime {
public:
    // `zoneFile`: where the system keeps the zone it has, where it has one
    // (another file only for a test).
    explicit LocalTime(const char* zoneFile = "/etc/localtime");
    ~LocalTime();
    LocalTime(const LocalTime&) = delete;
    LocalTime& operator=(const LocalTime&) = delete;

    // Now, in the time zone the system has at this moment: a zone set
    // meanwhile is followed at the next reading.
    QDateTime now();

private:
    const char* zoneFile_;
    struct ZoneWatch;
    std::unique_ptr<ZoneWatch> zone_;
};

} // namespace platform
