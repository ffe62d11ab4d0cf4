#pragma once
// The operations the windows need from the host, each behind a small
// interface. Windows receive a Platform by reference; the program passes the
// host implementations (host/host_platform.h), the tests the recording fakes
// (tests/fakes/).

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

namespace platform {

// Message box flags and answers, as the program's windows use them.
enum MessageFlags : int {
    kOkOnly = 0,
    kYesNo = 4,
    kCritical = 16,
    kInformation = 64,
};

// The button part of the flags asks for Yes and No.
constexpr bool asksYesNo(int flags) { return (flags & 0x0f) == kYesNo; }

enum MessageAnswer : int {
    kAnswerOk = 1,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

// The title a box carries when the caller gives none.
inline const QString kApplicationTitle = QStringLiteral("Vesperon");

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // Modal: returns only when the user has answered, with a MessageAnswer.
    // An empty title means the application title.
    virtual int show(const QString& prompt, int flags, const QString& title = QString()) = 0;
    // Non-modal: shows the box and returns at once; the program goes on.
    virtual void notify(const QString& prompt, int flags, const QString& title) = 0;
};

// Window styles for Shell.
enum WindowStyle : int {
    kHide = 0,
    kMinimizedFocus = 2,
};

class Shell {
public:
    virtual ~Shell() = default;
    // Starts a command line and returns at once; nothing is waited for and no
    // result comes back to the caller.
    virtual void run(const QString& commandLine, int windowStyle) = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Whole seconds since the epoch: a cheap read that tells whether now()
    // has moved on to another second.
    virtual qint64 epochSecond() const { return now().toSecsSinceEpoch(); }
    // The general text form of a date and time: short date, one space, long
    // time; the date alone at exactly midnight.
    virtual QString generalText(const QDateTime& when) const = 0;
};

class ProgramFolder {
public:
    virtual ~ProgramFolder() = default;
    // The folder of the program's executable, without a trailing separator.
    virtual QString path() const = 0;
};

// A periodic timer whose event runs on the user-interface thread.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void setInterval(int milliseconds) = 0;
    virtual int interval() const = 0;
    // Enabling a timer that is already enabled leaves its period alone.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;

    std::function<void()> onTimer;
};

enum class TimerPrecision { Coarse, Precise };

class Timers {
public:
    virtual ~Timers() = default;
    // `name` identifies the timer to tests ("main.Timer1"); the host ignores it.
    virtual std::unique_ptr<Timer> create(const QString& name, int intervalMs, bool enabled,
                                          TimerPrecision precision = TimerPrecision::Coarse) = 0;
};

struct Platform {
    MessageBox& messages;
    Shell& shell;
    Clock& clock;
    ProgramFolder& folder;
    Timers& timers;
};

} // namespace platform
