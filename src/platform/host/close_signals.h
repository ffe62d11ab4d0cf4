#pragma once
// The host's own ways of asking a program to close, as events on the
// user-interface thread: SIGTERM (the session ending, systemd, kill), SIGINT
// (Ctrl+C in a terminal) and SIGHUP (the terminal or session going away).

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace platform {

class CloseSignals final : public QObject {
public:
    // Until a CloseSignals is made, the signals end the program at once with
    // status 0: there is no window to animate yet. Called first thing.
    static void endAtOnce();

    // `onRequest` runs on the user-interface thread, once per signal, with
    // the signal's number. Should the user-interface thread not get to it
    // (stuck in a call that never returns), the program ends anyway a few
    // seconds after the first signal, with status 0.
    explicit CloseSignals(std::function<void(int signal)> onRequest);

    // How long the user-interface thread has to end the program itself.
    static constexpr unsigned kGraceSeconds = 5;
    ~CloseSignals() override;

private:
    void readSignal();

    std::function<void(int)> onRequest_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform
