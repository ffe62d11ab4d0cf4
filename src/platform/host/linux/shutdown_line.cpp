#include "shutdown_line.h"

#include <QStringList>

#include <chrono>

#include <time.h>

namespace platform {

namespace {

bool refuse(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return false;
}

bool readSeconds(const QString& text, std::uint32_t& seconds, QString* why)
{
    if (text.isEmpty())
        return refuse(why, QStringLiteral("the delay is missing"));
    if (text.size() > 9)
        return refuse(why, QStringLiteral("the delay is too large"));
    std::uint64_t value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return refuse(why, QStringLiteral("the delay is not a whole number of seconds"));
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > kMaxShutdownDelaySeconds)
        return refuse(why, QStringLiteral("the delay is too large"));
    seconds = static_cast<std::uint32_t>(value);
    return true;
}

} // namespace

std::optional<ShutdownRequest> parseShutdownLine(const QString& line, QString* why)
{
    const QStringList words = line.split(u' ', Qt::KeepEmptyParts);
    if (words.size() < 4 || words[0] != u"cmd.exe" || words[1] != u"/c" || words[2] != u"shutdown") {
        refuse(why, QStringLiteral("not a shutdown command line"));
        return std::nullopt;
    }
    ShutdownRequest request;
    if (words.size() == 4 && words[3] == u"-a") {
        request.kind = ShutdownRequest::Kind::Cancel;
        return request;
    }
    if (words.size() != 6 || (words[3] != u"-s" && words[3] != u"-r") || words[4] != u"-t") {
        refuse(why, QStringLiteral("only -s -t N, -r -t N and -a are accepted"));
        return std::nullopt;
    }
    request.kind = ShutdownRequest::Kind::Schedule;
    request.type = words[3] == u"-s" ? QStringLiteral("poweroff") : QStringLiteral("reboot");
    if (!readSeconds(words[5], request.seconds, why))
        return std::nullopt;
    return request;
}

std::uint64_t scheduledTimeUsec(const ShutdownRequest& request, std::uint64_t nowUsec)
{
    return nowUsec + std::uint64_t(request.seconds) * 1000000u;
}

QDBusMessage logindCall(const ShutdownRequest& request, std::uint64_t nowUsec)
{
    const bool schedule = request.kind == ShutdownRequest::Kind::Schedule;
    QDBusMessage call = QDBusMessage::createMethodCall(
        kLogindService, kLogindPath, kLogindManager,
        schedule ? QStringLiteral("ScheduleShutdown") : QStringLiteral("CancelScheduledShutdown"));
    if (schedule) {
        const std::uint64_t when = scheduledTimeUsec(request, nowUsec);
        // logind wants "t": the value must travel as an unsigned 64-bit integer.
        call << request.type << QVariant::fromValue<qulonglong>(when);
    }
    // Let polkit ask the user for a password where its policy wants one.
    call.setInteractiveAuthorizationAllowed(true);
    return call;
}

std::uint64_t wallClockUsec()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

std::int64_t bootClockMs()
{
    timespec now {};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return std::int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

} // namespace platform
