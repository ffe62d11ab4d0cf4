#include "bus.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QPointer>

#include <chrono>
#include <thread>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

// "%2f" and the like in a D-Bus address's value.
QByteArray unescape(const QByteArray& value) { return QByteArray::fromPercentEncoding(value); }

// The Unix socket a D-Bus address names ("unix:path=…" or
// "unix:abstract=…", the first of several); nothing for other kinds.
std::optional<sockaddr_un> socketOf(const QByteArray& address, socklen_t& length)
{
    for (const QByteArray& entry : address.split(';')) {
        if (!entry.startsWith("unix:"))
            continue;
        for (const QByteArray& pair : entry.mid(5).split(',')) {
            const bool path = pair.startsWith("path="), abstract = pair.startsWith("abstract=");
            if (!path && !abstract)
                continue;
            const QByteArray name = unescape(pair.mid(pair.indexOf('=') + 1));
            sockaddr_un where {};
            where.sun_family = AF_UNIX;
            const std::size_t offset = abstract ? 1 : 0; // an abstract name starts with a NUL
            if (name.isEmpty() || std::size_t(name.size()) + offset >= sizeof where.sun_path)
                return std::nullopt;
            std::memcpy(where.sun_path + offset, name.constData(), std::size_t(name.size()));
            length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + std::size_t(name.size())
                               + (abstract ? 0 : 1));
            return where;
        }
    }
    return std::nullopt;
}

bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd one {fd, events, 0};
        const int ready = ::poll(&one, 1, int(left.count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return true; // let the caller find out what is wrong
    }
}

// Whether the daemon of the bus answers at all, within `timeout`. A D-Bus
// daemon answers a client's first authentication line at once, whatever it
// says; one that is stopped or hung leaves it unanswered. Only a Unix socket
// can be tried so; any other address, and a socket that refuses outright
// (Qt then fails at once), count as answering.
bool busAnswers(QDBusConnection::BusType type, std::chrono::milliseconds timeout)
{
    QByteArray address = qgetenv(type == QDBusConnection::SystemBus ? "DBUS_SYSTEM_BUS_ADDRESS"
                                                                      : "DBUS_SESSION_BUS_ADDRESS");
    if (address.isEmpty()) {
        if (type != QDBusConnection::SystemBus)
            return true;
        address = "unix:path=/var/run/dbus/system_bus_socket";
    }
    socklen_t length = 0;
    const std::optional<sockaddr_un> where = socketOf(address, length);
    if (!where)
        return true;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool answers = true;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&*where), length) != 0) {
        if (errno == EAGAIN || errno == EINPROGRESS)
            answers = waitFor(fd, POLLOUT, deadline); // the daemon's queue of new connections is full
    }
    if (answers) {
        const QByteArray hello = QByteArray(1, '\0') + "AUTH EXTERNAL "
                                 + QByteArray::number(::getuid()).toHex() + "\r\n";
        if (::send(fd, hello.constData(), std::size_t(hello.size()), MSG_NOSIGNAL) == ssize_t(hello.size()))
            answers = waitFor(fd, POLLIN, deadline);
    }
    ::close(fd);
    return answers;
}

void subscribe(QDBusConnection bus, const std::vector<Bus::Signal>& wanted)
{
    for (const Bus::Signal& s : wanted)
        bus.connect(s.service, s.path, s.interface, s.name, s.arguments, QString(), s.receiver, s.slot);
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
    if (state_ == State::Done && usable()) {
        then(bus_, why_);
        return;
    }
    waiting_.push_back(std::move(then));
    if (state_ != State::Connecting)
        connectNow(); // the first time, or again: the bus was not there, or went away
    else if (!timeout_.isActive())
        timeout_.start(); // an earlier wait gave up; this one gets its own time
}

void Bus::listen(const Signal& signal)
{
    signals_.push_back(signal);
    if (state_ == State::NotAsked)
        return; // the first connection subscribes it
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
    const QString name = QStringLiteral("vesperon-%1-%2")
                             .arg(type_ == QDBusConnection::SystemBus ? u"system" : u"session")
                             .arg(++attempts_);
    // The thread may outlive us when the bus never answers: it holds only a
    // guarded pointer, and the program's end takes it away with the rest.
    QPointer<Bus> self(this);
    std::thread([self, type = type_, name, before = std::exchange(lastName_, name), wanted = signals_] {
        // Qt connects a bus on a thread of its own, holding a lock that every
        // use of any bus in the program waits for: a daemon that is hung
        // would stop them all, the user-interface thread's included (Qt's
        // tray icon uses the session bus). So Qt is asked only once the
        // daemon has answered; until then it is tried again now and then.
        using namespace std::chrono_literals;
        while (!busAnswers(type, 2s))
            std::this_thread::sleep_for(1s);
        if (!before.isEmpty())
            QDBusConnection::disconnectFromBus(before); // lost, or never made
        const QDBusConnection bus = QDBusConnection::connectToBus(type, name);
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
    if (bus_ && attempts_ > 1)
        for (const auto& then : again_)
            then();
}

void Bus::giveUp(const QString& why)
{
    // What waits is told now; the connection may still come, for later.
    for (Then& then : std::exchange(waiting_, {}))
        then(std::nullopt, why);
}

} // namespace platform
