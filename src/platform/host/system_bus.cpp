#include "system_bus.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QPointer>

#include <thread>

namespace platform {

SystemBus::SystemBus()
{
    timeout_.setSingleShot(true);
    timeout_.setInterval(kConnectTimeoutMs);
    connect(&timeout_, &QTimer::timeout, this,
            [this] { giveUp(QStringLiteral("the system bus did not answer within %1 s").arg(kConnectTimeoutMs / 1000)); });
}

void SystemBus::whenConnected(Then then)
{
    if (state_ == State::Done) {
        then(bus_, why_);
        return;
    }
    waiting_.push_back(std::move(then));
    if (state_ == State::Connecting)
        return;
    state_ = State::Connecting;
    timeout_.start();
    // The thread may outlive us when the bus never answers: it holds only a
    // guarded pointer, and the program's end takes it away with the rest.
    QPointer<SystemBus> self(this);
    std::thread([self] {
        const QDBusConnection bus = QDBusConnection::systemBus();
        QMetaObject::invokeMethod(
            qApp, [self, bus] {
                if (self)
                    self->connected(bus);
            },
            Qt::QueuedConnection);
    }).detach();
}

void SystemBus::connected(const QDBusConnection& bus)
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

void SystemBus::giveUp(const QString& why)
{
    // What waits is told now; the connection may still come, for later.
    for (Then& then : std::exchange(waiting_, {}))
        then(std::nullopt, why);
}

} // namespace platform
