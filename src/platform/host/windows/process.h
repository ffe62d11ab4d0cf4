#pragma once
// Starting a command line on Windows. Kept free of Qt so that it can be
// compiled on its own with a cross compiler.

#include <string>

namespace platform {

// Starts the system's own `program` (a file name such as L"cmd.exe") from
// the system folder, by its full path, with `commandLine` as the command
// line it is handed and the system folder as its working folder, as a new
// process whose main window is shown with `showWindow` (an SW_ value: 0
// hidden, 2 minimised); returns at once without waiting. Neither the
// program's own folder nor the folder it was started in is searched: a file
// of the same name planted in either (an unpacked download folder) is never
// run, nor one that the program then looks for in its working folder
// (cmd.exe looks for "shutdown" there first). Returns false, with the
// system's error code in `errorCode`, when the process could not be started.
bool winStartSystemProgram(const std::wstring& program, const std::wstring& commandLine, int showWindow,
                           unsigned long& errorCode);

// The system's text for an error code, without the line end it ends in;
// empty when it has none.
std::wstring winErrorText(unsigned long errorCode);

} // namespace platform
