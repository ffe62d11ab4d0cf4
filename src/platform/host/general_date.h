#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace platform {

// The locale the clock line's date and time are written in: the user's, or,
// with none configured (the C or POSIX locale), the program's own language,
// Chinese.
QLocale clockLocaleFor(const QLocale& system);

// The locale's long time format with its time-zone part taken out.
QString longTimeFormatWithoutZone(const QLocale& locale);

// The general text form of a date and time in `locale`: short date, one
// space, long time without a time zone; at exactly midnight (to the second)
// the date alone. `timeFormat` is longTimeFormatWithoutZone(locale), passed in
// so that a caller formatting many times can work it out once.
QString formatGeneralDate(const QDateTime& when, const QLocale& locale, const QString& timeFormat);
QString formatGeneralDate(const QDateTime& when, const QLocale& locale);

} // namespace platform
