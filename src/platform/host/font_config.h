#pragma once
// The system's font configuration is read (on Linux by fontconfig: its
// configuration files and its caches of every installed font, about 5 ms)
// the first time a window asks for a font. Started on a thread of its own
// as the program starts, it is read while the display is being opened, and
// the first window does not wait for it.

namespace platform {

// Starts reading the font configuration. Called first thing.
void startReadingFontConfig();

// Waits until it has been read. Called before the first font is looked up.
void finishReadingFontConfig();

} // namespace platform
