#pragma once

#include <QMenuBar>
#include <QPointer>

namespace platform {

// The program's menu bar, reachable from the keyboard as on the desktops
// it runs on: F10 (or Alt alone) selects its first command, the arrow keys
// move along, Enter runs the command and Escape leaves; the command chosen
// from the keyboard is drawn highlighted, and when the bar is left the
// keyboard focus goes back to the control that had it.
class MenuBar : public QMenuBar {
public:
    explicit MenuBar(QWidget* parent = nullptr);

    // Selects the first command for the keyboard, as F10 does.
    void enterKeyboardMode();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void leaveKeyboardMode();

    bool ownMode_ = false;
    QPointer<QWidget> giveBackTo_;
};

} // namespace platform
