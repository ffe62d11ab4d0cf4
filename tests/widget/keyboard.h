#pragma once
// Key events as the window system delivers them, with its timestamps: a
// held key goes down once and then repeats as a release and a press with
// the same time, back to back, which Qt on X11 often leaves unflagged.

#include "platform/host/fresh_keys.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWindow>
#include <QtTest/qtestkeyboard.h>

class Keyboard {
public:
    // Times start ahead of any event the application has seen.
    explicit Keyboard(QWindow* window) : window_(window), time_(platform::FreshKeys::instance().now().time + 1000) {}

    void setWindow(QWindow* window) { window_ = window; }

    void press(Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
               bool flagged = false)
    {
        send(true, key, text, modifiers, flagged, time_ += 50);
    }
    void release(Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                 bool flagged = false)
    {
        send(false, key, text, modifiers, flagged, time_ += 50);
    }
    // The repeats of a key that is already down: each a release and a press
    // at one time. `flagged`: as Qt marks them when it sees both at once.
    void repeat(Qt::Key key, const QString& text, int times, bool flagged = false,
                Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        for (int i = 0; i < times; ++i) {
            time_ += 40;
            send(false, key, text, modifiers, flagged, time_);
            send(true, key, text, modifiers, flagged, time_);
        }
    }

private:
    void send(bool press, Qt::Key key, const QString& text, Qt::KeyboardModifiers modifiers, bool flagged,
              quint64 time)
    {
        if (press && qt_sendShortcutOverrideEvent(window_, time, key, modifiers, text, flagged))
            return; // taken as a shortcut
        QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers, text, flagged);
        event.setTimestamp(time);
        QCoreApplication::sendEvent(window_, &event);
        QCoreApplication::processEvents();
    }

    QWindow* window_;
    quint64 time_;
};
