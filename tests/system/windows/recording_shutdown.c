/* Stands in for Windows' own shutdown.exe in the tests under Wine: appends
 * the command line it was started with (UTF-8) and a line end to
 * shutdown-calls.txt in its own folder, and shuts nothing down. Copied into
 * the system folder as shutdown.exe, it is the system's; copied beside the
 * program as cmd.exe and shutdown.exe, it is a planted one, which the
 * program must never run: a record beside the program shows one did. */
#include <windows.h>

int main(void)
{
    const wchar_t* line = GetCommandLineW();
    char text[8192];
    int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, text, (int)sizeof(text) - 2, NULL, NULL);
    if (size <= 0)
        return 1;
    size -= 1; /* the null */
    text[size++] = '\r';
    text[size++] = '\n';
    wchar_t path[MAX_PATH + 32];
    const DWORD length = GetModuleFileNameW(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    DWORD end = length;
    while (end > 0 && path[end - 1] != L'\\')
        --end;
    lstrcpyW(path + end, L"shutdown-calls.txt");
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text, (DWORD)size, &written, NULL);
    CloseHandle(file);
    return ok && written == (DWORD)size ? 0 : 1;
}
