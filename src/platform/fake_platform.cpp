#include "fake_platform.h"

#include "general_date.h"

#include <stdexcept>

namespace platform {

int FakeMessageBox::show(const QString& prompt, int flags, const QString& title)
{
    shown.append({prompt, flags, title.isEmpty() ? kApplicationTitle : title, true});
    if (whileOpen)
        whileOpen(shown.last());
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return asksYesNo(flags) ? kAnswerYes : kAnswerOk;
}

void FakeMessageBox::notify(const QString& prompt, int flags, const QString& title)
{
    shown.append({prompt, flags, title.isEmpty() ? kApplicationTitle : title, false});
}

void FakeShell::run(const QString& commandLine, int windowStyle)
{
    commands.append({commandLine, windowStyle});
}

QString FakeClock::generalText(const QDateTime& when) const { return formatGeneralDate(when, locale); }

bool FakeTimer::fire()
{
    if (!enabled_ || !onTimer)
        return false;
    onTimer();
    return true;
}

std::unique_ptr<Timer> FakeTimers::create(const QString& name, int intervalMs, bool enabled,
                                          TimerPrecision precision)
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

} // namespace platform
