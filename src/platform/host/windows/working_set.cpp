#include "platform/host/working_set.h"

#include <windows.h>

namespace platform {

// The process heap gives its large free blocks back to the system.
void releaseFreeHeap() { ::HeapCompact(::GetProcessHeap(), 0); }

} // namespace platform
