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
    // `onRequest` runs on the user-interface thread, once per signal, with
    // the signal's number.
    explicit CloseSignals(std::function<void(int signal)> onRequest);
    ~CloseSignals() override;

private:
    void readSignal();

    std::function<void(int)> onRequest_;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform
