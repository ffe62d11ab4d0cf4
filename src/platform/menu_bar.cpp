#include "menu_bar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProxyStyle>
#include <QShortcut>
#include <QStyleOptionMenuItem>

namespace platform {

namespace {

// The application's style, but for two things: Alt alone moves to the menu
// bar, as on the system the program was made for, and a command selected
// from the keyboard (the bar has the focus) is drawn as a command under the
// mouse button is; Fusion draws it plain, so the user could not see where
// the keyboard was.
class MenuBarStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (element == CE_MenuBarItem && widget && widget->hasFocus() && (option->state & State_Selected)) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem selected = *item;
                selected.state |= State_Sunken;
                QProxyStyle::drawControl(element, &selected, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

} // namespace

MenuBar::MenuBar(QWidget* parent) : QMenuBar(parent)
{
    setNativeMenuBar(false);
    auto* style = new MenuBarStyle; // the application's style underneath
    style->setParent(this);
    setStyle(style);
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), parent ? parent->window() : this);
    f10->setContext(Qt::WindowShortcut);
    connect(f10, &QShortcut::activated, this, [this] { enterKeyboardMode(); });
}

void MenuBar::enterKeyboardMode()
{
    const QList<QAction*> commands = actions();
    if (!isVisible() || !isEnabled() || commands.isEmpty())
        return;
    if (!hasFocus()) {
        QWidget* focus = QApplication::focusWidget();
        giveBackTo_ = focus && focus->window() == window() ? focus : nullptr;
        ownMode_ = true;
        setFocus(Qt::MenuBarFocusReason);
    }
    setActiveAction(commands.first());
}

void MenuBar::leaveKeyboardMode()
{
    ownMode_ = false;
    setActiveAction(nullptr);
    if (QWidget* back = giveBackTo_.data(); back && back->isEnabled() && back->isVisible())
        back->setFocus(Qt::MenuBarFocusReason);
    else
        clearFocus();
    giveBackTo_ = nullptr;
}

void MenuBar::keyPressEvent(QKeyEvent* event)
{
    if (ownMode_ && hasFocus()) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (QAction* command = activeAction()) {
                // The focus goes back first, so that a box the command opens
                // gives it back to that control when it is closed.
                leaveKeyboardMode();
                command->trigger();
            }
            return;
        case Qt::Key_Escape:
        case Qt::Key_F10:
            leaveKeyboardMode();
            return;
        default:
            break;
        }
    }
    QMenuBar::keyPressEvent(event);
}

void MenuBar::focusOutEvent(QFocusEvent* event)
{
    ownMode_ = false;
    QMenuBar::focusOutEvent(event);
}

} // namespace platform
