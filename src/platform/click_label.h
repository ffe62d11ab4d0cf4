#pragma once

#include <QLabel>

#include <functional>

namespace platform {

// A label that reports a click: the left button pressed and let go over it.
class ClickLabel : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace platform
