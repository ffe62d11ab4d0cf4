#include "platform/host/shell.h"

#include "bus.h"
#include "platform/host/console.h"
#include "shutdown_line.h"
#include "shutdown_warnings.h"
#include "start_line.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QDBusError>
#include <QDBusPendingCallWatcher>
#include <QTimer>

#include <deque>
#include <optional>

namespace platform {

// On Linux the shutdown lines go to systemd-logind over D-Bus (see
// shutdown_line.h), the desktop is told of what is pending (see
// shutdown_warnings.h), and the start line goes to the desktop's browser.
class HostShell::System {
public:
    explicit System(MessageBox& notices);
    void run(const QString& commandLine);

    // A schedule that cannot reach logind within this of its click is not
    // sent: logind counts from the time the call names, so a late call would
    // shorten the time the user asked for (a late "六十秒关机" is a shutdown
    // on the spot, before the notice of it is even shown).
    static constexpr int kLatestScheduleMs = 5000;
    // How much sooner than the deadline a ping's time-out may be told.
    static constexpr int kPingSlackMs = 250;

private:
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
    void openAddress(const QString& commandLine);
    void reportFailure(const QString& what, const QString& reason, const QString& detail)
    {
        reportFailedLine(notices_, what, reason, detail);
    }

    MessageBox& notices_;
    QObject context_; // owns the pending calls' watchers
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
};

namespace {

QString whatFailed(const ShutdownRequest& request)
{
    if (request.kind == ShutdownRequest::Kind::Cancel)
        return QStringLiteral("未能取消关机");
    if (request.type == u"reboot")
        return QStringLiteral("未能安排重启");
    return request.seconds == 0 ? QStringLiteral("未能立刻关机") : QStringLiteral("未能安排关机");
}

QString reasonFor(const QDBusError& error)
{
    const QString name = error.name();
    if (name == u"org.freedesktop.DBus.Error.ServiceUnknown"
        || name == u"org.freedesktop.DBus.Error.NameHasNoOwner")
        return QStringLiteral("系统中没有运行 systemd-logind");
    if (name == u"org.freedesktop.DBus.Error.AccessDenied"
        || name == u"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired")
        return QStringLiteral("没有关机的权限");
    if (name == u"org.freedesktop.DBus.Error.NoReply" || name == u"org.freedesktop.DBus.Error.Timeout")
        return QStringLiteral("systemd-logind 没有应答");
    if (name == u"org.freedesktop.DBus.Error.UnknownMethod")
        return QStringLiteral("systemd-logind 不支持定时关机");
    return QStringLiteral("系统拒绝了请求");
}

// A schedule that could not go out in time.
const QString kLateReason = QStringLiteral("系统总线没有及时应答");
QString lateDetail()
{
    return QStringLiteral("not sent: it could not reach systemd-logind within %1 s of the click, and a late"
                          " call would shorten the time asked for")
        .arg(HostShell::System::kLatestScheduleMs / 1000);
}

// A polkit password dialog may stay open a while; do not give up on the call
// before the user had time to answer it.
constexpr int kLogindCallTimeoutMs = 5 * 60 * 1000;

} // namespace

void HostShell::System::run(const QString& commandLine)
{
    if (looksLikeStartLine(commandLine)) {
        openAddress(commandLine);
        return;
    }
    QString why;
    const std::optional<ShutdownRequest> request = parseShutdownLine(commandLine, &why);
    if (!request) {
        writeErrorLine(QStringLiteral("refused command line \"%1\": %2").arg(commandLine, why));
        return;
    }
    // The time is the click's: the delay counts from the moment the user
    // asked, not from whenever the bus takes the call.
    const std::uint64_t now = wallClockUsec();
    calls_.push_back({*request, logindCall(*request, now), now, bootClockMs()});
    sendNext();
}

std::int64_t HostShell::System::lateMs(const Call& call) const
{
    // On both clocks: the wall clock may have been set forward meanwhile
    // (which brings the time the call names nearer), the machine may have
    // slept (which the wall clock counts, and the monotonic one would not).
    const std::int64_t wall = (std::int64_t(wallClockUsec()) - std::int64_t(call.clickUsec)) / 1000;
    return std::max(wall, bootClockMs() - call.clickBootMs);
}

void HostShell::System::sendNext()
{
    if (sending_ || calls_.empty())
        return;
    sending_ = true;
    const std::uint64_t token = ++token_;
    const Call& call = calls_.front();
    const bool schedule = call.request.kind == ShutdownRequest::Kind::Schedule;
    // A cancel is welcome whenever it comes; a schedule has its time.
    if (schedule) {
        late_.start(int(std::max<std::int64_t>(0, kLatestScheduleMs - lateMs(call))));
    }
    systemBus_.whenConnected([this, token, schedule](std::optional<QDBusConnection> bus, const QString& why) {
        if (token != token_)
            return; // given up meanwhile
        if (!bus) {
            failed(token, calls_.front(), QStringLiteral("无法连接系统总线"), why);
            return;
        }
        if (schedule)
            sendSchedule(*bus, token);
        else {
            send(*bus, calls_.front());
            done(token);
        }
    });
}

void HostShell::System::sendSchedule(QDBusConnection bus, std::uint64_t token)
{
    // Only through a bus that answers now: a daemon held up while the call
    // sits in its queue would hand it to logind late. logind's peer answers
    // a ping at once, without asking polkit.
    const std::int64_t left = kLatestScheduleMs - lateMs(calls_.front());
    if (left <= 0) {
        failed(token, calls_.front(), kLateReason, lateDetail());
        return;
    }
    const QDBusMessage ping = QDBusMessage::createMethodCall(kLogindService, kLogindPath,
                                                             QStringLiteral("org.freedesktop.DBus.Peer"),
                                                             QStringLiteral("Ping"));
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ping, int(left)), &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this, token, bus](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (token != token_)
                             return;
                         const Call& call = calls_.front();
                         // The ping had the time left to the schedule: its running
                         // out is the bus not answering in time, whichever of it and
                         // the deadline's own timer comes first.
                         const bool timedOut = finished->isError()
                                               && (finished->error().type() == QDBusError::NoReply
                                                   || finished->error().type() == QDBusError::Timeout)
                                               && lateMs(call) >= kLatestScheduleMs - kPingSlackMs;
                         if (finished->isError() && !timedOut) {
                             const QDBusError error = finished->error();
                             failed(token, call, reasonFor(error), error.name() + QStringLiteral(": ") + error.message());
                             return;
                         }
                         if (timedOut || lateMs(call) >= kLatestScheduleMs) {
                             failed(token, call, kLateReason, lateDetail());
                             return;
                         }
                         send(bus, call);
                         done(token);
                     });
}

