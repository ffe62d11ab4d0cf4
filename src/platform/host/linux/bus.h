#pragma once
// A D-Bus bus (the system bus or the session bus), reached without holding
// up the user-interface thread. Qt connects to a bus synchronously, the
// first time it is asked for it: a bus whose daemon hangs would freeze the
// window at the first click, deaf even to SIGTERM. Here the connection is
// made on a thread of its own, and so are the subscriptions to signals;
// what is to be sent waits for the connection, in order.
//
// A bus that was not there, or whose daemon went away (restarted, or a
// session that started before it), is connected to again at the next use:
// each connection has a name of its own, since Qt keeps the first outcome of
// its default connections for good.

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
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
    // or is not made within kConnectTimeoutMs, and `why` then says why. A
    // connection that was lost, or never made, is tried again first.
    using Then = std::function<void(std::optional<QDBusConnection> bus, const QString& why)>;
    void whenConnected(Then then);

    // Runs `then` on the user-interface thread each time a connection is
    // made again after an earlier one was lost or could not be made: what
    // was learnt through the old one may be out of date.
    void whenConnectedAgain(std::function<void()> then) { again_.push_back(std::move(then)); }

    // A signal from any sender on the bus, delivered to `slot` of `receiver`
    // (on the receiver's thread) once the bus is connected, and again on
    // each later connection. The receiver must live as long as the program.
    // Subscribing asks the bus's own thread in Qt for a match rule, which
    // waits while another bus is being connected: it is done off the
    // user-interface thread too. `arguments` are matched against the
    // signal's first string arguments (the bus then sends no other).
    struct Signal {
        QString service, path, interface, name;
        QStringList arguments;
        QObject* receiver = nullptr;
        const char* slot = nullptr;
    };
    void listen(const Signal& signal);

private:
    void connectNow();
    void connected(const QDBusConnection& bus);
    void giveUp(const QString& why);
    QString busName() const;

    bool usable() const { return bus_ && bus_->isConnected(); }

    enum class State { NotAsked, Connecting, Done };
    const QDBusConnection::BusType type_;
    State state_ = State::NotAsked;
    std::optional<QDBusConnection> bus_;
    QString why_;
    std::vector<Then> waiting_;
    std::vector<Signal> signals_; // subscribed by each connecting thread
    std::vector<std::function<void()>> again_;
    int attempts_ = 0;           // names the connections: "vesperon-system-3"
    QString lastName_;           // the connection before, to be let go of
    QTimer timeout_;
};

} // namespace platform
