#pragma once
// The program's standard module: what lives for the whole run outside any
// window. The main window keeps its notification-area icon's record here.

#include "platform/platform.h"

namespace app {

struct Module1 {
    platform::TrayRecord TrayRecord;
};

} // namespace app
