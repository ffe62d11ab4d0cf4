#include "shutdown_warnings.h"

#include "shutdown_line.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDateTime>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <functional>
#include <limits>

#include <sys/timerfd.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr std::uint64_t kSecondUsec = 1000000;
constexpr std::uint64_t kTenMinutesUsec = 600 * kSecondUsec;
constexpr std::uint64_t kOneMinuteUsec = 60 * kSecondUsec;
// Within this the time is told to the second.
constexpr std::uint64_t kSecondsShownUsec = 120 * kSecondUsec;

const QString kProperty = QStringLiteral("ScheduledShutdown");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

// logind does not signal changes of ScheduledShutdown (the property is
// marked EmitsChangedSignal "false"). It keeps the pending shutdown in a file
// in this folder, written when a shutdown is scheduled and removed when it
// is cancelled or done: a change there is taken as a hint to read the
// property again, which is what counts.
const QString kScheduleFolder = QStringLiteral("/run/systemd/shutdown");
const QString kRunFolder = QStringLiteral("/run/systemd");
// Where neither can be watched, the property is read this often.
constexpr int kPollMs = 60 * 1000;

QString actionName(const QString& type)
{
    if (type == u"reboot" || type == u"kexec" || type == u"soft-reboot")
        return QStringLiteral("重启");
    return QStringLiteral("关机"); // poweroff, halt
}

QDateTime localTime(std::uint64_t usec) { return QDateTime::fromMSecsSinceEpoch(qint64(usec / 1000)); }

// "21:45", "21:45:03", "明天 01:45", "3月5日 01:45", "2027年3月5日 01:45".
QString whenText(std::uint64_t usec, std::uint64_t nowUsec)
{
    const QDateTime when = localTime(usec);
    const QDate today = localTime(nowUsec).date();
    const bool seconds = usec < nowUsec + kSecondsShownUsec;
    const QString clock = when.toString(seconds ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
    const qint64 days = today.daysTo(when.date());
    if (days == 0)
        return clock;
    if (days == 1)
        return QStringLiteral("明天 ") + clock;
    if (days == 2)
        return QStringLiteral("后天 ") + clock;
    if (when.date().year() == today.year())
        return when.date().toString(QStringLiteral("M月d日 ")) + clock;
    return when.date().toString(QStringLiteral("yyyy年M月d日 ")) + clock;
}

// "将于" + " 21:45", "将于" + "明天 01:45": a space only before digits.
QString after(const QString& lead, const QString& when)
{
    return when.front().isDigit() ? lead + u' ' + when : lead + when;
}

QString leftText(std::uint64_t usec, std::uint64_t nowUsec)
{
    const std::uint64_t left = usec > nowUsec ? (usec - nowUsec + kSecondUsec / 2) / kSecondUsec : 0;
    if (left >= 60)
        return QStringLiteral("还有 %1 分钟").arg(left / 60);
    return QStringLiteral("还有 %1 秒").arg(left);
}

} // namespace

std::optional<PendingShutdown> pendingShutdown(const QString& type, std::uint64_t usec)
{
    if (type.isEmpty() || type.startsWith(u"dry-") || usec == 0
        || usec == std::numeric_limits<std::uint64_t>::max())
        return std::nullopt;
    return PendingShutdown{type, usec};
}

std::optional<PendingShutdown> readScheduledShutdown(const QVariant& value)
{
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != u"(st)")
        return std::nullopt;
    QString type;
    qulonglong usec = 0;
    argument.beginStructure();
    argument >> type >> usec;
    argument.endStructure();
    return pendingShutdown(type, usec);
}

ShutdownStage shutdownStage(std::uint64_t usec, std::uint64_t nowUsec)
{
    if (nowUsec >= usec)
        return ShutdownStage::Due;
    const std::uint64_t left = usec - nowUsec;
    if (left <= kOneMinuteUsec)
        return ShutdownStage::OneMinute;
    if (left <= kTenMinutesUsec)
        return ShutdownStage::TenMinutes;
    return ShutdownStage::Far;
}

