#include "fake_timers.h"

#include <stdexcept>

namespace fakes {

bool FakeTimer::fire()
{
    if (!enabled_ || !onTimer)
        return false;
    onTimer();
    return true;
}

std::unique_ptr<platform::Timer> FakeTimers::create(const QString& name, int intervalMs, bool enabled,
                                                    platform::TimerPrecision precision)
{
    auto timer = std::make_unique<FakeTimer>(intervalMs, enabled, precision);
    byName_[name] = timer.get();
    return timer;
}

FakeTimer& FakeTimers::operator[](const QString& name) const
{
    FakeTimer* timer = byName_.value(name);
    if (!timer)
        throw std::out_of_range("no timer named " + name.toStdString());
    return *timer;
}

} // namespace fakes
