// The Linux shell layer's parser: it accepts exactly the documented lines
// and nothing else, whatever text it is handed.

#include "platform/host/linux/shutdown_line.h"
#include "platform/host/linux/start_line.h"

#include <QStringView>

#include <cstdint>
#include <cstdlib>

using namespace platform;

namespace {

bool allDigits(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

void checkShutdown(const QString& line)
{
    const std::optional<ShutdownRequest> request = parseShutdownLine(line);
    if (!request)
        return;
    if (request->kind == ShutdownRequest::Kind::Cancel) {
        if (line != QStringLiteral("cmd.exe /c shutdown -a"))
            std::abort();
        return;
    }
    const QString prefix = request->type == u"poweroff" ? QStringLiteral("cmd.exe /c shutdown -s -t ")
                                                        : QStringLiteral("cmd.exe /c shutdown -r -t ");
    if (request->type != u"poweroff" && request->type != u"reboot")
        std::abort();
    if (!line.startsWith(prefix))
        std::abort();
    const QStringView number = QStringView(line).mid(prefix.size());
    if (!allDigits(number) || number.size() > 9)
        std::abort();
    if (number.toULongLong() != request->seconds || request->seconds > kMaxShutdownDelaySeconds)
        std::abort();
}

void checkStart(const QString& line)
{
    const std::optional<QUrl> url = parseStartLine(line);
    if (!url)
        return;
    if (!line.startsWith(kStartPrefix))
        std::abort();
    const QString address = line.mid(kStartPrefix.size());
    for (const QChar c : address) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
                           || QStringView(u"-._~:/?#[]@!*+,=%").contains(c);
        if (!plain)
            std::abort(); // nothing a command interpreter would act on
    }
    if (url->scheme() != u"http" && url->scheme() != u"https")
        std::abort();
    if (url->host().isEmpty() || !url->isValid())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    checkShutdown(line);
    checkStart(line);
    // A line is one form or the other, never both.
    if (parseShutdownLine(line) && parseStartLine(line))
        std::abort();
    return 0;
}
