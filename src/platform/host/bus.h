#pragma once
// A D-Bus bus (the system bus or the session bus), reached without holding
// up the user-interface thread. Qt connects to a bus synchronously, the
// first time it is asked for it: a bus whose daemon hangs would freeze the
// window at the first click, deaf even to SIGTERM. Here the connection is
// made on a thread of its own, and so are the subscriptions to signals;
// what is to be sent waits for the connection, in order.

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

namespace platform {

class Bus final : public QObject {
public:
    // How long a bus may take to accept the connection.
    static constexpr int kConnectTimeoutMs = 25000;

    explicit Bus(QDBusConnection::BusType type);

    // Runs `then` on the user-interface thread with the connection once it
    // is made (at once when it is), or with nothing when it cannot be made
    // or is not made within kConnectTimeoutMs, and `why` then says why.
    using Then = std::function<void(std::optional<QDBusConnection> bus, const QString& why)>;
    void whenConnected(Then then);

    // A signal from any sender on the bus, delivered to `slot` of `receiver`
    // (on the receiver's thread) once the bus is connected. The receiver
    // must live as long as the program. Subscribing asks the bus's own
    // thread in Qt for a match rule, which waits while another bus is
    // being connected: it is done off the user-interface thread too.
    struct Signal {
        QString path, interface, name;
        QObject* receiver = nullptr;
        const char* slot = nullptr;
    };
    void listen(const Signal& signal);

private:
    void connectNow();
    void connected(const QDBusConnection& bus);
    void giveUp(const QString& why);
    QString busName() const;

    enum class State { NotAsked, Connecting, Done };
    const QDBusConnection::BusType type_;
    State state_ = State::NotAsked;
    std::optional<QDBusConnection> bus_;
    QString why_;
    std::vector<Then> waiting_;
    std::vector<Signal> signals_; // subscribed by the connecting thread
    QTimer timeout_;
};

} // namespace platform
