"""The program under test: its main window's layout, and its start, output,
signals and end on a desktop.

Program is the desktop's part that starts the program (d.launch()), with
standard output and error to files, finds its main window (through the
desktop's main_window_place()) and clicks its controls by name (Command3)
or caption (1小时关机) through the desktop's click_at().
"""

import os
import select
import shutil
import subprocess
import time

from harness.processes import CMD_TIMEOUT, WINDOW_TIMEOUT, DesktopError, say, stop_group, wait_for

DEFAULT_BIN = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                            "..", "..", "..", "build", "vesperon"))

MAIN_TITLE = "<Tolvane> 关机工具 "
MAIN_TITLE_PATTERN = "Tolvane"

# Size of the main window's client area (below the menu bar).
CLIENT_W, CLIENT_H = 246, 278

# Controls of the main window: (left, top, width, height) in the client area.
CONTROLS = {
    "Command2": (8, 64, 73, 25),      # 六十秒关机
    "Command7": (88, 64, 73, 25),     # 30分钟关机
    "Command3": (168, 64, 73, 25),    # 1小时关机
    "Command8": (8, 96, 73, 25),      # 2小时关机
    "Command4": (88, 96, 73, 25),     # 3小时关机
    "Command9": (168, 96, 73, 25),    # 5小时关机
    "Command6": (8, 128, 233, 17),    # 取消快捷按钮关机
    "Command1": (8, 152, 65, 33),     # 开始计时
    "Command10": (80, 152, 81, 33),   # 立刻关机
    "Command5": (168, 152, 73, 33),   # 最小化到任务栏
    "Frame1": (8, 8, 129, 57),
    "Frame2": (144, 8, 97, 57),
    "Text1": (16, 32, 113, 18),       # seconds box, inside Frame1
    "Option1": (152, 24, 73, 17),     # 关机, inside Frame2
    "Option2": (152, 40, 65, 25),     # 重启, inside Frame2
}

# Option buttons are clicked on their round indicator, not in the middle.
OPTION_CONTROLS = {"Option1", "Option2"}
OPTION_CLICK_DX = 8

# The captions, so that tests read like the window does.
CAPTIONS = {
    "六十秒关机": "Command2",
    "30分钟关机": "Command7",
    "1小时关机": "Command3",
    "2小时关机": "Command8",
    "3小时关机": "Command4",
    "5小时关机": "Command9",
    "取消快捷按钮关机": "Command6",
    "开始计时": "Command1",
    "立刻关机": "Command10",
    "最小化到任务栏": "Command5",
    "关机": "Option1",
    "重启": "Option2",
}

# Spots clicked on the menu bar (above the client area) and on the red
# "检查更新", relative to the client area's top-left corner.
SPOTS = {
    "换肤": (16, -10),
    "给我工资": (55, -10),
    "说明": (110, -10),
    "关于": (155, -10),
    "检查更新": (205, 264),
}

# Preset buttons and the delay, in seconds, each one asks logind for.
PRESETS = [
    ("Command2", "六十秒关机", 60),
    ("Command7", "30分钟关机", 1800),
    ("Command3", "1小时关机", 3600),
    ("Command8", "2小时关机", 7200),
    ("Command4", "3小时关机", 10800),
    ("Command9", "5小时关机", 18000),
]



