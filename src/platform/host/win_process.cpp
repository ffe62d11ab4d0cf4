#ifdef _WIN32

#include "win_process.h"

#include <windows.h>

#include <vector>

namespace platform {

bool winStartProcess(const std::wstring& commandLine, int showWindow, unsigned long& errorCode)
{
    // CreateProcessW may write into the command line buffer, so hand it a copy.
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showWindow);
    PROCESS_INFORMATION process{};

    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
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

#endif // _WIN32