void HostShell::System::send(QDBusConnection bus, const Call& call)
{
    const QDBusPendingCall pending = bus.asyncCall(call.message, kLogindCallTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(pending, &context_);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this, call](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (!finished->isError()) {
                             accepted(call.request, call.clickUsec, finished->reply());
                             return;
                         }
                         const QDBusError error = finished->error();
                         reportFailure(whatFailed(call.request), reasonFor(error),
                                       error.name() + QStringLiteral(": ") + error.message());
                     });
}

void HostShell::System::done(std::uint64_t token)
{
    if (token != token_)
        return;
    ++token_; // whatever of this call is still on its way is stale now
    late_.stop();
    calls_.pop_front();
    sending_ = false;
    sendNext();
}

void HostShell::System::failed(std::uint64_t token, const Call& call, const QString& reason, const QString& detail)
{
    const ShutdownRequest request = call.request; // `call` goes with the queue's front
    done(token);
    reportFailure(whatFailed(request), reason, detail);
}

HostShell::System::System(MessageBox& notices) : notices_(notices)
{
    late_.setSingleShot(true);
    QObject::connect(&late_, &QTimer::timeout, &context_, [this] {
        if (sending_ && !calls_.empty())
            failed(token_, calls_.front(), kLateReason, lateDetail());
    });
    QTimer::singleShot(kFollowAfterStartMs, &context_, [this] { warnings(); });
}

ShutdownWarnings& HostShell::System::warnings()
{
    if (!warnings_)
        warnings_.emplace(systemBus_, sessionBus_);
    return *warnings_;
}

void HostShell::System::accepted(const ShutdownRequest& request, std::uint64_t nowUsec, const QDBusMessage& reply)
{
    if (request.kind == ShutdownRequest::Kind::Schedule) {
        warnings().scheduledHere(request.type, scheduledTimeUsec(request, nowUsec));
        return;
    }
    // logind says whether there was anything to cancel.
    const QVariantList answer = reply.arguments();
    warnings().cancelledHere(answer.isEmpty() || answer.first().toBool());
}

void HostShell::System::openAddress(const QString& commandLine)
{
    QString why;
    const std::optional<QUrl> address = parseStartLine(commandLine, &why);
    if (!address) {
        writeErrorLine(QStringLiteral("refused command line \"%1\": %2").arg(commandLine, why));
        return;
    }
    // The desktop's default browser (xdg-open, or $BROWSER), started as a
    // program of its own with the address as its argument.
    if (QDesktopServices::openUrl(*address))
        return;
    const QString text = QStringLiteral("未能打开浏览器。请把下面的网址复制到浏览器里打开：\n%1")
                             .arg(address->toString(QUrl::FullyEncoded));
    writeErrorLine(text);
    notices_.notify(text, kCritical, QStringLiteral("错误"));
}

HostShell::HostShell(MessageBox& notices) : system_(std::make_unique<System>(notices)) {}
HostShell::~HostShell() = default;

void HostShell::run(const QString& commandLine, int /*windowStyle: no window here*/) { system_->run(commandLine); }

} // namespace platform
