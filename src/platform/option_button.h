#pragma once

#include <QRadioButton>

namespace platform {

// An option button of a group (the option buttons of one container): an
// option that takes the keyboard focus other than by a mouse click becomes
// the selected one, so a window whose first control is an option opens with
// it selected, and moving through a group with the keyboard selects as it
// goes.
class OptionButton : public QRadioButton {
public:
    using QRadioButton::QRadioButton;

protected:
    void focusInEvent(QFocusEvent* event) override;
};

} // namespace platform