std::optional<std::uint64_t> nextStageUsec(std::uint64_t usec, std::uint64_t nowUsec)
{
    switch (shutdownStage(usec, nowUsec)) {
    case ShutdownStage::Far:
        return usec - kTenMinutesUsec;
    case ShutdownStage::TenMinutes:
        return usec - kOneMinuteUsec;
    case ShutdownStage::OneMinute:
    case ShutdownStage::Due:
        break;
    }
    return std::nullopt;
}

QString scheduledText(const PendingShutdown& shutdown, std::uint64_t nowUsec)
{
    return after(QStringLiteral("将于"), whenText(shutdown.usec, nowUsec)) + u' ' + actionName(shutdown.type);
}

QString warningText(const PendingShutdown& shutdown, std::uint64_t nowUsec)
{
    return scheduledText(shutdown, nowUsec) + u'\n' + leftText(shutdown.usec, nowUsec)
           + QStringLiteral("，请保存正在进行的工作。");
}

QString cancelledText(const std::optional<PendingShutdown>& shutdown, std::uint64_t nowUsec)
{
    if (!shutdown)
        return QStringLiteral("关机已取消");
    return after(QStringLiteral("原定于"), whenText(shutdown->usec, nowUsec)) + QStringLiteral(" 的")
           + actionName(shutdown->type) + QStringLiteral("已取消");
}

QString changedElsewhereText(const PendingShutdown& was, const std::optional<PendingShutdown>& now,
                             std::uint64_t nowUsec)
{
    const QString lead = after(QStringLiteral("原定于"), whenText(was.usec, nowUsec)) + QStringLiteral(" 的")
                         + actionName(was.type);
    if (!now)
        return lead + QStringLiteral("已被其他程序取消");
    return lead + QStringLiteral("已被其他程序替换\n") + scheduledText(*now, nowUsec);
}

// A moment on the wall clock (CLOCK_REALTIME): unlike a timer on the
// monotonic clock it comes on time after the machine slept through it
// (at once on waking), and it rings when the clock is set, so that what
// is due can be worked out again.
class WallClockAlarm {
public:
    explicit WallClockAlarm(std::function<void()> ring) : ring_(std::move(ring))
    {
        fd_ = ::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
        if (fd_ >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readable(); });
        } else {
            // No timerfd (a very old kernel): a timer on the monotonic clock.
            fallback_.setSingleShot(true);
            fallback_.setTimerType(Qt::PreciseTimer);
            QObject::connect(&fallback_, &QTimer::timeout, [this] { ring_(); });
        }
    }
    ~WallClockAlarm()
    {
        notifier_.reset();
        if (fd_ >= 0)
            ::close(fd_);
    }
    void setAt(std::uint64_t usec)
    {
        if (fd_ < 0) {
            const std::uint64_t now = wallClockUsec();
            fallback_.start(usec > now ? int(std::min<std::uint64_t>((usec - now + 999) / 1000, 1u << 30)) : 0);
            return;
        }
        itimerspec at {};
        at.it_value.tv_sec = time_t(usec / kSecondUsec);
        at.it_value.tv_nsec = long(usec % kSecondUsec) * 1000;
        if (at.it_value.tv_sec == 0 && at.it_value.tv_nsec == 0)
            at.it_value.tv_nsec = 1; // zero would disarm it
        ::timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &at, nullptr);
    }
    void stop()
    {
        if (fd_ < 0) {
            fallback_.stop();
            return;
        }
        const itimerspec off {};
        ::timerfd_settime(fd_, 0, &off, nullptr);
    }

private:
    void readable()
    {
        std::uint64_t expirations = 0;
        const ssize_t got = ::read(fd_, &expirations, sizeof expirations);
        // ECANCELED: the clock was set (by hand, by NTP, or on waking).
        if (got == ssize_t(sizeof expirations) || (got < 0 && errno == ECANCELED))
            ring_();
    }

    std::function<void()> ring_;
    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer fallback_;
};

