#include "platform/host/close_signals.h"

#include "platform/host/console.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

// The signal handler may do next to nothing: it writes the signal's number
// into one end of a socket pair, and the user-interface thread reads it from
// the other.
int signalSockets[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(signalSockets[0], &byte, 1);
    // The watchdog: a later signal does not put it off.
    if (const unsigned left = ::alarm(CloseSignals::kGraceSeconds); left > 0)
        ::alarm(left);
    errno = saved;
}

// The end of the program with status 0, from a signal handler: nothing but
// what is safe there.
extern "C" void endNow(int) { ::_exit(0); }

void handle(int number, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
}

} // namespace

void CloseSignals::endAtOnce()
{
    for (const int number : kSignals)
        handle(number, endNow);
}

CloseSignals::CloseSignals(std::function<void(int)> onRequest) : onRequest_(std::move(onRequest))
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0) {
        writeErrorLine(QStringLiteral("cannot watch for SIGTERM, SIGINT and SIGHUP: socketpair failed"));
        return;
    }
    // A burst of signals must never block the handler.
    ::fcntl(signalSockets[0], F_SETFL, ::fcntl(signalSockets[0], F_GETFL) | O_NONBLOCK);
    notifier_ = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readSignal(); });

    handle(SIGALRM, endNow);
    for (const int number : kSignals)
        handle(number, onSignal);
}

CloseSignals::~CloseSignals()
{
    ::alarm(0);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : kSignals)
        ::sigaction(number, &action, nullptr);
    for (int& socket : signalSockets) {
        if (socket >= 0)
            ::close(socket);
        socket = -1;
    }
}

void CloseSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(signalSockets[1], &byte, 1) == 1 && onRequest_)
        onRequest_(byte);
}

} // namespace platform
