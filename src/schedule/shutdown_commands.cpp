#include "shutdown_commands.h"

namespace schedule {

void shutDownNowAfterAsking(platform::MessageBox& messages, platform::Shell& shell)
{
    const int answer = messages.show(QStringLiteral("是否立刻关机？"), platform::kYesNo,
                                     QStringLiteral("是否要立即关机！？"));
    if (answer == platform::kAnswerYes)
        issue(shell, kShutdownNow);
}

} // namespace schedule
