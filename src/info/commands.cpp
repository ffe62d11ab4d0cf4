#include "commands.h"

#include "texts.h"

namespace info {

void explain(platform::MessageBox& messages)
{
    messages.show(kExplanation, platform::kInformation, QStringLiteral("说明"));
}

void askForRegistration(platform::MessageBox& messages, platform::Shell& shell)
{
    messages.show(kRegistrationRequest, platform::kOkOnly); // the application title
    shell.run(kStart + kForumAddress, platform::kHide);
}

} // namespace info
