#include "timers.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <ctime>
#elif defined(Q_OS_WIN)
#include <qt_windows.h>
#endif

namespace platform {

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

// A clock that goes on while the machine sleeps, in nanoseconds.
qint64 bootClockNs()
{
#ifdef Q_OS_LINUX
    timespec now {};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
#elif defined(Q_OS_WIN)
    return qint64(::GetTickCount64()) * 1000000;
#else
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.nsecsElapsed();
#endif
}

// Each event is due a whole number of periods after the timer was enabled,
// by the boot-time clock. A single-shot QTimer is armed for the next one
// before the event runs, so that events go on inside a box the handler may
// open; one that is overdue is armed at 0 ms and runs at the next turn of
// the event loop.
class ClockTimer final : public Timer {
public:
    ClockTimer(int intervalMs, bool enabled) : interval_(intervalMs)
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] { due(); });
        setEnabled(enabled);
    }
    void setInterval(int milliseconds) override { interval_ = milliseconds; }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override
    {
        if (enabled == enabled_)
            return;
        enabled_ = enabled;
        if (enabled) {
            dueNs_ = bootClockNs() + qint64(interval_) * 1000000;
            arm();
        } else {
            timer_.stop();
        }
    }
    bool isEnabled() const override { return enabled_; }

private:
    void arm()
    {
        const qint64 left = dueNs_ - bootClockNs();
        timer_.start(left <= 0 ? 0 : int((left + 999999) / 1000000));
    }
    void due()
    {
        if (!enabled_)
            return;
        dueNs_ += qint64(std::max(interval_, 1)) * 1000000;
        arm();
        if (onTimer)
            onTimer();
    }

    QTimer timer_;
    int interval_;
    bool enabled_ = false;
    qint64 dueNs_ = 0;
};

// Each event a few milliseconds after the wall clock's second turns. The
// timer repeats each second from the first event on, and is armed afresh for
// the next second only when an event finds itself off the second (a clock
// that was set or slewed, a machine that slept, a busy machine that ran it
// late), so that a steady clock costs no re-arming each second.
class SecondTimer final : public Timer {
public:
    SecondTimer(int intervalMs, bool enabled) : interval_(intervalMs)
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const int into = intoSecond();
            if (into > afterTheSecond() + kLateMs)
                arm(into);
            else if (timer_.interval() != 1000)
                timer_.start(1000);
            if (onTimer)
                onTimer();
        });
        setEnabled(enabled);
    }
    void setInterval(int milliseconds) override { interval_ = milliseconds; }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override
    {
        if (enabled == timer_.isActive())
            return;
        if (enabled)
            arm(intoSecond());
        else
            timer_.stop();
    }
    bool isEnabled() const override { return timer_.isActive(); }

private:
    // Late enough that the second has turned for anyone who reads the
    // clock, soon enough to be well within the interval.
    static constexpr int kAfterTheSecondMs = 3;
    // How late an event may come and still count as on the second (one that
    // comes early, before the second turns, is late for the last one).
    static constexpr int kLateMs = 10;
    int afterTheSecond() const { return std::min(kAfterTheSecondMs, std::max(interval_ - 1, 0)); }
    static int intoSecond() { return int(QDateTime::currentMSecsSinceEpoch() % 1000); }
    void arm(int into) { timer_.start(1000 - into + afterTheSecond()); }

    QTimer timer_;
    int interval_;
};

} // namespace

std::unique_ptr<Timer> QtTimers::create(const QString&, int intervalMs, bool enabled, TimerPrecision precision)
{
    if (precision == TimerPrecision::OnTheClock)
        return std::make_unique<ClockTimer>(intervalMs, enabled);
    if (precision == TimerPrecision::OnTheSecond)
        return std::make_unique<SecondTimer>(intervalMs, enabled);
    return std::make_unique<QtTimer>(intervalMs, enabled, precision);
}

} // namespace platform
