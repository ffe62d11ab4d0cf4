/* Stands in for Windows' own shutdown.exe in the tests under Wine: appends
 * the command line it was started with (UTF-8) and a line end to
 * shutdown-calls.txt in its working folder, and shuts nothing down. Placed in
 * the program's folder, which is the working folder the tests start the
 * program in, it is the "shutdown" that cmd.exe finds first. */
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
    HANDLE file = CreateFileW(L"shutdown-calls.txt", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text, (DWORD)size, &written, NULL);
    CloseHandle(file);
    return ok && written == (DWORD)size ? 0 : 1;
}
