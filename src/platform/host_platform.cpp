#include "host_platform.h"

#include "general_date.h"
#include "shutdown_line.h"
#include "win_process.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusPendingCallWatcher>
#include <QFontMetrics>
#include <QGridLayout>
#include <QSpacerItem>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace platform {

// ---- message boxes ---------------------------------------------------------

namespace {

QMessageBox::Icon iconFor(int flags)
{
    switch (flags & 0x70) {
    case kCritical: return QMessageBox::Critical;
    case kInformation: return QMessageBox::Information;
    case 0x20: return QMessageBox::Question;
    case 0x30: return QMessageBox::Warning;
    default: return QMessageBox::NoIcon;
    }
}

// Builds the box with the program's own Chinese button captions, so that they
// read the same whatever Qt translations are installed.
void setUpBox(QMessageBox& box, const QString& prompt, int flags, const QString& title)
{
    box.setWindowTitle(title.isEmpty() ? kApplicationTitle : title);
    box.setText(prompt);
    box.setIcon(iconFor(flags));
    box.setTextFormat(Qt::PlainText);
    if (asksYesNo(flags)) {
        QPushButton* yes = box.addButton(QStringLiteral("是(&Y)"), QMessageBox::YesRole);
        box.addButton(QStringLiteral("否(&N)"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
    } else {
        box.setDefaultButton(box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole));
    }
    // Wide enough that the window manager need not cut the title short
    // (the frame's icon and buttons take about as much again).
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int titleWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box.windowTitle());
        grid->addItem(new QSpacerItem(qMin(titleWidth + 120, 640), 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

void say(const QString& text)
{
    std::fprintf(stderr, "vesperon: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace

int HostMessageBox::show(const QString& prompt, int flags, const QString& title)
{
    QMessageBox box(QApplication::activeWindow());
    setUpBox(box, prompt, flags, title);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
    if (asksYesNo(flags))
        return box.buttonRole(box.clickedButton()) == QMessageBox::YesRole ? kAnswerYes : kAnswerNo;
    return kAnswerOk;
}

void HostMessageBox::notify(const QString& prompt, int flags, const QString& title)
{
    auto* box = new QMessageBox();
    setUpBox(*box, prompt, flags, title);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    box->raise();
}

// ---- shell -----------------------------------------------------------------

void HostShell::reportFailure(const QString& what, const QString& reason, const QString& detail)
{
    QString text = what + u'：' + reason + u'。';
    if (!detail.isEmpty())
        text += u'\n' + detail;
    say(text);
    notices_.notify(text, kCritical, QStringLiteral("错误"));
}

#ifdef Q_OS_WIN

void HostShell::run(const QString& commandLine, int windowStyle)
{
    unsigned long error = 0;
    if (!winStartProcess(commandLine.toStdWString(), windowStyle, error))
        reportFailure(QStringLiteral("未能执行命令"), QStringLiteral("错误代码 %1").arg(error),
                      commandLine);
}

#else

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
    QString why;
    const std::optional<ShutdownRequest> request = parseShutdownLine(commandLine, &why);
    if (!request) {
        say(QStringLiteral("refused command line \"%1\": %2").arg(commandLine, why));
        return;
    }

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        reportFailure(whatFailed(*request), QStringLiteral("无法连接系统总线"), bus.lastError().message());
        return;
    }

    const QDBusPendingCall call = bus.asyncCall(logindCall(*request, wallClockUsec()), kLogindCallTimeoutMs);
    auto* watcher = new QDBusPendingCallWatcher(call, &context_);
    const QString what = whatFailed(*request);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, &context_,
                     [this, what](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (!finished->isError())
                             return;
                         const QDBusError error = finished->error();
                         reportFailure(what, reasonFor(error),
                                       error.name() + QStringLiteral(": ") + error.message());
                     });
}

#endif

// ---- clock, folder, timers -------------------------------------------------

namespace {

// The user's locale for dates and times; with none configured (the C or
// POSIX locale) the program's own language, Chinese, whose short form also
// fits the clock line.
QLocale clockLocale()
{
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? QLocale(QLocale::Chinese, QLocale::China) : system;
}

} // namespace

HostClock::HostClock() : locale_(clockLocale()), timeFormat_(longTimeFormatWithoutZone(locale_)) {}

QDateTime HostClock::now() const { return QDateTime::currentDateTime(); }

qint64 HostClock::epochSecond() const { return QDateTime::currentSecsSinceEpoch(); }

QString HostClock::generalText(const QDateTime& when) const
{
    return formatGeneralDate(when, locale_, timeFormat_);
}

QString HostProgramFolder::path() const { return QCoreApplication::applicationDirPath(); }

namespace {

class QtTimer final : public Timer {
public:
    QtTimer(int intervalMs, bool enabled, TimerPrecision precision)
    {
        timer_.setTimerType(precision == TimerPrecision::Precise ? Qt::PreciseTimer : Qt::CoarseTimer);
        timer_.setInterval(intervalMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTimer)
                onTimer();
        });
        setEnabled(enabled);
    }
    void setInterval(int milliseconds) override { timer_.setInterval(milliseconds); }
    int interval() const override { return timer_.interval(); }
    void setEnabled(bool enabled) override
    {
        if (enabled && !timer_.isActive())
            timer_.start();
        else if (!enabled)
            timer_.stop();
    }
    bool isEnabled() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

} // namespace

std::unique_ptr<Timer> QtTimers::create(const QString&, int intervalMs, bool enabled, TimerPrecision precision)
{
    return std::make_unique<QtTimer>(intervalMs, enabled, precision);
}

} // namespace platform
