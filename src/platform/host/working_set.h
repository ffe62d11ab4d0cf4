#pragma once
// What the start alone needed (the splash and its picture, the JPEG and GIF
// readers, the building of the windows, the font set-up) stays mapped in the
// process after it has run: a program that then waits for hours in the
// notification area would hold it all that time. Once the start is over,
// those pages are given back to the system; the files they came from stay in
// the system's file cache, and a page that is used again comes back from
// there at its next use, without reading the disk.

namespace platform {

// How long after the host is set up the pages are given back: after the
// splash, the main window and the buses the start opens late.
inline constexpr int kReleaseStartPagesMs = 5000;

// Gives back the mapped pages of files that the process only reads (its
// own file, the libraries' code and constant data, the fonts) and the heap's
// free pages.
void releaseStartPages();

} // namespace platform
