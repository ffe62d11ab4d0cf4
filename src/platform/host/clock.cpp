#include "clock.h"

#include "general_date.h"

namespace platform {

HostClock::HostClock() : locale_(clockLocaleFor(QLocale::system())), timeFormat_(longTimeFormatWithoutZone(locale_)) {}

QDateTime HostClock::now() const { return localTime_.now(); }

qint64 HostClock::epochSecond() const { return QDateTime::currentSecsSinceEpoch(); }

QString HostClock::generalText(const QDateTime& when) const
{
    return formatGeneralDate(when, locale_, timeFormat_);
}

} // namespace platform
