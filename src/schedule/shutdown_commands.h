#pragma once
// Every command line the program hands to the host to shut the computer down,
// restart it or abort a pending shutdown. Each is a constant and is passed
// unchanged; none is put together from a number at run time.

#include "platform/platform.h"

#include <QString>

namespace schedule {

inline const QString kShutdownIn60s = QStringLiteral("cmd.exe /c shutdown -s -t 60");
inline const QString kShutdownIn30min = QStringLiteral("cmd.exe /c shutdown -s -t 1800");
inline const QString kShutdownIn1h = QStringLiteral("cmd.exe /c shutdown -s -t 3600");
inline const QString kShutdownIn2h = QStringLiteral("cmd.exe /c shutdown -s -t 7200");
inline const QString kShutdownIn3h = QStringLiteral("cmd.exe /c shutdown -s -t 10800");
inline const QString kShutdownIn5h = QStringLiteral("cmd.exe /c shutdown -s -t 18000");
inline const QString kAbortShutdown = QStringLiteral("cmd.exe /c shutdown -a");
inline const QString kShutdownNow = QStringLiteral("cmd.exe /c shutdown -s -t 0");
inline const QString kCountdownShutdown = QStringLiteral("cmd.exe /c shutdown -s -t 3");
inline const QString kCountdownRestart = QStringLiteral("cmd.exe /c shutdown -r -t 3");

// Hands `line` to the host with a minimised, focused window and returns at
// once; the host does the waiting and nothing comes back.
inline void issue(platform::Shell& shell, const QString& line)
{
    shell.run(line, platform::kMinimizedFocus);
}

// "立刻关机": asks first, and shuts down at once only on Yes.
void shutDownNowAfterAsking(platform::MessageBox& messages, platform::Shell& shell);

} // namespace schedule
