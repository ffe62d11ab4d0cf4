#pragma once
// The custom countdown: the user types seconds into a box, picks shut down
// or restart, and starts the count; the box loses one every second and, when
// it reads 0 with a mode chosen, the mode's line is issued. The count lives
// only in the box's text; the timer being enabled is the only sign that a
// count runs.

#include "platform/platform.h"
#include "platform/text_box.h"

class QRadioButton;

namespace schedule {

class Countdown {
public:
    struct Controls {
        platform::TextBox& seconds;  // Text1
        QRadioButton& shutDown;      // Option1 "关机"
        QRadioButton& restart;       // Option2 "重启"
        platform::Timer& tick;       // Timer1, 1000 ms
    };

    Countdown(Controls controls, platform::MessageBox& messages, platform::Shell& shell);

    // The typing filter: digits and Backspace pass, every other character is
    // discarded (set to 0).
    void onText1KeyPress(int& keyCode);
    // After every change of the box: the length rule, then the zero rule.
    void onText1Change();
    // "开始计时".
    void onCommand1Click();
    // Every second while the count runs.
    void onTimer1Timer();

private:
    std::optional<double> count() const;
    void error(const QString& prompt);

    Controls c_;
    platform::MessageBox& messages_;
    platform::Shell& shell_;
    QChar decimalPoint_;
    bool lengthMessageOpen_ = false;
};

} // namespace schedule
