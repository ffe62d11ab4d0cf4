#pragma once
// A single-line text box with the two events the program's windows are
// written against:
//  - onChange runs after every change of the text, whether the user typed,
//    deleted or pasted it or the program set it, and also when the program
//    sets the same text again. A change made by the program runs onChange at
//    once, nested inside setText, before setText returns.
//  - onKeyPress sees the code of each character the user types (8 for
//    Backspace, 13 for Enter) before the box takes it, and discards it by
//    setting the code to 0. Keys that type no character (Delete, arrows,
//    shortcuts such as paste) do not reach it.
// Its cursor stops blinking ten seconds after the last key or click, as on
// GTK's desktops, and blinks again at the next: a window that just waits on
// the screen then wakes the machine for its clock alone.

#include <QLineEdit>

#include <functional>

namespace platform {

class TextBox : public QLineEdit {
public:
    explicit TextBox(QWidget* parent = nullptr);

    // Hides QLineEdit::setText on purpose: every change the program makes goes
    // through here so that onChange follows it.
    void setText(const QString& text);

    std::function<void()> onChange;
    std::function<void(int& keyCode)> onKeyPress;

    static constexpr int kBlinkTimeoutMs = 10000;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void raiseChange();

    bool settingText_ = false;
};

} // namespace platform
