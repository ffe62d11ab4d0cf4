#include "command_button.h"

#include "host/fresh_keys.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace platform {

CommandButton::CommandButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent)
{
    // Enter presses the focused button, as Space does.
    setAutoDefault(true);
    FreshKeys::instance(); // watching keys from now on
}

void CommandButton::focusInEvent(QFocusEvent* event)
{
    focusedSince_ = FreshKeys::instance().now();
    QPushButton::focusInEvent(event);
}

void CommandButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);

    QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    if (option.state & (QStyle::State_Sunken | QStyle::State_On))
        area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextWordWrap, option.palette, isEnabled(), caption,
                          QPalette::ButtonText);
}

bool isPressingKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space || key == Qt::Key_Select;
}

void CommandButton::keyPressEvent(QKeyEvent* event)
{
    if (isPressingKey(event->key()) && !FreshKeys::instance().isFreshSince(*event, focusedSince_)) {
        event->accept(); // swallowed: it must neither press us nor reach the window
        return;
    }
    QPushButton::keyPressEvent(event);
}

void CommandButton::keyReleaseEvent(QKeyEvent* event)
{
    if (event->isAutoRepeat() && isPressingKey(event->key())) {
        event->accept();
        return;
    }
    QPushButton::keyReleaseEvent(event);
}

} // namespace platform
