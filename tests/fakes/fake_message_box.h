#pragma once
// Records every message box; modal ones are answered from a script.

#include "platform/platform.h"

#include <QList>

#include <deque>
#include <functional>

namespace fakes {

struct RecordedMessage {
    QString prompt;
    int flags = 0;
    QString title; // as shown: the application title when none was given
    bool modal = true;
    friend bool operator==(const RecordedMessage&, const RecordedMessage&) = default;
};

class FakeMessageBox final : public platform::MessageBox {
public:
    int show(const QString& prompt, int flags, const QString& title = QString()) override;
    void notify(const QString& prompt, int flags, const QString& title) override;

    QList<RecordedMessage> shown;
    // Answers for the modal boxes, taken from the front; with none left a box
    // is answered with its default button.
    std::deque<int> answers;
    // Runs while a modal box is "open", after it has been recorded.
    std::function<void(const RecordedMessage&)> whileOpen;
};

} // namespace fakes
