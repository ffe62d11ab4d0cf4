#pragma once
// The program's windows and how it starts, in one place.
//
// Start: the splash window HY is shown, and nothing else. Its Load makes it
// topmost and colour-keyed. One second later its timer unloads it and shows
// the main window, whose Load first registers the tray icon and then reads
// "skin.txt" into Text2, which applies the skin; only then does the main
// window become visible, centred on the screen.

#include "platform/forms.h"
#include "platform/platform.h"

namespace app {

// Defines every window of the program under its global name.
void defineWindows(platform::Forms& forms, platform::Platform& platform);

// Called as soon as the display is open: starts reading the splash's
// picture, on a thread of its own, while the fonts are set up.
void prepareStart();

// Shows the start-up window, the splash.
void start(platform::Forms& forms);

} // namespace app
