#include "process.h"

#include <windows.h>

#include <vector>

namespace platform {

namespace {

// The system folder (C:\Windows\System32), with no separator at its end;
// empty, with the error code, when it cannot be read.
std::wstring systemFolder(unsigned long& errorCode)
{
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
        if (length == 0) {
            errorCode = GetLastError();
            return {};
        }
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length); // too short: `length` is the room needed, the null included
    }
}

} // namespace

bool winStartSystemProgram(const std::wstring& program, const std::wstring& commandLine, int showWindow,
                           unsigned long& errorCode)
{
    const std::wstring folder = systemFolder(errorCode);
    if (folder.empty())
        return false;
    // With no application name CreateProcessW would look for the line's
    // first word in the program's own folder and the working folder before
    // the system folder.
    const std::wstring path = folder + (folder.back() == L'\\' ? L"" : L"\\") + program;

    // CreateProcessW may write into the command line buffer, so hand it a copy.
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showWindow);
    PROCESS_INFORMATION process{};

    if (!CreateProcessW(path.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &process)) {
        errorCode = GetLastError();
        return false;
    }
    // Nothing is waited for: let go of the handles at once.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    errorCode = 0;
    return true;
}

std::wstring winErrorText(unsigned long errorCode)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = length > 0 && text ? std::wstring(text, length) : std::wstring();
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == L'\n' || result.back() == L'\r' || result.back() == L' '))
        result.pop_back();
    return result;
}

} // namespace platform

