#pragma once
// Shell: the program's command lines carried out by the host. On Linux the
// shutdown lines go to systemd-logind over D-Bus (see shutdown_line.h), the
// desktop is told of what is pending (see shutdown_warnings.h) and the start
// line goes to the desktop's browser (shell.cpp); on Windows a line is
// started as a new process, as it stands (win_shell.cpp).

#include "console.h"
#include "platform/platform.h"

#include <QObject>
#include <QTimer>

#include <deque>
#include <optional>

#ifndef Q_OS_WIN
#include "bus.h"
#include "shutdown_line.h"
#include "shutdown_warnings.h"
#endif

namespace platform {

class HostShell final : public Shell {
public:
    // Failures the host reports later (logind refusing, no logind at all) are
    // told to the user through `notices`, without blocking.
    explicit HostShell(MessageBox& notices);
    void run(const QString& commandLine, int windowStyle) override;

#ifndef Q_OS_WIN
    // A schedule that cannot reach logind within this of its click is not
    // sent: logind counts from the time the call names, so a late call would
    // shorten the time the user asked for (a late "六十秒关机" is a shutdown
    // on the spot, before the notice of it is even shown).
    static constexpr int kLatestScheduleMs = 5000;
#endif

private:
    // A line that failed: said on standard error and in the "错误" notice.
    void reportFailure(const QString& what, const QString& reason, const QString& detail)
    {
        QString text = what + u'：' + reason + u'。';
        if (!detail.isEmpty())
            text += u'\n' + detail;
        writeErrorLine(text);
        notices_.notify(text, kCritical, QStringLiteral("错误"));
    }
    void openAddress(const QString& commandLine);
#ifndef Q_OS_WIN
    // A line for logind, from its click on. Lines go out one at a time, in
    // the order of their clicks.
    struct Call {
        ShutdownRequest request;
        QDBusMessage message;
        std::uint64_t clickUsec = 0;   // wall clock: the time the schedule names counts from it
        std::int64_t clickBootMs = 0;  // a clock that goes on while the machine sleeps
    };
    void sendNext();
    void sendSchedule(QDBusConnection bus, std::uint64_t token);
    void send(QDBusConnection bus, const Call& call);
    void done(std::uint64_t token);
    void failed(std::uint64_t token, const Call& call, const QString& reason, const QString& detail);
    std::int64_t lateMs(const Call& call) const;
    void accepted(const ShutdownRequest& request, std::uint64_t nowUsec, const QDBusMessage& reply);
    ShutdownWarnings& warnings();
#endif

    MessageBox& notices_;
    QObject context_; // owns the pending calls' watchers
#ifndef Q_OS_WIN
    std::deque<Call> calls_;
    std::uint64_t token_ = 0; // the call on its way; a stale answer finds another
    bool sending_ = false;
    QTimer late_;             // the call on its way has run out of time
    Bus systemBus_{QDBusConnection::SystemBus};
    Bus sessionBus_{QDBusConnection::SessionBus};
    // Following logind for the desktop's notices begins once the start is
    // over (or at the first shutdown line, if that is sooner): the splash
    // and the main window's first showing do not wait for the buses.
    static constexpr int kFollowAfterStartMs = 2500;
    std::optional<ShutdownWarnings> warnings_;
#endif
};

} // namespace platform
