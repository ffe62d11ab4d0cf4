#pragma once

#include "host/fresh_keys.h"

#include <QPushButton>

namespace platform {

// A push button whose caption wraps onto further lines when it is wider than
// the button, as the captions of the program's tall buttons are meant to.
// Enter and Space press the focused button, but only a key that went down
// after the button got the focus: the repeats of a held key press nothing,
// and neither does a key held since before (the Enter that answered a box,
// say, still down when the focus comes back here).
class CommandButton : public QPushButton {
public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    FreshKeys::Moment focusedSince_; // when the focus came
    bool pressedByKey_ = false; // Space went down on us afresh
};

// The keys that press a focused button.
bool isPressingKey(int key);

} // namespace platform
