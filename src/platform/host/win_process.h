#pragma once
// Starting a command line on Windows. Kept free of Qt so that it can be
// compiled on its own with a cross compiler.

#include <string>

namespace platform {

// Starts `commandLine` as a new process whose main window is shown with
// `showWindow` (an SW_ value: 0 hidden, 2 minimised) and returns at once
// without waiting. Returns false, with the system's error code in
// `errorCode`, when the process could not be started.
bool winStartProcess(const std::wstring& commandLine, int showWindow, unsigned long& errorCode);

// The system's text for an error code, without the line end it ends in;
// empty when it has none.
std::wstring winErrorText(unsigned long errorCode);

} // namespace platform
