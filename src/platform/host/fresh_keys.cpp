#include "fresh_keys.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>

namespace platform {

namespace {

// Window-system times are milliseconds in 32 bits, and wrap after some 49
// days: the later of two is the one less than half the circle ahead.
bool later(quint64 a, quint64 b) { return qint32(quint32(a) - quint32(b)) > 0; }

// The program's own clock, which neither wraps nor is set.
qint64 steadyMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed() + FreshKeys::kLongAgoMs; // a moment of 0 is long ago from the start
}

bool isKeyEvent(QEvent::Type type)
{
    return type == QEvent::KeyPress || type == QEvent::KeyRelease || type == QEvent::ShortcutOverride;
}

// The physical key, where the window system names it; else Qt's key.
quint32 keyOf(const QKeyEvent& event)
{
    return event.nativeScanCode() ? event.nativeScanCode() : (quint32(event.key()) | 0x80000000u);
}

} // namespace

FreshKeys& FreshKeys::instance()
{
    static QPointer<FreshKeys> keys;
    if (!keys)
        keys = new FreshKeys(QCoreApplication::instance()); // goes with the application
    return *keys;
}

FreshKeys::FreshKeys(QObject* parent) : QObject(parent)
{
    if (parent)
        parent->installEventFilter(this);
}

bool FreshKeys::eventFilter(QObject*, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (isKeyEvent(type))
        observe(*static_cast<QKeyEvent*>(event));
    else if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)
        observeTime(static_cast<QInputEvent*>(event)->timestamp());
    return false;
}

void FreshKeys::observeTime(quint64 time)
{
    if (time == 0)
        return;
    // After a long quiet (hidden in the tray for weeks) the new time may be
    // more than half the circle ahead: it is later all the same.
    const qint64 seen = steadyMs();
    if (latest_ == 0 || later(time, latest_) || seen - latestSeenMs_ > kLongAgoMs) {
        latest_ = time;
        latestSeenMs_ = seen;
    }
}

void FreshKeys::observe(const QKeyEvent& event)
{
    // Without a time (events made up by the program itself) nothing can be
    // paired; Qt's flag is all there is.
    if (event.timestamp() == 0)
        return;
    const KeyEvent seen{keyOf(event), event.type() != QEvent::KeyRelease, event.timestamp()};
    // The same event again: passed on to a parent, or the press after its
    // shortcut override.
    if (seen == last_)
        return;
    if (seen.down)
        lastIsRepeat_ = event.isAutoRepeat()
                        || (!last_.down && last_.key == seen.key && last_.time == seen.time);
    last_ = seen;
    observeTime(seen.time);
}

bool FreshKeys::isFreshSince(const QKeyEvent& press, const Moment& since)
{
    if (press.isAutoRepeat())
        return false;
    if (press.timestamp() == 0)
        return true;
    // The application's filter may not have seen it yet: filters installed
    // later run first.
    observe(press);
    if (lastIsRepeat_)
        return false;
    const bool longAgo = since.time == 0 || steadyMs() - since.seenMs > kLongAgoMs;
    return longAgo || !later(since.time, press.timestamp());
}

} // namespace platform
