#pragma once
// A clock set by hand, formatting in a locale the test chooses.

#include "platform/host/general_date.h"
#include "platform/platform.h"

#include <QLocale>

namespace fakes {

class FakeClock final : public platform::Clock {
public:
    QDateTime now() const override { return current; }
    QString generalText(const QDateTime& when) const override { return platform::formatGeneralDate(when, locale); }

    QDateTime current = QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9));
    QLocale locale = QLocale(QLocale::Chinese, QLocale::China);
};

} // namespace fakes
