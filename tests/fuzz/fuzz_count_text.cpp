// The seconds box's text as a number, and the number written back: any text
// reads as a finite number or none, and a number written reads back as
// itself (to the 15 digits it is written with).

#include "schedule/count_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace schedule;

namespace {

void check(const QString& text, QChar point)
{
    const std::optional<double> value = readCount(text, point);
    if (!value)
        return;
    if (!std::isfinite(*value))
        std::abort();
    const QString written = writeCount(*value, point);
    if (written.isEmpty() || written.contains(u' ') || written.startsWith(u'+'))
        std::abort();
    if (std::trunc(*value) == *value && std::fabs(*value) < 1e15) {
        // A whole number: plain digits, no leading zeros, no point.
        const QString digits = written.startsWith(u'-') ? written.mid(1) : written;
        if (digits.size() > 1 && digits.startsWith(u'0'))
            std::abort();
        if (digits.contains(point) || digits.contains(u'.'))
            std::abort();
    }
    const std::optional<double> again = readCount(written, point);
    if (!again)
        std::abort();
    if (std::fabs(*again - *value) > 1e-14 * std::fabs(*value))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    check(text, u'.');
    check(text, u',');
    return 0;
}
