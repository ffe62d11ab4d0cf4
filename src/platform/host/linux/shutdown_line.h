#pragma once
// On Linux the program's shutdown command lines are carried out by
// systemd-logind rather than by a command interpreter. This file reads such a
// line into a request, refusing anything that is not exactly one of the
// accepted forms, and builds the logind call for it.

#include <QDBusMessage>
#include <QString>

#include <cstdint>
#include <optional>

namespace platform {

struct ShutdownRequest {
    enum class Kind { Schedule, Cancel };
    Kind kind = Kind::Cancel;
    QString type;          // "poweroff" or "reboot" for Schedule
    std::uint32_t seconds = 0;

    friend bool operator==(const ShutdownRequest&, const ShutdownRequest&) = default;
};

// The largest delay the Windows shutdown command accepts (ten years); the
// same bound is kept here so that both hosts accept the same lines.
inline constexpr std::uint32_t kMaxShutdownDelaySeconds = 315360000;

// Accepts exactly "cmd.exe /c shutdown -s -t N", "cmd.exe /c shutdown -r -t N"
// and "cmd.exe /c shutdown -a", with single spaces and N made of ASCII digits.
// On refusal returns nothing and, when `why` is given, says why.
std::optional<ShutdownRequest> parseShutdownLine(const QString& line, QString* why = nullptr);

inline const QString kLogindService = QStringLiteral("org.freedesktop.login1");
inline const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
inline const QString kLogindManager = QStringLiteral("org.freedesktop.login1.Manager");

// The wall-clock time a scheduled request asks logind for: `nowUsec`, the
// time of the request in microseconds since the epoch, plus the delay.
std::uint64_t scheduledTimeUsec(const ShutdownRequest& request, std::uint64_t nowUsec);

// The logind call for `request`; `nowUsec` is the wall-clock time in
// microseconds since the epoch, to which a scheduled delay is added.
QDBusMessage logindCall(const ShutdownRequest& request, std::uint64_t nowUsec);

// Wall-clock time (CLOCK_REALTIME) in microseconds since the epoch.
std::uint64_t wallClockUsec();
// Milliseconds on a clock that goes on while the machine sleeps
// (CLOCK_BOOTTIME) and is never set.
std::int64_t bootClockMs();

} // namespace platform
