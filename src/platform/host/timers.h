#pragma once
// Periodic timers on QTimer.

#include "platform/platform.h"

namespace platform {

class QtTimers final : public Timers {
public:
    std::unique_ptr<Timer> create(const QString& name, int intervalMs, bool enabled,
                                  TimerPrecision precision) override;
};

} // namespace platform
