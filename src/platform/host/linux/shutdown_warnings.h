#pragma once
// The desktop is told of a shutdown before it comes. logind itself warns
// only on text terminals; here the program, while it runs, follows logind's
// ScheduledShutdown (whoever scheduled it: a button of the program, or
// `shutdown +30` in a terminal) and gives desktop notices:
//  - at once, when a shutdown or restart is scheduled: when it will happen;
//  - 10 minutes and again 1 minute before it (the last one critical);
//  - when the program's own cancel took one back, that it was cancelled;
//  - when one the program scheduled was cancelled or replaced by anyone else
//    (`shutdown -c`, another program's schedule, logind losing it), that the
//    computer will now not go down at the time the user asked for;
// and takes its notice away when someone else's shutdown is cancelled.

#include "bus.h"
#include "desktop_notices.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <optional>

namespace platform {

struct PendingShutdown {
    QString type;            // logind's name of it: "poweroff", "reboot", …
    std::uint64_t usec = 0;  // when, CLOCK_REALTIME microseconds since the epoch

    friend bool operator==(const PendingShutdown&, const PendingShutdown&) = default;
};

// What logind's ScheduledShutdown (type, usec) says is pending. Nothing is
// for an empty type (logind says "nothing" as ("", UINT64_MAX), older ones
// and some stand-ins as ("", 0)), a time of 0 or UINT64_MAX, and a dry run
// ("dry-poweroff" and so on only warn the terminals, nothing goes down).
std::optional<PendingShutdown> pendingShutdown(const QString& type, std::uint64_t usec);
// The same from the property's value as D-Bus hands it over, a "(st)"
// structure; anything else reads as nothing pending.
std::optional<PendingShutdown> readScheduledShutdown(const QVariant& value);

// How near a shutdown is: further than 10 minutes, within 10 minutes,
// within 1 minute, or its time has come.
enum class ShutdownStage { Far, TenMinutes, OneMinute, Due };
ShutdownStage shutdownStage(std::uint64_t usec, std::uint64_t nowUsec);
// When the next stage begins; nothing once within the last minute.
std::optional<std::uint64_t> nextStageUsec(std::uint64_t usec, std::uint64_t nowUsec);

// The notices' texts, in local time: "将于 21:45 关机"; seconds within two
// minutes ("将于 21:45:03 重启"), the day when it is not today.
QString scheduledText(const PendingShutdown& shutdown, std::uint64_t nowUsec);
// The warning: the same and how long is left.
QString warningText(const PendingShutdown& shutdown, std::uint64_t nowUsec);
// The cancellation, naming what was cancelled when that is known.
QString cancelledText(const std::optional<PendingShutdown>& shutdown, std::uint64_t nowUsec);
// A shutdown the program scheduled, cancelled by someone else, or replaced
// by `now` when that is given.
QString changedElsewhereText(const PendingShutdown& was, const std::optional<PendingShutdown>& now,
                             std::uint64_t nowUsec);

class WallClockAlarm;

class ShutdownWarnings final : public QObject {
    Q_OBJECT
public:
    // Starts following logind at once.
    ShutdownWarnings(Bus& systemBus, Bus& sessionBus);
    ~ShutdownWarnings() override;

    // logind has accepted the program's ScheduleShutdown(type, usec).
    void scheduledHere(const QString& type, std::uint64_t usec);
    // logind has answered the program's CancelScheduledShutdown.
    void cancelledHere(bool cancelled);

private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);
    void logindOwnerChanged(const QString& name, const QString& before, const QString& after);

private:
    void watchFiles();
    void filesChanged(const QString& path);
    void reread();
    void rereadSoon();
    void seen(const std::optional<PendingShutdown>& pending);
    void announce(std::uint64_t nowUsec);
    void check();
    void arm();

    Bus& systemBus_;
    DesktopNotices notices_;
    std::optional<PendingShutdown> pending_;
    std::optional<PendingShutdown> ours_;     // what the program itself scheduled, while pending
    ShutdownStage told_ = ShutdownStage::Far; // the nearest stage the user was told of
    bool showing_ = false;                    // the notice shown is about pending_
    std::uint64_t changes_ = 0;               // the program's own schedules and cancels
    std::unique_ptr<WallClockAlarm> alarm_;
    QFileSystemWatcher files_;
    QTimer rereadSoon_; // gathers the hints that come in a burst into one read, at most 50 ms late
    QTimer poll_;       // only where no hint can come
    QTimer retry_;      // after the system bus could not be reached
};

} // namespace platform
