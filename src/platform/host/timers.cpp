#include "timers.h"

#include <QTimer>

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

} // namespace

std::unique_ptr<Timer> QtTimers::create(const QString&, int intervalMs, bool enabled, TimerPrecision precision)
{
    return std::make_unique<QtTimer>(intervalMs, enabled, precision);
}

} // namespace platform
