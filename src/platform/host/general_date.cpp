#include "general_date.h"

namespace platform {

QLocale clockLocaleFor(const QLocale& system)
{
    return system.language() == QLocale::C ? QLocale(QLocale::Chinese, QLocale::China) : system;
}

QString longTimeFormatWithoutZone(const QLocale& locale)
{
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString kept;
    kept.reserve(format.size());
    bool quoted = false;
    for (const QChar c : format) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't')
            continue;
        kept.append(c);
    }
    return kept.simplified();
}

QString formatGeneralDate(const QDateTime& when, const QLocale& locale, const QString& timeFormat)
{
    const QString date = locale.toString(when.date(), QLocale::ShortFormat);
    const QTime time = when.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return date;
    return date + u' ' + locale.toString(time, timeFormat);
}

QString formatGeneralDate(const QDateTime& when, const QLocale& locale)
{
    return formatGeneralDate(when, locale, longTimeFormatWithoutZone(locale));
}

} // namespace platform
