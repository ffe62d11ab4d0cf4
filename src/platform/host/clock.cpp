#include "clock.h"

#include "platform/general_date.h"

namespace platform {

namespace {

// The user's locale for dates and times; with none configured (the C or
// POSIX locale) the program's own language, Chinese, whose short form also
// fits the clock line.
QLocale clockLocale()
{
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? QLocale(QLocale::Chinese, QLocale::China) : system;
}

} // namespace

HostClock::HostClock() : locale_(clockLocale()), timeFormat_(longTimeFormatWithoutZone(locale_)) {}

QDateTime HostClock::now() const { return QDateTime::currentDateTime(); }

qint64 HostClock::epochSecond() const { return QDateTime::currentSecsSinceEpoch(); }

QString HostClock::generalText(const QDateTime& when) const
{
    return formatGeneralDate(when, locale_, timeFormat_);
}

} // namespace platform
