#pragma once
// Recording stand-ins for the platform, for tests: every message box, command
// line and timer is recorded, message boxes are answered from a script, the
// clock is set by hand and timers fire when the test says so.

#include "platform.h"

#include <QList>
#include <QLocale>
#include <QMap>

#include <deque>

namespace platform {

struct RecordedMessage {
    QString prompt;
    int flags = 0;
    QString title; // as shown: the application title when none was given
    bool modal = true;
    friend bool operator==(const RecordedMessage&, const RecordedMessage&) = default;
};

class FakeMessageBox final : public MessageBox {
public:
    int show(const QString& prompt, int flags, const QString& title = QString()) override;
    void notify(const QString& prompt, int flags, const QString& title) override;

    QList<RecordedMessage> shown;
    // Answers for the modal boxes, taken from the front; with none left a box
    // is answered with its default button.
    std::deque<int> answers;
    // Runs while a modal box is "open", after it has been recorded.
    std::function<void(const RecordedMessage&)> whileOpen;
};

struct RecordedCommand {
    QString line;
    int windowStyle = 0;
    friend bool operator==(const RecordedCommand&, const RecordedCommand&) = default;
};

class FakeShell final : public Shell {
public:
    void run(const QString& commandLine, int windowStyle) override;
    QList<RecordedCommand> commands;
};

class FakeClock final : public Clock {
public:
    QDateTime now() const override { return current; }
    QString generalText(const QDateTime& when) const override;

    QDateTime current = QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9));
    QLocale locale = QLocale(QLocale::Chinese, QLocale::China);
};

class FakeProgramFolder final : public ProgramFolder {
public:
    QString path() const override { return folder; }
    QString folder = QStringLiteral("/opt/vesperon");
};

class FakeTimer final : public Timer {
public:
    FakeTimer(int intervalMs, bool enabled, TimerPrecision precision)
        : interval_(intervalMs), enabled_(enabled), precision_(precision) {}
    void setInterval(int milliseconds) override { interval_ = milliseconds; }
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override { enabled_ = enabled; }
    bool isEnabled() const override { return enabled_; }
    TimerPrecision precision() const { return precision_; }

    // One period has passed: raises the event if the timer is enabled.
    // Returns whether it did.
    bool fire();

private:
    int interval_;
    bool enabled_;
    TimerPrecision precision_;
};

class FakeTimers final : public Timers {
public:
    std::unique_ptr<Timer> create(const QString& name, int intervalMs, bool enabled,
                                  TimerPrecision precision) override;
    // The timer created last under `name`; the test must not outlive it.
    FakeTimer& operator[](const QString& name) const;

private:
    QMap<QString, FakeTimer*> byName_;
};

struct FakePlatform {
    FakeMessageBox messages;
    FakeShell shell;
    FakeClock clock;
    FakeProgramFolder folder;
    FakeTimers timers;

    Platform platform() { return Platform{messages, shell, clock, folder, timers}; }
};

} // namespace platform
