/* Stands in for a taskbar that restarts, in the tests under Wine, whose own
 * taskbar (explorer.exe) never drops its icons nor announces itself:
 *
 *   taskbar_restart.exe lose CLASS ID   takes the icon ID of the top-level
 *                                       window of class CLASS off the
 *                                       notification area, as a taskbar
 *                                       that ends takes its icons with it
 *   taskbar_restart.exe created         broadcasts "TaskbarCreated" to the
 *                                       top-level windows, as a taskbar
 *                                       that starts does
 *
 * Exits with 0 when done, 1 when there is no such window or icon, 2 on
 * wrong arguments. */
#include <windows.h>
#include <shellapi.h>

#include <stdlib.h>

int main(void)
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return 2;
    if (argc == 4 && lstrcmpW(argv[1], L"lose") == 0) {
        const HWND window = FindWindowW(argv[2], NULL);
        if (!window)
            return 1;
        NOTIFYICONDATAW data;
        ZeroMemory(&data, sizeof(data));
        data.cbSize = sizeof(data);
        data.hWnd = window;
        data.uID = (UINT)wcstoul(argv[3], NULL, 10);
        return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : 1;
    }
    if (argc == 2 && lstrcmpW(argv[1], L"created") == 0) {
        const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
        return message != 0 && SendNotifyMessageW(HWND_BROADCAST, message, 0, 0) ? 0 : 1;
    }
    return 2;
}
