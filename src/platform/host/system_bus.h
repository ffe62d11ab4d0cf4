#pragma once
// The system bus, reached without holding up the user-interface thread.
// Qt connects to a bus synchronously, the first time it is asked for it: a
// bus whose daemon hangs would freeze the window at the first click, deaf
// even to SIGTERM. Here the connection is made on a thread of its own; what
// is to be sent waits for it, in order.

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

namespace platform {

class SystemBus final : public QObject {
public:
    // How long a bus may take to accept the connection.
    static constexpr int kConnectTimeoutMs = 25000;

    SystemBus();

    // Runs `then` on the user-interface thread with the connection once it
    // is made (at once when it is), or with nothing when it cannot be made
    // or is not made within kConnectTimeoutMs, and `why` then says why.
    using Then = std::function<void(std::optional<QDBusConnection> bus, const QString& why)>;
    void whenConnected(Then then);

private:
    void connected(const QDBusConnection& bus);
    void giveUp(const QString& why);

    enum class State { NotAsked, Connecting, Done };
    State state_ = State::NotAsked;
    std::optional<QDBusConnection> bus_;
    QString why_;
    std::vector<Then> waiting_;
    QTimer timeout_;
};

} // namespace platform
