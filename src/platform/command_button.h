#pragma once

#include <QPushButton>

namespace platform {

// A push button whose caption wraps onto further lines when it is wider than
// the button, as the captions of the program's tall buttons are meant to.
class CommandButton : public QPushButton {
public:
    explicit CommandButton(const QString& caption, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace platform
