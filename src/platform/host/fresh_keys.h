#pragma once
// Which key presses the user really made, as against the repeats of a key
// that is held down.
//
// A held key repeats: the window system sends a release and a press again
// and again. On X11 the server gives each repeat's release and press the
// same timestamp, back to back; Qt flags the pair as a repeat only when the
// press is already in its queue while it handles the release, so on a busy
// machine most repeats arrive looking like fresh presses. Here a press is a
// repeat when Qt says so, or when it comes straight after a release of the
// same key with the same timestamp. (On Wayland and Windows Qt's flag is
// always right, and the pairing finds nothing more.)
//
// Controls that act on a key ask whether a press is fresh and came after a
// moment of their own: when they got the focus, or when a box appeared.

#include <QObject>

class QKeyEvent;

namespace platform {

class FreshKeys final : public QObject {
public:
    // The one instance, watching the application's key and mouse events
    // from its first use on.
    static FreshKeys& instance();

    // A moment to compare later presses with: the window system's time of
    // the latest key or mouse event seen (0 before any), and when that
    // event was seen, on a clock of the program's own.
    struct Moment {
        quint64 time = 0;
        qint64 seenMs = 0;
    };
    Moment now() const { return {latest_, latestSeenMs_}; }

    // Whether `press` (a key press or its shortcut override) is a key that
    // went down after `since`: no repeat of a key held from before, and
    // pressed no earlier than that moment.
    bool isFreshSince(const QKeyEvent& press, const Moment& since);

    // Window-system times are 32-bit milliseconds (X11, Wayland, Windows)
    // that wrap after some 49 days: two of them can be told apart only
    // within half of that. A moment older than this, by the program's own
    // clock, is before any press.
    static constexpr qint64 kLongAgoMs = qint64(24) * 3600 * 1000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FreshKeys(QObject* parent);
    void observe(const QKeyEvent& event);
    void observeTime(quint64 time);

    struct KeyEvent {
        quint32 key = 0;
        bool down = false;
        quint64 time = 0;
        bool operator==(const KeyEvent&) const = default;
    };
    KeyEvent last_;          // the latest key event, each seen once
    bool lastIsRepeat_ = false;
    quint64 latest_ = 0;
    qint64 latestSeenMs_ = 0;
};

} // namespace platform
