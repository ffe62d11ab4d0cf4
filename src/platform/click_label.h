#pragma once

#include "label.h"

#include <functional>

namespace platform {

// A label that reports a click: the left button pressed and let go over it.
class ClickLabel : public Label {
public:
    using Label::Label;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace platform
