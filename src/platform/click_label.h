#pragma once

#include "host/fresh_keys.h"
#include "label.h"

#include <functional>

namespace platform {

// A label that reports a click: the left button pressed and let go over it.
// It works as a link does for the keyboard and for assistive technology:
// Tab reaches it (the mouse gives it no focus, so the mouse user's window
// looks as designed), Enter or Space presses it, a focus mark is drawn
// around it while it has the keyboard focus, and screen readers find a link
// with the action "press". Keys held from before it got the focus press
// nothing, as on the program's buttons.
class ClickLabel : public Label {
public:
    explicit ClickLabel(const QString& text = QString(), QWidget* parent = nullptr);
    std::function<void()> onClick;

    // What a click does, also for the keyboard and assistive technology;
    // nothing while the label is disabled.
    void press();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool pressed_ = false;
    FreshKeys::Moment focusedSince_;
};

} // namespace platform
