#pragma once
// Timers that fire only when the test says so, found by their names.

#include "platform/platform.h"

#include <QMap>

namespace fakes {

class FakeTimer final : public platform::Timer {
public:
    FakeTimer(int intervalMs, bool enabled, platform::TimerPrecision precision)
        : interval_(intervalMs), enabled_(enabled), precision_(precision) {}
    void setInterval(int milliseconds) override { interval_ = milliseconds; }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }
    platform::TimerPrecision precision() const { return precision_; }

    // One period has passed: raises the event if the timer is enabled.
    // Returns whether it did.
    bool fire();

private:
    int interval_;
    bool enabled_;
    platform::TimerPrecision precision_;
};

class FakeTimers final : public platform::Timers {
public:
    std::unique_ptr<platform::Timer> create(const QString& name, int intervalMs, bool enabled,
                                            platform::TimerPrecision precision) override;
    // The timer created last under `name`; the test must not outlive it.
    FakeTimer& operator[](const QString& name) const;

private:
    QMap<QString, FakeTimer*> byName_;
};

} // namespace fakes
