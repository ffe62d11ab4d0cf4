"""The Windows program (the zip tools/windows/build.sh makes) under Wine, on
Xvfb, openbox and trayer (openbox.py), in which Wine docks its
notification-area icons (XEmbed).

    prefix = WinePrefix(folder)          # wineboot, once per test class
    with WineDesktop(prefix) as d:
        work = d.program_folder()       # the zip's program, unpacked
        d.launch(cwd=work)              # wine vesperon.exe, started there
        ...

The program's folder is the working folder it is started in. The tests'
own recording program (tests/system/windows) stands in for the system's
shutdown.exe in the prefix's system folder, and is planted beside the
program as cmd.exe and shutdown.exe: it only writes down the command line
it was started with, beside itself. Wine's own trace of CreateProcess
(WINEDEBUG +process, in the program's standard error) shows the program and
the line the program handed to the system.

Wine's taskbar (its explorer.exe, which docks the icons in trayer) never
drops an icon nor announces itself again; the tests' taskbar_restart.exe
does both, as a taskbar that restarts would (taskbar_restart()). Ending
Wine's explorer leaves the program with no taskbar at all (end_taskbar()).

Environment: VESPERON_WINDOWS_ZIP (the zip), VESPERON_RECORDING_SHUTDOWN
(the recording shutdown.exe) and VESPERON_TASKBAR_RESTART
(taskbar_restart.exe), which CTest sets.
"""

import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import zipfile

from harness.openbox import OpenboxDesktop
from harness.processes import CMD_TIMEOUT, WINDOW_TIMEOUT, DesktopError, say, wait_for
from harness.program import CLIENT_H, CLIENT_W

ZIP = os.environ.get("VESPERON_WINDOWS_ZIP", "")
RECORDER = os.environ.get("VESPERON_RECORDING_SHUTDOWN", "")
TASKBAR_RESTART = os.environ.get("VESPERON_TASKBAR_RESTART", "")
LOCALE = "zh_CN.UTF-8"


def wine_env(prefix, **extra):
    env = {
        "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
        "HOME": prefix.home,
        "WINEPREFIX": prefix.path,
        "WINEDEBUG": "-all",
        # No menu entries or file associations on the test machine; the
        # system folder's shutdown.exe is the recording one, not Wine's own
        # (which Wine would run in its place).
        "WINEDLLOVERRIDES": "winemenubuilder.exe=d;shutdown.exe=n",
        "LOCPATH": prefix.locales,
        "LANG": LOCALE,
        "LC_ALL": LOCALE,
    }
    env.update(extra)
    return env


class WinePrefix:
    """A Wine prefix of its own (a Windows user's C: drive and registry) and
    the Chinese locale that Wine takes the user's language, code page 936
    and the clock's format from."""

    def __init__(self, folder):
        self.folder = folder
        self.home = os.path.join(folder, "home")
        self.path = os.path.join(folder, "prefix")
        self.locales = os.path.join(folder, "locales")
        os.makedirs(self.home, exist_ok=True)
        os.makedirs(self.locales, exist_ok=True)
        # A locale of its own (LOCPATH): Debian has only C.UTF-8 until one
        # is made, and Wine takes its Windows locale and the code page of
        # Linux file names from it.
        subprocess.run(["localedef", "-i", "zh_CN", "-f", "UTF-8",
                        os.path.join(self.locales, LOCALE)],
                       check=True, timeout=120, capture_output=True)
        self.run(["wineboot", "-i"], timeout=300)
        # Wine's own fonts (fonts-wine): Marlett draws the title bars' boxes,
        # Tahoma is the dialogs' face. Debian's Wine does not find them by
        # itself; in the prefix's Fonts folder it does.
        fonts = os.path.join(self.path, "drive_c", "windows", "Fonts")
        for name in ("marlett.ttf", "tahoma.ttf", "tahomabd.ttf"):
            source = os.path.join("/usr/share/wine/fonts", name)
            if os.path.exists(source) and os.path.isdir(fonts):
                shutil.copy2(source, fonts)
        # Wine draws the windows' frames itself, as Windows does (title bar,
        # icon, the boxes the window's style has), instead of asking the
        # window manager for them: openbox would draw minimise and maximise
        # buttons whatever the window asks for.
        self.run(["wine", "reg", "add", r"HKCU\Software\Wine\X11 Driver",
                  "/v", "Decorated", "/t", "REG_SZ", "/d", "N", "/f"])
        self.wait()
        self.system_folder = os.path.join(self.path, "drive_c", "windows", "system32")
        shutil.copy2(RECORDER, os.path.join(self.system_folder, "shutdown.exe"))

    def env(self, **extra):
        return wine_env(self, **extra)

    def run(self, argv, timeout=120, **extra):
        r = subprocess.run(argv, env=self.env(**extra), capture_output=True,
                           timeout=timeout, cwd=self.folder)
        if r.returncode != 0:
            raise DesktopError("%s failed (%d): %s" % (" ".join(argv), r.returncode,
                                                      r.stderr.decode(errors="replace")[-2000:]))
        return r

    def wait(self):
        """Until every Wine process of the prefix has ended."""
        subprocess.run(["wineserver", "-w"], env=self.env(), timeout=120)

    def kill(self):
        """End every Wine process of the prefix (its explorer, the tray, the
        program): the next start begins afresh."""
        subprocess.run(["wineserver", "-k"], env=self.env(), timeout=60,
                       stderr=subprocess.DEVNULL)
        self.wait()

    def set_user_proxy(self, host_port):
        """The proxy a Windows user sets in the system's proxy settings
        ("Internet Options", or Settings > Network > Proxy): the binary
        DefaultConnectionSettings of the user's Internet Settings, which
        WinHTTP's WinHttpGetIEProxyConfigForCurrentUser reads, and with it
        Qt's system proxy on Windows. Manual proxy, no automatic detection."""
        proxy = host_port.encode("ascii")
        blob = (struct.pack("<III", 0x46, 1, 0x1 | 0x2)   # version, counter, direct | proxy
                + struct.pack("<I", len(proxy)) + proxy
                + struct.pack("<I", 0)                    # no bypass list
                + struct.pack("<I", 0)                    # no automatic configuration script
                + bytes(28))
        self.run(["wine", "reg", "add",
                  r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections",
                  "/v", "DefaultConnectionSettings", "/t", "REG_BINARY", "/d", blob.hex(), "/f"])


