#include "bus.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QPointer>

#include <thread>

namespace platform {

namespace {

void subscribe(QDBusConnection bus, const std::vector<Bus::Signal>& wanted)
{
    for (const Bus::Signal& s : wanted)
        bus.connect(QString(), s.path, s.interface, s.name, s.receiver, s.slot);
}

} // namespace

Bus::Bus(QDBusConnection::BusType type) : type_(type)
{
    timeout_.setSingleShot(true);
    timeout_.setInterval(kConnectTimeoutMs);
    connect(&timeout_, &QTimer::timeout, this, [this] {
        giveUp(QStringLiteral("the %1 did not answer within %2 s").arg(busName()).arg(kConnectTimeoutMs / 1000));
    });
}

QString Bus::busName() const
{
    return type_ == QDBusConnection::SystemBus ? QStringLiteral("system bus") : QStringLiteral("session bus");
}

void Bus::whenConnected(Then then)
{
    if (state_ == State::Done) {
        then(bus_, why_);
        return;
    }
    waiting_.push_back(std::move(then));
    if (state_ == State::NotAsked)
        connectNow();
    else if (!timeout_.isActive())
        timeout_.start(); // an earlier wait gave up; this one gets its own time
}

void Bus::listen(const Signal& signal)
{
    if (state_ == State::NotAsked) {
        signals_.push_back(signal);
        return;
    }
    // The connecting thread has gone with its list: subscribe on a thread
    // of this one's own once the bus is there.
    whenConnected([signal](std::optional<QDBusConnection> bus, const QString&) {
        if (bus)
            std::thread(subscribe, *bus, std::vector<Signal>{signal}).detach();
    });
}

void Bus::connectNow()
{
    state_ = State::Connecting;
    timeout_.start();
    // The thread may outlive us when the bus never answers: it holds only a
    // guarded pointer, and the program's end takes it away with the rest.
    QPointer<Bus> self(this);
    std::thread([self, type = type_, wanted = std::exchange(signals_, {})] {
        const QDBusConnection bus =
            type == QDBusConnection::SystemBus ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
        if (bus.isConnected())
            subscribe(bus, wanted);
        QMetaObject::invokeMethod(
            qApp, [self, bus] {
                if (self)
                    self->connected(bus);
            },
            Qt::QueuedConnection);
    }).detach();
}

void Bus::connected(const QDBusConnection& bus)
{
    timeout_.stop();
    state_ = State::Done;
    if (bus.isConnected()) {
        bus_ = bus;
        why_.clear();
    } else {
        bus_.reset();
        why_ = bus.lastError().message();
    }
    for (Then& then : std::exchange(waiting_, {}))
        then(bus_, why_);
}

void Bus::giveUp(const QString& why)
{
    // What waits is told now; the connection may still come, for later.
    for (Then& then : std::exchange(waiting_, {}))
        then(std::nullopt, why);
}

} // namespace platform
