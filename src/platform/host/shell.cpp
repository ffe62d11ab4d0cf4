#include "shell.h"

#include "console.h"
#include "shutdown_line.h"
#include "start_line.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QDBusError>
#include <QDBusPendingCallWatcher>
#include <QTimer>

namespace platform {


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

// A polkit password dialog may stay open a while; do not give up on the call
// before the user had time to answer it.
constexpr int kLogindCallTimeoutMs = 5 * 60 * 1000;

} // namespace

void HostShell::run(const QString& commandLine, int /*windowStyle: no window here*/)
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

    // The time is the click's, whenever the bus takes the call.
    const std::uint64_t now = wallClockUsec();
    const QDBusMessage message = logindCall(*request, now);
    const QString what = whatFailed(*request);
    systemBus_.whenConnected([this, message, what, request = *request, now](std::optional<QDBusConnection> bus,
                                                                          const QString& why) {
        if (!bus) {
            reportFailure(what, QStringLiteral("无法连接系统总线"), why);
            return;
        }
        const QDBusPendingCall call = bus->asyncCall(message, kLogindCallTimeoutMs);
        auto* watcher = new QDBusPendingCallWatcher(call, &context_);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                         [this, what, request, now](QDBusPendingCallWatcher* finished) {
                             finished->deleteLater();
                             if (!finished->isError()) {
                                 accepted(request, now, finished->reply());
                                 return;
                             }
                             const QDBusError error = finished->error();
                             reportFailure(what, reasonFor(error),
                                           error.name() + QStringLiteral(": ") + error.message());
                         });
    });
}

HostShell::HostShell(MessageBox& notices) : notices_(notices)
{
    QTimer::singleShot(kFollowAfterStartMs, &context_, [this] { warnings(); });
}

ShutdownWarnings& HostShell::warnings()
{
    if (!warnings_)
        warnings_.emplace(systemBus_, sessionBus_);
    return *warnings_;
}

void HostShell::accepted(const ShutdownRequest& request, std::uint64_t nowUsec, const QDBusMessage& reply)
{
    if (request.kind == ShutdownRequest::Kind::Schedule) {
        warnings().scheduledHere(request.type, scheduledTimeUsec(request, nowUsec));
        return;
    }
    // logind says whether there was anything to cancel.
    const QVariantList answer = reply.arguments();
    warnings().cancelledHere(answer.isEmpty() || answer.first().toBool());
}

void HostShell::openAddress(const QString& commandLine)
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

} // namespace platform
