#pragma once
// The two menu commands that tell rather than act: "说明" and "给我工资".

#include "platform/platform.h"

namespace info {

inline const QString kExplanation = QStringLiteral("说明：因为系统重装，源码没有备份，这是重做后的，或许有BUG。");
inline const QString kRegistrationRequest = QStringLiteral("希望你注册一下。。。。。给我一点工资- -");
inline const QString kStart = QStringLiteral("cmd.exe /c start ");

// "说明": the notice, nothing else.
void explain(platform::MessageBox& messages);

// "给我工资": the request, then, once it is closed, the forum's page in the
// user's browser.
void askForRegistration(platform::MessageBox& messages, platform::Shell& shell);

} // namespace info
