#pragma once
// What the start alone needed on the heap (the splash's picture and its
// decoding, the building of the windows, the font set-up) is freed once it
// has run, but the C library keeps the free pages for later allocations: a
// program that then waits for hours in the notification area would hold
// them all that time. Once the start is over they are handed back to the
// system. (Pages mapped from files, code and constant data, are left alone:
// they cost the machine nothing it cannot take back by itself, and some of
// them are no longer the file's.)

namespace platform {

// How long after the host is set up the heap is trimmed: after the splash,
// the main window and the buses the start opens late.
inline constexpr int kReleaseFreeHeapMs = 5000;

// Hands the heap's free pages back to the system.
void releaseFreeHeap();

} // namespace platform
