#include "working_set.h"

#include <windows.h>

namespace platform {

// Windows moves the pages to its standby list, from which a page used again
// comes back without reading the disk.
void releaseStartPages()
{
    ::SetProcessWorkingSetSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

} // namespace platform
