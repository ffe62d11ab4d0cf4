#include "platform/host/working_set.h"

#include <malloc.h>

namespace platform {

void releaseFreeHeap() { ::malloc_trim(0); }

} // namespace platform
