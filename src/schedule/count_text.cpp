#include "count_text.h"

#include <cmath>
#include <cstdint>

namespace schedule {

namespace {

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isSpace(QChar c) { return c == u' ' || c == u'\t'; }

} // namespace

std::optional<double> readCount(const QString& text, QChar decimalPoint)
{
    qsizetype i = 0;
    qsizetype end = text.size();
    while (i < end && isSpace(text[i]))
        ++i;
    while (end > i && isSpace(text[end - 1]))
        --end;

    // Copy the number in C form, checking its shape as we go.
    QString plain;
    const auto copySign = [&] {
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            plain += text[i++];
    };
    const auto copyDigits = [&] {
        qsizetype copied = 0;
        for (; i < end && isDigit(text[i]); ++i, ++copied)
            plain += text[i];
        return copied;
    };
    copySign();
    qsizetype digits = copyDigits();
    if (i < end && (text[i] == u'.' || text[i] == decimalPoint)) {
        plain += u'.';
        ++i;
        digits += copyDigits();
    }
    if (digits == 0)
        return std::nullopt;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        plain += u'e';
        ++i;
        copySign();
        if (copyDigits() == 0)
            return std::nullopt;
    }
    if (i != end)
        return std::nullopt;

    bool ok = false;
    const double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString writeCount(double value, QChar decimalPoint)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0
    if (std::trunc(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<std::int64_t>(value));
    QString text = QString::number(value, 'g', 15);
    if (decimalPoint != u'.')
        text.replace(u'.', decimalPoint);
    return text;
}

} // namespace schedule
