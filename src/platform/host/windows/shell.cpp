#include "platform/host/shell.h"

#include "process.h"

namespace platform {

class HostShell::System {
public:
    explicit System(MessageBox& notices) : notices(notices) {}
    MessageBox& notices;
};

HostShell::HostShell(MessageBox& notices) : system_(std::make_unique<System>(notices)) {}
HostShell::~HostShell() = default;

// On Windows each line goes to the system as it stands, with its window
// style: the system's own cmd.exe runs it (every line begins "cmd.exe /c"),
// and the system's own shutdown.exe schedules the shutdown, warns the user
// and cancels it; "start" opens the address in the user's browser. Both are
// the system folder's: a cmd.exe or shutdown.exe beside the program or in
// its working folder is never run. Only a line that cannot be started at
// all is reported.
void HostShell::run(const QString& commandLine, int windowStyle)
{
    unsigned long error = 0;
    if (winStartSystemProgram(L"cmd.exe", commandLine.toStdWString(), windowStyle, error))
        return;
    const QString systemText = QString::fromStdWString(winErrorText(error));
    reportFailedLine(system_->notices, QStringLiteral("未能执行命令"),
                     systemText.isEmpty() ? QStringLiteral("错误代码 %1").arg(error)
                                          : QStringLiteral("%1（错误代码 %2）").arg(systemText).arg(error),
                     commandLine);
}

} // namespace platform
