#include "option_button.h"

#include <QFocusEvent>

namespace platform {

void OptionButton::focusInEvent(QFocusEvent* event)
{
    QRadioButton::focusInEvent(event);
    if (event->reason() != Qt::MouseFocusReason && !isChecked())
        setChecked(true);
}

} // namespace platform
