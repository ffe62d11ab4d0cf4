#pragma once
// Shell: the program's command lines carried out by the host. On Linux the
// shutdown lines go to systemd-logind over D-Bus, the desktop is told of
// what is pending and the start line goes to the desktop's browser
// (linux/shell.cpp); on Windows a line is started as a new process, as it
// stands (windows/shell.cpp).

#include "console.h"
#include "platform/platform.h"

#include <memory>

namespace platform {

class HostShell final : public Shell {
public:
    // Failures the host reports later (logind refusing, no logind at all) are
    // told to the user through `notices`, without blocking.
    explicit HostShell(MessageBox& notices);
    ~HostShell() override;
    void run(const QString& commandLine, int windowStyle) override;

    class System; // each system's way of carrying the lines out

private:
    std::unique_ptr<System> system_;
};

// A line that failed: said on standard error and in the "错误" notice,
// `what` failed `reason`, with the system's own words below.
inline void reportFailedLine(MessageBox& notices, const QString& what, const QString& reason, const QString& detail)
{
    QString text = what + u'：' + reason + u'。';
    if (!detail.isEmpty())
        text += u'\n' + detail;
    writeErrorLine(text);
    notices.notify(text, kCritical, QStringLiteral("错误"));
}

} // namespace platform