ShutdownWarnings::ShutdownWarnings(Bus& systemBus, Bus& sessionBus)
    : systemBus_(systemBus), notices_(sessionBus), alarm_(std::make_unique<WallClockAlarm>([this] { reread(); }))
{
    rereadSoon_.setSingleShot(true);
    rereadSoon_.setInterval(50);
    connect(&rereadSoon_, &QTimer::timeout, this, &ShutdownWarnings::reread);
    poll_.setInterval(kPollMs);
    connect(&poll_, &QTimer::timeout, this, &ShutdownWarnings::reread);
    retry_.setSingleShot(true);
    retry_.setInterval(kPollMs);
    connect(&retry_, &QTimer::timeout, this, &ShutdownWarnings::reread);
    connect(&files_, &QFileSystemWatcher::directoryChanged, this, &ShutdownWarnings::filesChanged);

    // A logind (or a stand-in) that does signal its changes is heard at once.
    systemBus_.listen({QString(), kLogindPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"), {}, this,
                       SLOT(propertiesChanged(QString, QVariantMap, QStringList))});
    // logind started again (after a crash or an update) may have lost what
    // was pending, or brought it back.
    systemBus_.listen({kBusService, kBusPath, kBusService, QStringLiteral("NameOwnerChanged"), {kLogindService}, this,
                       SLOT(logindOwnerChanged(QString, QString, QString))});
    // A system bus that went away and came back: what was read before may
    // be out of date.
    systemBus_.whenConnectedAgain([this] { reread(); });
    watchFiles();
    reread();
}

ShutdownWarnings::~ShutdownWarnings() = default;

void ShutdownWarnings::watchFiles()
{
    if (QFileInfo(kScheduleFolder).isDir() && files_.addPath(kScheduleFolder)) {
        files_.removePath(kRunFolder);
        poll_.stop();
        return;
    }
    // Not there (yet): watch for it to appear.
    if (QFileInfo(kRunFolder).isDir() && (files_.directories().contains(kRunFolder) || files_.addPath(kRunFolder))) {
        poll_.stop();
        return;
    }
    poll_.start();
}

void ShutdownWarnings::filesChanged(const QString& path)
{
    if (path == kRunFolder || !QFileInfo(kScheduleFolder).isDir())
        watchFiles();
    rereadSoon();
}

void ShutdownWarnings::rereadSoon()
{
    // Not put off again by each hint of a burst: a flood of them (anyone on
    // the system bus may send PropertiesChanged) cannot keep the property
    // from being read.
    if (!rereadSoon_.isActive())
        rereadSoon_.start();
}

void ShutdownWarnings::logindOwnerChanged(const QString& name, const QString&, const QString&)
{
    if (name == kLogindService)
        rereadSoon();
}

void ShutdownWarnings::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                         const QStringList& invalidated)
{
    // Any sender may send this signal: it only makes the property be read
    // again from logind itself.
    if (interface == kLogindManager && (changed.contains(kProperty) || invalidated.contains(kProperty)))
        rereadSoon();
}

void ShutdownWarnings::reread()
{
    rereadSoon_.stop();
    const std::uint64_t changesBefore = changes_;
    systemBus_.whenConnected([this, changesBefore](std::optional<QDBusConnection> bus, const QString&) {
        if (!bus) {
            // No system bus yet (the buttons say so when used): try again
            // later, it may come.
            retry_.start();
            return;
        }
        QDBusMessage get = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kPropertiesInterface,
                                                          QStringLiteral("Get"));
        get << kLogindManager << kProperty;
        auto* watcher = new QDBusPendingCallWatcher(bus->asyncCall(get), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, changesBefore, bus = *bus](QDBusPendingCallWatcher* done) {
            done->deleteLater();
            // The program scheduled or cancelled meanwhile: this answer may
            // be from before that, and what the program did is known.
            if (changes_ != changesBefore) {
                check();
                return;
            }
            const QDBusPendingReply<QDBusVariant> reply = *done;
            if (reply.isError()) {
                // No logind (any more): go by what is known. The bus itself
                // gone: connect again later, it may come back.
                if (!bus.isConnected())
                    retry_.start();
                check();
                return;
            }
            seen(readScheduledShutdown(reply.value().variant()));
        });
    });
}

