#pragma once
// Shell: the program's command lines carried out by the host. On Linux the
// shutdown lines go to systemd-logind over D-Bus (see shutdown_line.h), the
// desktop is told of what is pending (see shutdown_warnings.h) and the start
// line goes to the desktop's browser (shell.cpp); on Windows a line is
// started as a new process, as it stands (win_shell.cpp).

#include "console.h"
#include "platform/platform.h"

#include <QObject>

#include <optional>

#ifndef Q_OS_WIN
#include "bus.h"
#include "shutdown_line.h"
#include "shutdown_warnings.h"
#endif

namespace platform {

class HostShell final : public Shell {
public:
    // Failures the host reports later (logind refusing, no logind at all) are
    // told to the user through `notices`, without blocking.
    explicit HostShell(MessageBox& notices);
    void run(const QString& commandLine, int windowStyle) override;

private:
    // A line that failed: said on standard error and in the "错误" notice.
    void reportFailure(const QString& what, const QString& reason, const QString& detail)
    {
        QString text = what + u'：' + reason + u'。';
        if (!detail.isEmpty())
            text += u'\n' + detail;
        writeErrorLine(text);
        notices_.notify(text, kCritical, QStringLiteral("错误"));
    }
    void openAddress(const QString& commandLine);
#ifndef Q_OS_WIN
    void accepted(const ShutdownRequest& request, std::uint64_t nowUsec, const QDBusMessage& reply);
    ShutdownWarnings& warnings();
#endif

    MessageBox& notices_;
    QObject context_; // owns the pending calls' watchers
#ifndef Q_OS_WIN
    Bus systemBus_{QDBusConnection::SystemBus};
    Bus sessionBus_{QDBusConnection::SessionBus};
    // Following logind for the desktop's notices begins once the start is
    // over (or at the first shutdown line, if that is sooner): the splash
    // and the main window's first showing do not wait for the buses.
    static constexpr int kFollowAfterStartMs = 2500;
    std::optional<ShutdownWarnings> warnings_;
#endif
};

} // namespace platform