class WineDesktop(OpenboxDesktop):
    """An openbox desktop with trayer and no logind; the program runs under
    Wine in `prefix`, from the folder it is started in (launch(cwd=))."""

    # Wine's docked icons are X windows of its explorer.exe.
    icon_class = "explorer.exe"
    # The first program of a prefix starts Wine's own services and explorer
    # with it: on a busy machine that takes a while.
    launch_timeout = 3 * WINDOW_TIMEOUT

    def __init__(self, prefix, **kw):
        kw.setdefault("tray", True)
        super().__init__(logind=None, lang=LOCALE, **kw)
        self.prefix = prefix
        self.session_env = wine_env(prefix)

    def stop(self):
        # Wine's own processes (explorer, which holds the tray icons) live in
        # the prefix's wineserver, not in the program's process group.
        if self.prefix is not None and self.display is not None:
            self.prefix.kill()
        super().stop()

    def program_argv(self, binary, args, cwd):
        if cwd is None or not os.path.isfile(os.path.join(cwd, "vesperon.exe")):
            raise DesktopError("launch(cwd=) needs a program folder (program_folder())")
        return ["wine", "vesperon.exe"] + list(args)

    def program_env(self):
        return {"WINEDEBUG": "-all,trace+process"}

    def program_stderr(self):
        """The program's standard error without Wine's trace lines."""
        return "\n".join(line for line in self.stderr_text().splitlines()
                         if not re.match(r"^[0-9a-f]{4}:(trace|fixme|err|warn):", line))

    def describe(self):
        """With Wine's own complaints and the last processes it started:
        what a program that ended without a word of its own left behind."""
        lines = [line for line in self.stderr_text().splitlines()
                 if re.match(r"^[0-9a-f]{4}:(err|warn):", line) or "CreateProcess" in line]
        text = super().describe()
        return text + ("\nWine's lines:\n" + "\n".join(lines[-30:]) if lines else "")

    def client_rect(self, wid, width, height):
        """Root position of the client area (width × height) of a framed
        window: Wine's frame has equal borders left, right and below, and
        the title bar (and any menu bar) above."""
        g = self.geometry(wid)
        if not g or g["WIDTH"] < width or g["HEIGHT"] < height:
            return None
        border = (g["WIDTH"] - width) // 2
        return (g["X"] + border, g["Y"] + g["HEIGHT"] - border - height)

    def client_origin(self, wid):
        return self.client_rect(wid, CLIENT_W, CLIENT_H)

    def click_close_box(self, wid):
        """The close box at the right end of the window's title bar, as Wine
        draws it."""
        g = self.geometry(wid)
        return self.click_at(g["X"] + g["WIDTH"] - 12, g["Y"] + 12)

    def program_folder(self, name="program"):
        """The zip's program, unpacked into a folder of this desktop, with
        a recording cmd.exe and shutdown.exe planted beside it; the system
        folder's recording shutdown.exe starts with no record. Returns the
        folder."""
        if not os.path.isfile(ZIP):
            raise DesktopError("no Windows zip (VESPERON_WINDOWS_ZIP=%r)" % ZIP)
        unpacked = os.path.join(self.tmp, name + ".unpacked")
        with zipfile.ZipFile(ZIP) as z:
            z.extractall(unpacked)
        (top,) = os.listdir(unpacked)
        folder = os.path.join(self.tmp, name)
        os.rename(os.path.join(unpacked, top), folder)
        os.rmdir(unpacked)
        for planted in ("cmd.exe", "shutdown.exe"):
            shutil.copy2(RECORDER, os.path.join(folder, planted))
        record = os.path.join(self.prefix.system_folder, "shutdown-calls.txt")
        if os.path.exists(record):
            os.remove(record)
        return folder

    # ------------------------------------------------------------- taskbar

    def taskbar_restart(self, *args):
        """taskbar_restart.exe in the prefix: ("lose", CLASS, ID) takes an
        icon off the notification area, ("created",) broadcasts
        "TaskbarCreated". Returns its exit status."""
        if not os.path.isfile(TASKBAR_RESTART):
            raise DesktopError("no taskbar_restart.exe (VESPERON_TASKBAR_RESTART=%r)" % TASKBAR_RESTART)
        return subprocess.run(["wine", TASKBAR_RESTART] + list(args), env=self.env(),
                              capture_output=True, timeout=120).returncode

    def end_taskbar(self):
        """Ends Wine's explorer.exe of the prefix, and with it the taskbar
        (its Shell_TrayWnd) and the icons docked in trayer: Shell_NotifyIcon
        fails from then on, as before a taskbar has come. Wine starts no new
        one for the program's desktop."""
        def explorers():
            found = []
            for pid in filter(str.isdigit, os.listdir("/proc")):
                try:
                    with open("/proc/%s/environ" % pid, "rb") as f:
                        env = f.read().split(b"\0")
                    with open("/proc/%s/cmdline" % pid, "rb") as f:
                        words = f.read().replace(b"\0", b" ").split()
                except OSError:
                    continue
                if (b"WINEPREFIX=" + os.fsencode(self.prefix.path) in env
                        and words and words[0].lower().endswith(b"\\explorer.exe")):
                    found.append(int(pid))
            return found
        pids = explorers()
        if not pids:
            raise DesktopError("no explorer.exe runs in the prefix")
        for pid in pids:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        wait_for(lambda: not explorers(), 30, "Wine's explorer.exe to end")

    # ------------------------------------------------------------ what ran

    def started(self):
        """(program, command line) of each process the program started
        with a cmd.exe line, in order, from Wine's trace (the program's own
        thread, not cmd.exe's); the program is None when none was named."""
        text = self.stderr_text()
        found = re.findall(r'CreateProcessInternalW app (\(null\)|L"[^"]*") cmdline L"(cmd\.exe[^"]*)"', text)
        unquote = lambda text: text.replace("\\\\", "\\")
        return [(None if app == "(null)" else unquote(app[2:-1]), unquote(line)) for app, line in found]

    def started_lines(self):
        """The command lines the program handed to CreateProcessW, in order."""
        return [line for _, line in self.started()]

    def click_until_started(self, control, count, tries=3):
        """Click `control` until the program has handed `count` lines in all
        to CreateProcessW. On a busy machine Wine now and then lets a click
        go by: a line's console has just taken the focus, and no line starts
        from it. A click that lands shows in the trace at once, long before
        its line has run."""
        for _ in range(tries):
            self.click(control)
            try:
                return wait_for(lambda: len(self.started_lines()) >= count, CMD_TIMEOUT,
                                "line %d handed to CreateProcessW" % count, interval=0.1)
            except DesktopError:
                continue
        raise DesktopError("%s started no line in %d clicks" % (control, tries))

    def recorded(self, folder=None):
        """What the recording programs in `folder` (the system folder's
        shutdown.exe unless given) were started with."""
        path = os.path.join(folder or self.prefix.system_folder, "shutdown-calls.txt")
        if not os.path.exists(path):
            return []
        with open(path, encoding="utf-8") as f:
            return [line.rstrip("\r\n") for line in f if line.strip()]

    def wait_recorded(self, count, timeout=3 * CMD_TIMEOUT):
        """The system's shutdown.exe's record, once it holds `count` lines."""
        return wait_for(lambda: len(self.recorded()) >= count and self.recorded(),
                        timeout, "%d recorded shutdown lines (have %r)" % (count, self.recorded()), interval=0.1)


def make_prefix_folder():
    """A temporary folder for a WinePrefix."""
    folder = tempfile.mkdtemp(prefix="vesperon-wine-")
    say("wine prefix folder %s" % folder)
    return folder

