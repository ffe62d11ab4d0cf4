#include "platform/host/close_signals.h"

namespace platform {

// Windows asks a program with windows to close only through its windows:
// WM_CLOSE and, when the session ends, WM_QUERYENDSESSION, which Qt turns
// into close events and its commitDataRequest. There are no signals to watch.
void CloseSignals::endAtOnce() {}
CloseSignals::CloseSignals(std::function<void(int)> onRequest) : onRequest_(std::move(onRequest)) {}
CloseSignals::~CloseSignals() = default;
void CloseSignals::readSignal() {}

} // namespace platform
