#include "click_label.h"

#include "command_button.h"
#include "host/fresh_keys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace platform {

ClickLabel::ClickLabel(const QString& text, QWidget* parent) : Label(parent)
{
    setFocusPolicy(Qt::TabFocus);
    FreshKeys::instance();
    // The text only now: setting it tells assistive technology, which then
    // makes the label's interface, and a label still being built would be
    // taken for a plain one.
    setText(text);
}

void ClickLabel::press()
{
    if (isEnabled() && onClick)
        onClick();
}

void ClickLabel::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    if (click)
        press();
}

void ClickLabel::focusInEvent(QFocusEvent* event)
{
    focusedSince_ = FreshKeys::instance().now();
    Label::focusInEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event)
{
    if (!isPressingKey(event->key()) || event->modifiers() & ~Qt::KeypadModifier) {
        Label::keyPressEvent(event);
        return;
    }
    event->accept();
    if (FreshKeys::instance().isFreshSince(*event, focusedSince_))
        press();
}

void ClickLabel::paintEvent(QPaintEvent* event)
{
    Label::paintEvent(event);
    if (!hasFocus())
        return;
    QStylePainter painter(this);
    QStyleOptionFocusRect mark;
    mark.initFrom(this);
    mark.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, mark);
}

} // namespace platform
