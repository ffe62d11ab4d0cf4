#pragma once
// The program's real platform: Qt widgets for message boxes, QTimer for
// timers, the system clock and locale, and systemd-logind (on Windows a new
// process) for the shutdown command lines.

#include "platform.h"

#include <QLocale>
#include <QObject>

namespace platform {

class HostMessageBox final : public MessageBox {
public:
    int show(const QString& prompt, int flags, const QString& title = QString()) override;
    void notify(const QString& prompt, int flags, const QString& title) override;
};

class HostShell final : public Shell {
public:
    // Failures the host reports later (logind refusing, no logind at all) are
    // told to the user through `notices`, without blocking.
    explicit HostShell(MessageBox& notices) : notices_(notices) {}
    void run(const QString& commandLine, int windowStyle) override;

private:
    void reportFailure(const QString& what, const QString& reason, const QString& detail);

    MessageBox& notices_;
    QObject context_; // owns the pending calls' watchers
};

class HostClock final : public Clock {
public:
    HostClock();
    QDateTime now() const override;
    qint64 epochSecond() const override;
    QString generalText(const QDateTime& when) const override;

private:
    QLocale locale_;
    QString timeFormat_;
};

class HostProgramFolder final : public ProgramFolder {
public:
    QString path() const override;
};

class QtTimers final : public Timers {
public:
    std::unique_ptr<Timer> create(const QString& name, int intervalMs, bool enabled,
                                  TimerPrecision precision) override;
};

class HostPlatform {
public:
    HostPlatform() : shell_(messages_) {}
    Platform platform() { return Platform{messages_, shell_, clock_, folder_, timers_}; }

private:
    HostMessageBox messages_;
    HostShell shell_;
    HostClock clock_;
    HostProgramFolder folder_;
    QtTimers timers_;
};

} // namespace platform
