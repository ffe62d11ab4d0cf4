#include "platform/host/local_time.h"

namespace platform {

struct LocalTime::ZoneWatch {};

LocalTime::LocalTime(const char* zoneFile) : zoneFile_(zoneFile) {}
LocalTime::~LocalTime() = default;

QDateTime LocalTime::now() { return QDateTime::currentDateTime(); }

} // namespace platform
