#include "fake_message_box.h"

namespace fakes {

using namespace platform;

int FakeMessageBox::show(const QString& prompt, int flags, const QString& title)
{
    shown.append({prompt, flags, title.isEmpty() ? kApplicationTitle : title, true});
    if (whileOpen)
        whileOpen(shown.last());
    if (!answers.empty()) {
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return asksYesNo(flags) ? kAnswerYes : kAnswerOk;
}

void FakeMessageBox::notify(const QString& prompt, int flags, const QString& title)
{
    shown.append({prompt, flags, title.isEmpty() ? kApplicationTitle : title, false});
}

} // namespace fakes
