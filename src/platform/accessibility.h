#pragma once
// What assistive technology (screen readers) is told about the program's
// own kinds of controls and windows, where Qt's defaults fall short: the
// windows are frames and dialogs with their titles (not unnamed fillers),
// and a clickable label is a link that can be pressed.

namespace platform {

// Registers the program's accessibility factory with Qt; once is enough.
void installAccessibility();

} // namespace platform