def after(lead, usec, form):
    """`lead` and a moment (logind's microseconds since the epoch) as the
    program's notices say it: "将于 21:45", "将于明天 01:45", "将于3月5日 01:45"
    (a space only before digits); `form` is the clock's strftime form."""
    import datetime
    moment = time.localtime(usec // 10**6)
    day = datetime.date(moment.tm_year, moment.tm_mon, moment.tm_mday)
    today = datetime.date.today()
    clock = time.strftime(form, moment)
    days = (day - today).days
    if days == 0:
        return "%s %s" % (lead, clock)
    if days in (1, 2):
        return lead + ("明天 ", "后天 ")[days - 1] + clock
    if day.year == today.year:
        return "%s%d月%d日 %s" % (lead, day.month, day.day, clock)
    return "%s%d年%d月%d日 %s" % (lead, day.year, day.month, day.day, clock)

class Program:
    """The desktop's part that runs the program."""

    launch_timeout = WINDOW_TIMEOUT

    def set_up_program(self, binary):
        self.binary = binary or os.environ.get("VESPERON_BIN", DEFAULT_BIN)
        self.scale = 1  # device pixels to a point of the program's windows
        self.app = self.app_stdout = self.app_stderr = None
        self.main_window = None
        self.origin = None            # client-area top-left, root coordinates

    def program_argv(self, binary, args, cwd):
        """The command line that starts the program (under Wine: otherwise)."""
        if not os.access(binary, os.X_OK):
            raise DesktopError("program not found or not executable: %s" % binary)
        return [binary] + list(args)

    def program_env(self):
        """What this desktop adds to the program's environment."""
        return {}

    def launch(self, args=(), wait_window=True, cwd=None, env=None, binary=None):
        """Start the program on this desktop (and the services' parts of it:
        the real logind); find its main window.

        cwd is its working folder (default: this desktop's folder), binary
        another copy of the program to start (see program_copy()).
        """
        argv = self.program_argv(binary or self.binary, args, cwd)
        env = dict(self.program_env(), **(env or {}))
        for service in self.services():
            argv = service.prepare(argv, env)
        self.app_stdout = os.path.join(self.tmp, "vesperon.out")
        self.app_stderr = os.path.join(self.tmp, "vesperon.err")
        self.app = self.spawn("vesperon", argv, env=self.env(**env), cwd=cwd or self.tmp,
                              stdout=open(self.app_stdout, "ab"), stderr=open(self.app_stderr, "ab"))
        for service in self.services():
            service.after_launch()
        if wait_window:
            self.find_main_window(self.launch_timeout)
        return self.app

    def app_running(self):
        return self.app is not None and self.app.poll() is None

    def stop_program(self, proc=None):
        """End the program (or `proc`, another process launch() started) and
        whatever it started."""
        proc = proc or self.app
        stop_group("vesperon", proc)
        self.procs = [entry for entry in self.procs if entry[1] is not proc]

    def signal(self, number):
        """Send a signal to the program itself; time.time() of the sending."""
        self.app.send_signal(number)
        return time.time()

    def wait_exit(self, timeout=WINDOW_TIMEOUT):
        """Wait for the program to end: (exit status, time.time() of the end).
        Raises DesktopError when it is still running after `timeout`."""
        # Popen.wait with a time-out polls with growing sleeps (up to 50 ms);
        # a pidfd tells the moment of the exit itself (unless it has already
        # been collected: app_running() does that).
        try:
            pidfd = os.pidfd_open(self.app.pid)
        except ProcessLookupError:
            return self.app.wait(timeout=timeout), time.time()
        try:
            ready, _, _ = select.select([pidfd], [], [], timeout)
            ended = time.time()
        finally:
            os.close(pidfd)
        if not ready:
            raise DesktopError("the program is still running after %.1f s\n%s" % (timeout, self.describe()))
        return self.app.wait(), ended

    def stderr_text(self):
        if not self.app_stderr or not os.path.exists(self.app_stderr):
            return ""
        with open(self.app_stderr, encoding="utf-8", errors="replace") as f:
            return f.read()

    def program_stderr(self):
        """The program's standard error without what the desktop adds to it
        (a trace of the program's requests, Wine's trace)."""
        return self.stderr_text()

    def in_program_namespace(self, argv):
        """Run a command where the program runs (its mount namespace: with
        the real logind, where logind's /run/systemd is), as a user typing
        it in a terminal would; returns the CompletedProcess."""
        return subprocess.run(["nsenter", "--target", str(self.app.pid), "--mount"] + list(argv),
                              env=self.env(), capture_output=True, text=True, timeout=CMD_TIMEOUT)

    def program_copy(self, pictures, folder=b"program"):
        """A program folder of this desktop's own: the program and pictures.

        pictures maps file names to bytes; folder is the folder's name, in
        bytes (it need not be UTF-8). Returns the copied program's path.
        """
        folder = os.path.join(os.fsencode(self.tmp), folder)
        os.makedirs(folder, exist_ok=True)
        binary = os.path.join(folder, b"vesperon")
        shutil.copy2(self.binary, binary)
        for name, data in pictures.items():
            with open(os.path.join(folder, os.fsencode(name)), "wb") as f:
                f.write(data)
        return binary

    # ---------------------------------------------------------- main window

    def find_main_window(self, timeout=WINDOW_TIMEOUT):
        """Wait until the main window shows and its place stays put (a window
        manager frames and places a new window a moment after it is
        mapped); sets main_window and origin, the client area's top-left."""
        last = [None]

        def settled():
            if self.app is not None and not self.app_running():
                raise DesktopError("the program exited\n" + self.describe())
            now = self.main_window_place()
            steady = now is not None and now == last[0]
            last[0] = now
            return steady and now
        self.main_window, self.origin = wait_for(settled, timeout, "the main window to show and settle",
                                                 interval=0.15)
        say("main window %s, client area at %s" % (self.main_window, self.origin))
        return self.main_window

    def refresh_origin(self):
        """The client area's top-left again (the window may have moved)."""
        place = self.main_window_place()
        if place:
            self.origin = place[1]
        return self.origin

    def point(self, control, dx=None, dy=None):
        """Root coordinates of a spot in a control (default: its centre),
        or of a menu item or "检查更新" (SPOTS)."""
        if self.origin is None:
            raise DesktopError("main window not found yet")
        s = self.scale
        if control in SPOTS:
            return (self.origin[0] + s * SPOTS[control][0], self.origin[1] + s * SPOTS[control][1])
        name = CAPTIONS.get(control, control)
        left, top, w, h = CONTROLS[name]
        if dx is None:
            dx = OPTION_CLICK_DX if name in OPTION_CONTROLS else w // 2
        if dy is None:
            dy = h // 2
        return (self.origin[0] + s * (left + dx), self.origin[1] + s * (top + dy))

    def click(self, control, button=1, **kw):
        """Click a control by name (Command3) or caption (1小时关机); the
        returned time.time() is taken right before the click is sent."""
        x, y = self.point(control, **kw)
        return self.click_at(x, y, button)

    def set_seconds(self, text):
        """Replace the contents of the seconds box as a user would."""
        self.click("Text1")
        self.key("ctrl+a")
        self.type(text)

    def client_pixel(self, x, y, shot=None):
        """(r, g, b) at x, y of the main window's client area."""
        self.refresh_origin()
        return self.pixel(self.origin[0] + x, self.origin[1] + y, shot)
