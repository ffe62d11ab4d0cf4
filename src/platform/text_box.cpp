#include "text_box.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QScopedValueRollback>

namespace platform {

namespace {

// The character code a key press types, or -1 when it types none.
int typedCode(const QKeyEvent& event)
{
    switch (event.key()) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    default: break;
    }
    const QString text = event.text();
    if (text.isEmpty() || text.at(0).category() == QChar::Other_Control)
        return -1;
    // Control with a key is a shortcut of the box (copy, paste, select all),
    // which types nothing. Alt or Meta with a key that no menu took is
    // typing all the same: Qt's line edit would insert its character
    // (Alt+A an "a", Alt+- a "-"). Control and Alt together is AltGr on
    // Windows, which types.
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier))
        return -1;
    return text.at(0).unicode();
}

// The cursor's blinking, for all the program's text boxes: on while the user
// works, stopped once they have done nothing for a while.
class Blinking final : public QObject {
public:
    static Blinking& instance()
    {
        static QPointer<Blinking> blinking;
        if (!blinking)
            blinking = new Blinking(QCoreApplication::instance());
        return *blinking;
    }
    void wake()
    {
        if (QApplication::cursorFlashTime() == 0 && flashTime_ > 0)
            QApplication::setCursorFlashTime(flashTime_);
        idle_.start();
    }

private:
    explicit Blinking(QObject* parent) : QObject(parent), flashTime_(QApplication::cursorFlashTime())
    {
        idle_.setSingleShot(true);
        idle_.setInterval(TextBox::kBlinkTimeoutMs);
        connect(&idle_, &QTimer::timeout, this, [] { QApplication::setCursorFlashTime(0); });
    }
    const int flashTime_; // the desktop's
    QTimer idle_;
};

} // namespace

TextBox::TextBox(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!settingText_)
            raiseChange();
    });
}

void TextBox::setText(const QString& text)
{
    {
        QScopedValueRollback guard(settingText_, true);
        QLineEdit::setText(text);
    }
    raiseChange();
}

void TextBox::raiseChange()
{
    if (onChange)
        onChange();
}

void TextBox::focusInEvent(QFocusEvent* event)
{
    Blinking::instance().wake();
    QLineEdit::focusInEvent(event);
}

void TextBox::mousePressEvent(QMouseEvent* event)
{
    Blinking::instance().wake();
    QLineEdit::mousePressEvent(event);
}

void TextBox::keyPressEvent(QKeyEvent* event)
{
    Blinking::instance().wake();
    int code = typedCode(*event);
    if (code >= 0 && onKeyPress) {
        onKeyPress(code);
        if (code == 0) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TextBox::inputMethodEvent(QInputMethodEvent* event)
{
    Blinking::instance().wake();
    const QString commit = event->commitString();
    if (!onKeyPress || commit.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    // Text composed with an input method is typed too: filter it character
    // by character like keys.
    QString kept;
    for (const QChar c : commit) {
        int code = c.unicode();
        onKeyPress(code);
        if (code != 0)
            kept.append(c);
    }
    if (kept == commit) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent filtered(event->preeditString(), event->attributes());
    filtered.setCommitString(kept, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&filtered);
}

} // namespace platform