void ShutdownWarnings::seen(const std::optional<PendingShutdown>& pending)
{
    if (pending == pending_) {
        check();
        return;
    }
    const std::optional<PendingShutdown> was = std::exchange(pending_, pending);
    const std::uint64_t now = wallClockUsec();
    // The program's own schedule, before its time, is what the user asked
    // for: someone else took it back or put another in its place. Someone
    // who clicked "2小时关机" and left must not find the machine still on,
    // or restarted instead, without a word.
    const bool oursChanged = ours_ && was == ours_ && shutdownStage(ours_->usec, now) != ShutdownStage::Due;
    ours_.reset();
    if (oursChanged && (!pending_ || shutdownStage(pending_->usec, now) != ShutdownStage::Due)) {
        told_ = pending_ ? shutdownStage(pending_->usec, now) : ShutdownStage::Due;
        notices_.show({changedElsewhereText(*was, pending_, now), DesktopNotice::Urgency::Critical});
        showing_ = pending_.has_value();
        arm();
        return;
    }
    if (!pending_ || shutdownStage(pending_->usec, now) == ShutdownStage::Due) {
        // Cancelled (from a terminal, by another program), done, or a time
        // already past: the notice about it goes.
        if (showing_)
            notices_.close();
        showing_ = false;
        told_ = ShutdownStage::Due;
        arm();
        return;
    }
    // Scheduled by someone else, or by the program before it started.
    announce(now);
    arm();
}

void ShutdownWarnings::scheduledHere(const QString& type, std::uint64_t usec)
{
    ++changes_;
    const std::optional<PendingShutdown> pending = pendingShutdown(type, usec);
    ours_ = pending;
    if (!pending || pending == pending_)
        return; // already told
    pending_ = pending;
    announce(wallClockUsec());
    arm();
}

void ShutdownWarnings::cancelledHere(bool cancelled)
{
    ++changes_;
    ours_.reset();
    const std::optional<PendingShutdown> was = std::exchange(pending_, std::nullopt);
    arm();
    if (cancelled)
        notices_.show({cancelledText(was, wallClockUsec()), DesktopNotice::Urgency::Normal});
    else if (showing_)
        notices_.close(); // logind had nothing pending: what was shown is out of date
    showing_ = false;
}

void ShutdownWarnings::announce(std::uint64_t nowUsec)
{
    // The warnings of the stages already reached are in this notice.
    told_ = shutdownStage(pending_->usec, nowUsec);
    const bool imminent = told_ == ShutdownStage::OneMinute || told_ == ShutdownStage::Due;
    notices_.show({scheduledText(*pending_, nowUsec),
                   imminent ? DesktopNotice::Urgency::Critical : DesktopNotice::Urgency::Normal});
    showing_ = true;
}

void ShutdownWarnings::check()
{
    if (!pending_)
        return;
    const std::uint64_t now = wallClockUsec();
    const ShutdownStage stage = shutdownStage(pending_->usec, now);
    // A stage slept through is not warned of as if on time: the warning
    // given is the current stage's, with the time that is really left.
    if ((stage == ShutdownStage::TenMinutes || stage == ShutdownStage::OneMinute) && int(stage) > int(told_)) {
        told_ = stage;
        notices_.show({warningText(*pending_, now), stage == ShutdownStage::OneMinute
                                                        ? DesktopNotice::Urgency::Critical
                                                        : DesktopNotice::Urgency::Normal});
        showing_ = true;
    }
    arm();
}

void ShutdownWarnings::arm()
{
    const std::optional<std::uint64_t> next =
        pending_ ? nextStageUsec(pending_->usec, wallClockUsec()) : std::nullopt;
    if (next)
        alarm_->setAt(*next);
    else
        alarm_->stop();
}

} // namespace platform
