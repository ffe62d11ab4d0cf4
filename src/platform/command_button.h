#pragma once

#include <QPushButton>

namespace platform {

// A push button whose caption wraps onto further lines when it is wider than
// the button, as the captions of the program's tall buttons are meant to.
// Enter and Space press the focused button, but only a key that really went
// down: the repeats of a held key press nothing, so that holding Enter on
// "立刻关机" cannot answer its question or press the button again.
class CommandButton : public QPushButton {
public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
};

// The keys that press a focused button.
bool isPressingKey(int key);

} // namespace platform
