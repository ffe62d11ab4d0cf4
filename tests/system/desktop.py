"""A throwaway X desktop for driving vesperon as a user would.

Desktop starts, in a private temporary directory:

  * Xvfb on a free display (1024x768x24, no TCP), openbox, a plain root
    colour and, when asked, a trayer panel;
  * a private bus that stands in for the system bus, and on it, when asked,
    python-dbusmock's logind template with the shutdown-scheduling methods
    the template lacks (ScheduleShutdown, CancelScheduledShutdown and the
    ScheduledShutdown property);
  * a private session bus for the program and, when asked, a mock
    StatusNotifierWatcher on it (the tray of KDE, GNOME's AppIndicator
    extension and most Wayland desktops);
  * optionally dbus-monitor on that bus, to see the arguments as they were
    put on the wire (dbusmock converts them to the declared signature);
  * the program itself, stdout and stderr to files.

Everything is started in its own process group and torn down by group, also
when a test fails half-way.  Use it as a context manager:

    with Desktop() as d:
        d.launch()
        t0 = d.click("Command3")
        calls = d.wait_calls("ScheduleShutdown", 1)

Environment:
  VESPERON_BIN          the program (default build/vesperon in this checkout)
  VESPERON_KEEP_TMP=1   keep the temporary directory (logs, screenshots)
  VESPERON_VERBOSE=1    print what the desktop does to stderr

Only the standard library, dbus-python and dbusmock are used; the X side is
driven through the xdotool, xsetroot and import command-line tools.
"""

import collections
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

import dbus

PYTHON = "/usr/bin/python3"          # Debian's interpreter, has dbus + dbusmock
DEFAULT_BIN = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                           "..", "..", "build", "vesperon"))

LOGIN1_NAME = "org.freedesktop.login1"
LOGIN1_PATH = "/org/freedesktop/login1"
LOGIN1_IFACE = "org.freedesktop.login1.Manager"
MOCK_IFACE = "org.freedesktop.DBus.Mock"
NOTIFICATIONS = "org.freedesktop.Notifications"
NOTIFICATIONS_PATH = "/org/freedesktop/Notifications"
SNI_WATCHER = "org.kde.StatusNotifierWatcher"
SNI_WATCHER_PATH = "/StatusNotifierWatcher"

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

# Generous but bounded: the CI machine has two cores.
START_TIMEOUT = 30.0
WINDOW_TIMEOUT = 30.0
CMD_TIMEOUT = 20.0

Call = collections.namedtuple("Call", "time method args")


def x_locks_of(pid):
    """The X displays whose lock file holds process `pid` (X servers, and
    compositors that start XWayland, write their process id there): a list
    of (lock file, display number)."""
    found = []
    for lock in glob.glob("/tmp/.X*-lock"):
        try:
            with open(lock) as f:
                owner = int(f.read().strip() or 0)
        except (OSError, ValueError):
            continue
        if owner == pid:
            found.append((lock, re.match(r"/tmp/\.X(\d+)-lock", lock).group(1)))
    return found


class DesktopError(RuntimeError):
    pass


def _verbose():
    return os.environ.get("VESPERON_VERBOSE") == "1"


def _say(msg):
    if _verbose():
        sys.stderr.write("desktop %.3f: %s\n" % (time.time() % 1000, msg))
        sys.stderr.flush()


def _plain(value):
    """dbus-python values to plain Python values."""
    if isinstance(value, dbus.Boolean):
        return bool(value)
    if isinstance(value, (dbus.String, dbus.ObjectPath, dbus.Signature)):
        return str(value)
    if isinstance(value, (dbus.Byte, dbus.Int16, dbus.UInt16, dbus.Int32,
                          dbus.UInt32, dbus.Int64, dbus.UInt64)):
        return int(value)
    if isinstance(value, dbus.Double):
        return float(value)
    if isinstance(value, (list, tuple, dbus.Array, dbus.Struct)):
        return [_plain(v) for v in value]
    if isinstance(value, (dict, dbus.Dictionary)):
        return {_plain(k): _plain(v) for k, v in value.items()}
    return value


# The stand-in for the system bus: no service activation at all, so a name
# that nobody owns fails at once with ServiceUnknown, as on a machine
# without logind.
BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <keep_umask/>
  <listen>unix:path=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""

# What logind's ScheduledShutdown says when nothing is pending: no type and
# the largest time (older versions and some stand-ins say ("", 0)).
NOTHING_SCHEDULED = ("", 2**64 - 1)

# Methods python-dbusmock's logind template does not have. As the real
# logind, they change ScheduledShutdown without a PropertiesChanged signal,
# and the cancel says whether anything was pending.
LOGIND_EXTRA_METHODS = [
    ("ScheduleShutdown", "st", "",
     "self.props['%s']['ScheduledShutdown'] = "
     "dbus.Struct((args[0], dbus.UInt64(args[1])), signature='st')" % LOGIN1_IFACE),
    ("CancelScheduledShutdown", "", "b",
     "ret = bool(self.props['%s']['ScheduledShutdown'][0]); "
     "self.props['%s']['ScheduledShutdown'] = "
     "dbus.Struct(('', dbus.UInt64(%d)), signature='st')" % (LOGIN1_IFACE, LOGIN1_IFACE, NOTHING_SCHEDULED[1])),
]

# The same, for a logind that refuses (as polkit would for an unprivileged
# user without an active session).
LOGIND_REFUSING_METHODS = [
    ("ScheduleShutdown", "st", "",
     "raise dbus.exceptions.DBusException('Interactive authentication required.', "
     "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')"),
    ("CancelScheduledShutdown", "", "b",
     "raise dbus.exceptions.DBusException('Interactive authentication required.', "
     "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')"),
]


REAL_LOGIND = "/lib/systemd/systemd-logind"

# The program and Debian's own systemd-logind in a mount namespace of their
# own (sh -c SCRIPT LOGIND PROGRAM ARGS...). /run is a fresh tmpfs there:
# logind keeps its state in /run/systemd and finds neither the machine's
# udev data (so it leaves the devices' access lists alone) nor its utmp (so
# its wall messages reach no terminal); the console's VTs are hidden from it
# where /sys allows. /run/systemd/system lets `shutdown` believe systemd is
# running, so that it talks to logind as on a booted system.
REAL_LOGIND_SCRIPT = """
mount -t tmpfs -o mode=0755 tmpfs /run || exit 1
mount -t tmpfs tmpfs /sys/class/tty 2>/dev/null
mkdir -p /run/systemd/shutdown /run/systemd/system || exit 1
"$0" >"$VESPERON_LOGIND_LOG" 2>&1 &
exec "$@"
"""


class Desktop:
    """Xvfb + openbox + private system bus (+ mock logind) + the program.

    logind:  "mock" (default) for the dbusmock logind with the scheduling
             methods, "refuse" for one whose scheduling methods fail with
             an authorization error, "real" for Debian's own systemd-logind
             started with the program (see launch()), None for no logind on
             the bus at all.
    tray:    also start trayer as a system tray host (XEmbed).
    sni:     put a mock org.kde.StatusNotifierWatcher with a host on the
             program's session bus (see sni_items(), sni_activate()).
    notifications: put dbusmock's notification_daemon template on the
             program's session bus, as the desktop's notification server
             (see notices()).
    monitor: run dbus-monitor on the system bus for ScheduleShutdown and
             CancelScheduledShutdown calls (see wire_calls()).
    """

    def __init__(self, logind="mock", tray=False, monitor=False,
                 binary=None, lang="C.UTF-8", sni=False, atspi=False, notifications=False):
        if logind not in ("mock", "refuse", "real", None):
            raise ValueError("logind must be 'mock', 'refuse', 'real' or None")
        self.logind = logind
        self.tray = tray
        self.sni = sni
        self.atspi = atspi
        self.notifications = notifications
        self._notifier = None
        self.notifier_log = None
        self.monitor = monitor
        self.binary = binary or os.environ.get("VESPERON_BIN", DEFAULT_BIN)
        self.lang = lang
        self.tmp = None
        self.display = None
        self.system_bus_address = None
        self.session_bus_address = None
        self._session = None
        self._watcher = None
        self._procs = []              # (label, Popen), started in order
        self._bus = None
        self._mock = None
        self.app = None
        self.app_stdout = None
        self.app_stderr = None
        self.main_window = None
        self.origin = None            # client-area top-left, root coords
        self.mock_log = None
        self._log_offset = 0
        self.monitor_log = None

    # ------------------------------------------------------------ lifecycle

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def _make_folders(self, prefix, mode=0o700):
        """The desktop's temporary folder (of `mode`), with its runtime
        folder and home."""
        self.tmp = tempfile.mkdtemp(prefix=prefix)
        os.chmod(self.tmp, mode)
        self.runtime_dir = os.path.join(self.tmp, "runtime")
        os.mkdir(self.runtime_dir, 0o700)
        self.home = os.path.join(self.tmp, "home")
        os.mkdir(self.home, 0o700)
        _say("temporary directory %s" % self.tmp)

    def start(self):
        self._make_folders("vesperon-desktop-")
        self._start_x()
        self._start_bus()
        self._start_session_bus()
        if self.sni:
            self._start_watcher()
        if self.atspi:
            self._start_atspi()
        if self.notifications:
            self._start_notifier()
        if self.logind in ("mock", "refuse"):
            self._start_logind()
        if self.monitor:
            self._start_monitor()

    def stop(self):
        """Tear everything down, the program first, Xvfb last."""
        for label, proc in reversed(self._procs):
            self._kill_group(label, proc)
            if proc.stdout is not None:
                proc.stdout.close()
        self._procs = []
        self.app = None
        for bus in (self._bus, self._session):
            if bus is not None:
                try:
                    bus.close()
                except Exception:
                    pass
        self._bus = self._session = None
        if self.tmp and os.environ.get("VESPERON_KEEP_TMP") != "1":
            shutil.rmtree(self.tmp, ignore_errors=True)
        elif self.tmp:
            sys.stderr.write("desktop: kept %s\n" % self.tmp)

    def _spawn(self, label, argv, env=None, cwd=None, **kw):
        kw.setdefault("stdin", subprocess.DEVNULL)
        if "stdout" not in kw:
            kw["stdout"] = open(os.path.join(self.tmp, label + ".out"), "wb")
        if "stderr" not in kw:
            kw["stderr"] = open(os.path.join(self.tmp, label + ".err"), "wb")
        _say("start %s: %s" % (label, " ".join(os.fsdecode(a) for a in argv)))
        proc = subprocess.Popen(argv, env=env or self.env(), cwd=cwd or self.tmp,
                                start_new_session=True, **kw)
        for stream in ("stdout", "stderr"):
            f = kw.get(stream)
            if hasattr(f, "close") and f not in (subprocess.PIPE,):
                f.close()
        self._procs.append((label, proc))
        return proc

    @staticmethod
    def _kill_group(label, proc, grace=5.0):
        """SIGTERM the process group, then SIGKILL what is left."""
        # Started with start_new_session, so the group id is the leader's
        # pid; it stays ours while any member (say a process the program
        # started) is alive.
        pgid = proc.pid
        for sig, wait in ((signal.SIGTERM, grace), (signal.SIGKILL, grace)):
            try:
                os.killpg(pgid, sig)
            except ProcessLookupError:
                pass
            try:
                proc.wait(timeout=wait)
            except subprocess.TimeoutExpired:
                continue
            # The leader is gone; give the rest of the group a moment.
            deadline = time.monotonic() + wait
            while time.monotonic() < deadline:
                try:
                    os.killpg(pgid, 0)
                except ProcessLookupError:
                    break
                time.sleep(0.05)
            else:
                continue
            break
        try:
            os.killpg(pgid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        _say("stopped %s (rc %s)" % (label, proc.poll()))

    def env(self, **extra):
        """Environment for anything talking to this desktop."""
        env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.home,
            "LANG": self.lang,
            "LC_ALL": self.lang,
            "XDG_RUNTIME_DIR": self.runtime_dir,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
        }
        if self.display is not None:
            env["DISPLAY"] = ":%d" % self.display
        if self.system_bus_address:
            env["DBUS_SYSTEM_BUS_ADDRESS"] = self.system_bus_address
        if self.session_bus_address:
            env["DBUS_SESSION_BUS_ADDRESS"] = self.session_bus_address
        # A sanitizer build's settings reach the program, and the time zone
        # the tests read local times in.
        for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "TZ"):
            if name in os.environ:
                env[name] = os.environ[name]
        env.update(extra)
        return env

    # ------------------------------------------------------------- X server

    def _start_x(self):
        rfd, wfd = os.pipe()
        try:
            self._spawn("xvfb", ["Xvfb", "-displayfd", str(wfd),
                                 "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp", "-noreset"],
                        pass_fds=(wfd,))
        finally:
            os.close(wfd)
        try:
            line = self._read_line(rfd, START_TIMEOUT, "Xvfb display number")
        finally:
            os.close(rfd)
        self.display = int(line)
        _say("Xvfb on :%d" % self.display)
        self._wait_for(lambda: self._quiet(["xdotool", "getdisplaygeometry"]),
                       START_TIMEOUT, "Xvfb to answer")
        subprocess.run(["xsetroot", "-solid", "#3a6ea5"], env=self.env(),
                       timeout=CMD_TIMEOUT, check=True)
        self._spawn("openbox", ["openbox", "--sm-disable"])
        # openbox is up once it owns the WM selection of screen 0.
        self._wait_for(self._wm_running, START_TIMEOUT, "openbox to start")
        if self.tray:
            self._spawn("trayer", ["trayer", "--edge", "bottom", "--align", "right",
                                   "--widthtype", "pixel", "--width", "100",
                                   "--height", "32", "--SetDockType", "true",
                                   "--transparent", "false"])
            self._wait_for(lambda: self._quiet(
                ["xdotool", "search", "--classname", "panel"]),
                START_TIMEOUT, "trayer to start")

    def _wm_running(self):
        r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                           env=self.env(), capture_output=True, text=True,
                           timeout=CMD_TIMEOUT)
        return r.returncode == 0 and "window id" in r.stdout

    def _read_line(self, fd, timeout, what):
        import select
        data = b""
        deadline = time.monotonic() + timeout
        while not data.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0:
                raise DesktopError("timed out waiting for " + what)
            ready, _, _ = select.select([fd], [], [], left)
            if not ready:
                continue
            chunk = os.read(fd, 256)
            if not chunk:
                raise DesktopError("no %s (process exited?)" % what)
            data += chunk
        return data.decode().strip()

    def _quiet(self, argv):
        try:
            return subprocess.run(argv, env=self.env(), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL,
                                  timeout=CMD_TIMEOUT).returncode == 0
        except subprocess.TimeoutExpired:
            return False

    @staticmethod
    def _wait_for(predicate, timeout, what, interval=0.1):
        deadline = time.monotonic() + timeout
        while True:
            value = predicate()
            if value:
                return value
            if time.monotonic() > deadline:
                raise DesktopError("timed out waiting for " + what)
            time.sleep(interval)

    # ---------------------------------------------------------------- D-Bus

    def _bus_daemon(self, label, socket="socket"):
        """A bus daemon at `socket` in a folder of its own; its address, as
        a machine's would be given (without the daemon's guid, which
        changes when it is started again)."""
        busdir = os.path.join(self.tmp, label)
        conf = os.path.join(self.tmp, label + ".conf")
        if not os.path.isdir(busdir):
            os.mkdir(busdir, 0o700)
        with open(conf, "w") as f:
            f.write(BUS_CONFIG % os.path.join(busdir, socket))
        proc = self._spawn(label, ["dbus-daemon", "--nofork",
                                   "--config-file=" + conf,
                                   "--print-address=1"],
                           stdout=subprocess.PIPE)
        address = self._read_line(proc.stdout.fileno(), START_TIMEOUT,
                                  "the %s address" % label)
        address = re.sub(r",guid=[0-9a-f]+", "", address)
        _say("%s at %s" % (label, address))
        return address

    def _start_bus(self):
        self.system_bus_address = self._bus_daemon("system-bus")
        self._bus = dbus.bus.BusConnection(self.system_bus_address)

    def _start_session_bus(self):
        # The program's own session bus, so that Qt autolaunches none and
        # nothing of the machine's (a StatusNotifierWatcher, say) is seen.
        self.session_bus_address = self._bus_daemon("session-bus")
        self._session = dbus.bus.BusConnection(self.session_bus_address)

    def _start_watcher(self):
        self.watcher_log = os.path.join(self.tmp, "watcher.log")
        self._spawn("watcher", [PYTHON, "-m", "dbusmock", "--session",
                                SNI_WATCHER, SNI_WATCHER_PATH, SNI_WATCHER,
                                "--logfile", self.watcher_log])
        self._wait_for(lambda: self._session.name_has_owner(SNI_WATCHER),
                       START_TIMEOUT, "the mock StatusNotifierWatcher")
        obj = self._session.get_object(SNI_WATCHER, SNI_WATCHER_PATH)
        self._watcher = dbus.Interface(obj, MOCK_IFACE)
        self._watcher.AddMethods(SNI_WATCHER, [
            ("RegisterStatusNotifierItem", "s", "", ""),
            ("RegisterStatusNotifierHost", "s", "", ""),
        ])
        self._watcher.AddProperties(SNI_WATCHER, {
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "RegisteredStatusNotifierItems": dbus.Array([], signature="s"),
            "ProtocolVersion": dbus.Int32(0),
        })
        _say("mock StatusNotifierWatcher ready")

    def _start_notifier(self):
        self.notifier_log = os.path.join(self.tmp, "notifications.log")
        self._spawn("notifications", [PYTHON, "-m", "dbusmock", "--session",
                                      "--template", "notification_daemon",
                                      "--logfile", self.notifier_log])
        self._wait_for(lambda: self._session.name_has_owner(NOTIFICATIONS),
                       START_TIMEOUT, "the mock notification server")
        obj = self._session.get_object(NOTIFICATIONS, NOTIFICATIONS_PATH)
        self._notifier = dbus.Interface(obj, MOCK_IFACE)
        _say("mock notification server ready")

    def notices(self, method="Notify"):
        """Calls the program made of the notification server, oldest first:
        Call(time, method, args) as calls() gives them. For Notify the args
        are (app_name, replaces_id, app_icon, summary, body, actions, hints,
        expire_timeout)."""
        if self._notifier is None:
            return []
        recorded = self._notifier.GetMethodCalls(method)
        stamps = self._log_times(method, self.notifier_log, 0)
        return [Call(stamps[i] if i < len(stamps) else float(stamp), method,
                     tuple(_plain(a) for a in args))
                for i, (stamp, args) in enumerate(recorded)]

    def wait_notices(self, count, method="Notify", timeout=10.0):
        """Wait until at least count calls of method reached the server."""
        deadline = time.monotonic() + timeout
        while True:
            got = self.notices(method)
            if len(got) >= count or time.monotonic() > deadline:
                return got
            time.sleep(0.02)

    def set_scheduled_shutdown(self, kind, usec):
        """Change logind's ScheduledShutdown by hand, as another program's
        schedule (or `shutdown -c`) does; the mock signals the change."""
        obj = self._bus.get_object(LOGIN1_NAME, LOGIN1_PATH)
        dbus.Interface(obj, dbus.PROPERTIES_IFACE).Set(
            LOGIN1_IFACE, "ScheduledShutdown",
            dbus.Struct((kind, dbus.UInt64(usec)), signature="st", variant_level=1))

    def _start_atspi(self):
        """The accessibility bus, as a desktop session starts it: screen
        readers and the program meet there."""
        self._spawn("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        self._wait_for(lambda: self._session.name_has_owner("org.a11y.Bus"),
                       START_TIMEOUT, "the accessibility bus")

    def screen_reader(self, *args):
        """Runs atspi_tool.py in this desktop's session: ("tree",) gives the
        program's windows as a screen reader sees them."""
        import json
        tool = os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_tool.py")
        r = subprocess.run([PYTHON, tool] + list(args), env=self.env(), capture_output=True,
                           text=True, timeout=60)
        if r.returncode != 0:
            raise DesktopError("atspi_tool %s: %s" % (" ".join(args), r.stderr.strip()))
        return json.loads(r.stdout) if args[0] == "tree" else None

    def sni_items(self):
        """Bus names the program registered its tray items under."""
        if self._watcher is None:
            return []
        calls = self._watcher.GetMethodCalls("RegisterStatusNotifierItem")
        return [str(args[0]) for _, args in calls]

    def sni_activate(self, item, method="Activate"):
        """Click the program's tray item as a StatusNotifier host does."""
        # Qt registers its bus name, with the item at /StatusNotifierItem.
        service, path = item, "/StatusNotifierItem"
        if "/" in item:
            service, path = item.split("/", 1)
            path = "/" + path
        obj = self._session.get_object(service, path)
        getattr(dbus.Interface(obj, "org.kde.StatusNotifierItem"), method)(
            dbus.Int32(0), dbus.Int32(0))

    def _start_logind(self, address=None):
        self.mock_log = os.path.join(self.tmp, "logind.log")
        self._spawn("logind", [PYTHON, "-m", "dbusmock", "--system",
                               "--template", "logind",
                               "--logfile", self.mock_log],
                    env=self.env(DBUS_SYSTEM_BUS_ADDRESS=address or self.system_bus_address))
        self._wait_for(lambda: self._bus.name_has_owner(LOGIN1_NAME),
                       START_TIMEOUT, "the mock logind")
        obj = self._bus.get_object(LOGIN1_NAME, LOGIN1_PATH)
        self._mock = dbus.Interface(obj, MOCK_IFACE)
        methods = LOGIND_EXTRA_METHODS if self.logind == "mock" else LOGIND_REFUSING_METHODS
        self._mock.AddMethods(LOGIN1_IFACE, methods)
        self._mock.AddProperty(LOGIN1_IFACE, "ScheduledShutdown",
                               dbus.Struct((NOTHING_SCHEDULED[0], dbus.UInt64(NOTHING_SCHEDULED[1])),
                                           signature="st"))
        _say("mock logind ready (%s)" % self.logind)

    def _start_monitor(self):
        self.monitor_log = os.path.join(self.tmp, "monitor.log")
        rules = ["type='method_call',interface='%s',member='%s'" % (LOGIN1_IFACE, m)
                 for m in ("ScheduleShutdown", "CancelScheduledShutdown")]
        self._spawn("monitor", ["dbus-monitor", "--address",
                                self.system_bus_address] + rules,
                    stdout=open(self.monitor_log, "wb"))
        # dbus-monitor announces itself with NameAcquired/NameLost once it
        # has become a monitor; wait for that so no early call is missed.
        self._wait_for(lambda: os.path.getsize(self.monitor_log) > 0,
                       START_TIMEOUT, "dbus-monitor")

    def system_bus(self):
        return self._bus

    def stop_system_bus(self):
        """The system bus's daemon ends, and logind with it."""
        for label in ("logind", "monitor", "system-bus"):
            for entry in [e for e in self._procs if e[0] == label]:
                self._kill_group(*entry)
                if entry[1].stdout is not None:
                    entry[1].stdout.close()
                self._procs.remove(entry)
        if self._bus is not None:
            self._bus.close()
        self._bus = self._mock = None
        socket = os.path.join(self.tmp, "system-bus", "socket")
        if os.path.exists(socket):
            os.unlink(socket)

    def start_system_bus(self):
        """The system bus's daemon again, at the same address, with the
        logind it had: as a machine's comes up, logind is on it (with its
        properties) by the time anyone else can connect."""
        address = self._bus_daemon("system-bus", "socket.new")
        self._bus = dbus.bus.BusConnection(address)
        self._log_offset = 0
        if self.logind in ("mock", "refuse"):
            self._start_logind(address)
        folder = os.path.join(self.tmp, "system-bus")
        os.rename(os.path.join(folder, "socket.new"), os.path.join(folder, "socket"))

    def hang_bus(self, label, hang=True):
        """Stop a bus daemon ("system-bus", "session-bus") or the X server
        ("xvfb"), or go on with it: one that accepts connections and never
        answers."""
        for name, proc in self._procs:
            if name == label:
                proc.send_signal(signal.SIGSTOP if hang else signal.SIGCONT)
                return
        raise DesktopError("no %s" % label)

    def logind_proxy(self):
        """The org.freedesktop.login1.Manager interface of the mock."""
        obj = self._bus.get_object(LOGIN1_NAME, LOGIN1_PATH)
        return dbus.Interface(obj, LOGIN1_IFACE)

    def scheduled_shutdown(self):
        obj = self._bus.get_object(LOGIN1_NAME, LOGIN1_PATH)
        props = dbus.Interface(obj, dbus.PROPERTIES_IFACE)
        return tuple(_plain(props.Get(LOGIN1_IFACE, "ScheduledShutdown")))

    def calls(self, method):
        """Recorded calls of a logind method, oldest first.

        Each is Call(time, method, args): args come from the mock's
        GetMethodCalls (plain Python values), time from its log file, which
        has millisecond timestamps (GetMethodCalls has whole seconds only).
        """
        if self._mock is None:
            return []
        recorded = self._mock.GetMethodCalls(method)
        stamps = self._log_times(method, self.mock_log, self._log_offset)
        out = []
        for i, (stamp, args) in enumerate(recorded):
            t = stamps[i] if i < len(stamps) else float(stamp)
            out.append(Call(t, method, tuple(_plain(a) for a in args)))
        return out

    @staticmethod
    def _log_times(method, log, offset):
        if not log or not os.path.exists(log):
            return []
        pat = re.compile(r"^(\d+\.\d+) (\S+)(?: |$)")
        times = []
        with open(log, "rb") as f:
            f.seek(offset)
            for raw in f:
                line = raw.decode("utf-8", "replace")
                m = pat.match(line)
                if m and m.group(2) == method:
                    times.append(float(m.group(1)))
        return times

    def logind_reads(self):
        """How many times the program read a property of the mock logind
        (it follows ScheduledShutdown once its start is over)."""
        return len(self._log_times("Get", self.mock_log, self._log_offset))

    def all_calls(self):
        """Every logged call of the shutdown-scheduling methods, in order."""
        out = self.calls("ScheduleShutdown") + self.calls("CancelScheduledShutdown")
        return sorted(out, key=lambda c: c.time)

    def clear_calls(self):
        """Forget the calls made so far (the log file is only skipped)."""
        if self._mock is not None:
            self._mock.ClearCalls()
        if self.mock_log and os.path.exists(self.mock_log):
            self._log_offset = os.path.getsize(self.mock_log)

    def wait_calls(self, method, count, timeout=10.0):
        """Wait until at least count calls of method were made; return them.

        Gives up early when the program has exited.
        """
        deadline = time.monotonic() + timeout
        while True:
            gone = self.app is not None and self.app.poll() is not None
            got = self.calls(method)
            if len(got) >= count or gone or time.monotonic() > deadline:
                return got
            time.sleep(0.02)

    def wire_calls(self, method):
        """Calls as dbus-monitor saw them: list of [(type, value), ...].

        type is the D-Bus type name dbus-monitor prints (string, uint64,
        int64, ...), so a test can check what went on the wire.
        """
        if not self.monitor_log:
            raise DesktopError("Desktop(monitor=True) is needed for wire_calls()")
        with open(self.monitor_log, encoding="utf-8", errors="replace") as f:
            text = f.read()
        calls = []
        current = None
        for line in text.splitlines():
            if line.startswith("method call "):
                current = [] if ("member=%s" % method) in line else None
                if current is not None:
                    calls.append(current)
                continue
            if not line.startswith("   ") or current is None:
                if line and not line.startswith(" "):
                    current = None
                continue
            parts = line.strip().split(" ", 1)
            if len(parts) == 2:
                typ, value = parts
                if typ == "string":
                    value = value.strip('"')
                current.append((typ, value))
        return calls

    # -------------------------------------------------------------- program

    def launch(self, args=(), wait_window=True, cwd=None, env=None, binary=None):
        """Start the program on this desktop; find its main window.

        cwd is its working folder (default: this desktop's folder), binary
        another copy of the program to start (see program_copy()).
        """
        program = binary or self.binary
        if not os.access(program, os.X_OK):
            raise DesktopError("program not found or not executable: %s" % program)
        args = list(args)
        if self.logind == "real":
            # Beside the real logind, in a mount namespace of their own.
            env = dict(env or {}, VESPERON_LOGIND_LOG=os.path.join(self.tmp, "real-logind.log"))
            args = ["--mount", "--propagation", "private", "sh", "-c", REAL_LOGIND_SCRIPT,
                    REAL_LOGIND, program] + args
            program = "/usr/bin/unshare"
        self.app_stdout = os.path.join(self.tmp, "vesperon.out")
        self.app_stderr = os.path.join(self.tmp, "vesperon.err")
        # The session bus is this desktop's; QT_QPA_PLATFORM is left unset
        # (xcb).
        env = dict(env or {})
        if self.atspi:
            env.setdefault("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1")
        self.app = self._spawn("vesperon", [program] + args,
                               env=self.env(**env),
                               cwd=cwd or self.tmp,
                               stdout=open(self.app_stdout, "ab"),
                               stderr=open(self.app_stderr, "ab"))
        if self.logind == "real":
            self._wait_for(lambda: self._bus.name_has_owner(LOGIN1_NAME) or not self.app_running(),
                           START_TIMEOUT, "systemd-logind")
        if wait_window:
            self.find_main_window()
        return self.app

    def in_program_namespace(self, argv):
        """Run a command where the program runs (its mount namespace: with
        the real logind, where logind's /run/systemd is), as a user typing
        it in a terminal would; returns the CompletedProcess."""
        return subprocess.run(["nsenter", "--target", str(self.app.pid), "--mount"] + list(argv),
                              env=self.env(), capture_output=True, text=True, timeout=CMD_TIMEOUT)

    def app_running(self):
        return self.app is not None and self.app.poll() is None

    def signal(self, number):
        """Send a signal to the program itself."""
        self.app.send_signal(number)
        return time.time()

    def wait_exit(self, timeout=WINDOW_TIMEOUT):
        """Wait for the program to end: (exit status, time.time() of the end).

        Raises DesktopError when it is still running after `timeout`.
        """
        import select
        # Popen.wait with a time-out polls with growing sleeps (up to 50 ms);
        # a pidfd tells the moment of the exit itself.
        try:
            pidfd = os.pidfd_open(self.app.pid)
        except (AttributeError, OSError):
            pidfd = None
        if pidfd is not None:
            try:
                ready, _, _ = select.select([pidfd], [], [], timeout)
                ended = time.time()
            finally:
                os.close(pidfd)
            if not ready:
                raise DesktopError("the program is still running after %.1f s\n%s"
                                   % (timeout, self.describe()))
            return self.app.wait(), ended
        try:
            rc = self.app.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise DesktopError("the program is still running after %.1f s\n%s"
                               % (timeout, self.describe()))
        return rc, time.time()

    def frame_extents(self, wid):
        """(left, right, top, bottom) of the window manager's frame."""
        r = subprocess.run(["xprop", "-id", str(wid), "_NET_FRAME_EXTENTS"],
                           env=self.env(), capture_output=True, text=True,
                           timeout=CMD_TIMEOUT)
        m = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", r.stdout)
        return tuple(int(v) for v in m.groups()) if m else (0, 0, 0, 0)

    def window_state(self, wid):
        """The ICCCM WM_STATE of a window: "Normal", "Iconic", "Withdrawn" or None."""
        r = subprocess.run(["xprop", "-id", str(wid), "WM_STATE"], env=self.env(),
                           capture_output=True, text=True, timeout=CMD_TIMEOUT)
        m = re.search(r"window state:\s*(\w+)", r.stdout)
        return m.group(1) if m else None

    # The class of the X windows of the program's docked icons.
    ICON_CLASS = "vesperon"

    def docked_icons(self):
        """Geometries of the program's icons docked in trayer's panel."""
        panels = self.search("^panel$", visible=False, by="--classname")
        icons = []
        for panel in panels:
            r = subprocess.run(["xwininfo", "-tree", "-id", str(panel)],
                               env=self.env(), capture_output=True, text=True,
                               timeout=CMD_TIMEOUT)
            for line in r.stdout.splitlines():
                m = re.match(r"\s+(0x[0-9a-f]+) .*\(\"%s\"" % re.escape(self.ICON_CLASS), line)
                if m:
                    g = self.geometry(int(m.group(1), 16))
                    if g:
                        icons.append(g)
        return icons

    def click_icon(self, count=1, button=1):
        """Click the program's docked tray icon (count 2: a double click)."""
        icons = self._wait_for(self.docked_icons, WINDOW_TIMEOUT, "a docked tray icon")
        g = icons[0]
        x, y = g["X"] + g["WIDTH"] // 2, g["Y"] + g["HEIGHT"] // 2
        self.move_pointer(x, y)
        self.xdotool("click", "--repeat", count, "--delay", 80, button)

    def stderr_text(self):
        if not self.app_stderr or not os.path.exists(self.app_stderr):
            return ""
        with open(self.app_stderr, encoding="utf-8", errors="replace") as f:
            return f.read()

    def stdout_text(self):
        if not self.app_stdout or not os.path.exists(self.app_stdout):
            return ""
        with open(self.app_stdout, encoding="utf-8", errors="replace") as f:
            return f.read()

    def find_main_window(self, timeout=WINDOW_TIMEOUT):
        wins = self.wait_window(MAIN_TITLE_PATTERN, timeout=timeout)
        # Prefer the window whose title is exactly the main title.
        exact = [w for w in wins if self.window_name(w) == MAIN_TITLE]
        self.main_window = (exact or wins)[0]
        self._wait_for(lambda: self._client_origin(self.main_window),
                       timeout, "the main window to be mapped and placed")
        # The window manager frames and places a new window a moment after it
        # is mapped: wait until its place stays put.
        last = [None]

        def settled():
            now = self._client_origin(self.main_window)
            steady = now is not None and now == last[0]
            last[0] = now
            return steady
        self._wait_for(settled, timeout, "the main window to settle", interval=0.15)
        self.origin = self._client_origin(self.main_window)
        _say("main window %s, client area at %s" % (self.main_window, self.origin))
        return self.main_window

    def _client_origin(self, wid):
        g = self.geometry(wid)
        if not g or g["WIDTH"] < CLIENT_W or g["HEIGHT"] < CLIENT_H:
            return None
        return (g["X"], g["Y"] + g["HEIGHT"] - CLIENT_H)

    def refresh_origin(self):
        self.origin = self._client_origin(self.main_window)
        return self.origin

    # --------------------------------------------------------- X utilities

    def xdotool(self, *args, timeout=CMD_TIMEOUT, check=True):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(),
                           capture_output=True, text=True, timeout=timeout)
        if check and r.returncode != 0:
            raise DesktopError("xdotool %s failed (%d): %s"
                               % (" ".join(map(str, args)), r.returncode, r.stderr.strip()))
        return r.stdout

    def search(self, pattern, visible=True, by="--name"):
        """Window ids whose title matches pattern (a regular expression)."""
        argv = ["search"]
        if visible:
            argv.append("--onlyvisible")
        argv += [by, pattern]
        out = self.xdotool(*argv, check=False)
        return [int(w) for w in out.split()]

    def wait_window(self, pattern, timeout=WINDOW_TIMEOUT, visible=True):
        """Wait for a window whose title matches; return the matching ids."""
        return self._wait_for(lambda: self.search(pattern, visible), timeout,
                              "a window named %r" % pattern, interval=0.2)

    def wait_no_window(self, pattern, timeout=WINDOW_TIMEOUT):
        self._wait_for(lambda: not self.search(pattern), timeout,
                       "no window named %r" % pattern, interval=0.2)

    def window_name(self, wid):
        return self.xdotool("getwindowname", wid, check=False).rstrip("\n")

    def geometry(self, wid):
        """Root position and size of a window: {"X", "Y", "WIDTH", "HEIGHT"}.

        Taken from xwininfo's absolute position.  `xdotool getwindowgeometry`
        is not used for this: for a window reparented into a window-manager
        frame it adds the window's offset inside the frame once more (under
        openbox it reports a position 1 px right and 20 px lower than the
        window really is).
        """
        r = subprocess.run(["xwininfo", "-id", str(wid)], env=self.env(),
                           capture_output=True, text=True, timeout=CMD_TIMEOUT)
        if r.returncode != 0:
            return None
        keys = {"Absolute upper-left X": "X", "Absolute upper-left Y": "Y",
                "Width": "WIDTH", "Height": "HEIGHT", "Map State": "MAP"}
        g = {}
        for line in r.stdout.splitlines():
            if ":" not in line:
                continue
            k, v = line.split(":", 1)
            k, v = k.strip(), v.strip()
            if k in keys:
                g[keys[k]] = int(v) if keys[k] != "MAP" else v
        if not {"X", "Y", "WIDTH", "HEIGHT"} <= g.keys():
            return None
        if g.get("MAP") != "IsViewable":
            return None
        return g

    def shown_windows(self, *search):
        """(id, geometry) of the visible windows `xdotool search` finds with
        the arguments `search`, leaving out the frameless stand-ins of a few
        pixels that toolkits keep."""
        out = self.xdotool("search", "--all", "--onlyvisible", *search, check=False)
        found = []
        for wid in (int(w) for w in out.split()):
            g = self.geometry(wid)
            if g and g["WIDTH"] > 10:
                found.append((wid, g))
        return found

    def activate(self, wid):
        """Give a window the focus (through the window manager)."""
        self.xdotool("windowactivate", "--sync", wid, check=False)
        self._wait_for(lambda: self.active_window() == wid, WINDOW_TIMEOUT,
                       "window %s to be active" % wid)

    def active_window(self):
        out = self.xdotool("getactivewindow", check=False).strip()
        return int(out) if out else None

    def point(self, control, dx=None, dy=None):
        """Root coordinates of a spot in a control (default: its centre),
        or of a menu item or "检查更新" (SPOTS)."""
        if self.origin is None:
            raise DesktopError("main window not found yet")
        if control in SPOTS:
            return (self.origin[0] + SPOTS[control][0], self.origin[1] + SPOTS[control][1])
        if isinstance(control, str) and control in CAPTIONS:
            control = CAPTIONS[control]
        left, top, w, h = CONTROLS[control]
        if dx is None:
            dx = OPTION_CLICK_DX if control in OPTION_CONTROLS else w // 2
        if dy is None:
            dy = h // 2
        return (self.origin[0] + left + dx, self.origin[1] + top + dy)

    def pointer(self):
        out = self.xdotool("getmouselocation", check=False)
        m = re.search(r"x:(-?\d+) y:(-?\d+)", out)
        return (int(m.group(1)), int(m.group(2))) if m else None

    def move_pointer(self, x, y):
        """Move the pointer to root x, y and wait until it is there.

        `xdotool mousemove --sync` to where the pointer already is waits
        some 15 s for a motion that never comes: no move is needed then.
        """
        if self.pointer() != (x, y):
            self.xdotool("mousemove", "--sync", x, y)

    def move_to(self, control, **kw):
        x, y = self.point(control, **kw)
        self.move_pointer(x, y)
        return x, y

    def click(self, control, button=1, **kw):
        """Click a control by name (Command3) or caption (1小时关机).

        The pointer is moved first; the returned time.time() is taken right
        before the click itself is sent.
        """
        self.move_to(control, **kw)
        t = time.time()
        self.xdotool("click", button)
        return t

    def timed_click(self, control, button=1, **kw):
        """Click a control, timing the release precisely.

        `xdotool click` sleeps 100 ms after the release before it exits, so
        its run time says little about when the click happened.  Here the
        button is pressed first and released by a separate, short xdotool
        run; a push button acts on the release.  Returns (before, after):
        time.time() around that run; the release was sent just before
        `after`.
        """
        self.move_to(control, **kw)
        self.xdotool("mousedown", button)
        time.sleep(0.05)
        before = time.time()
        self.xdotool("mouseup", button)
        after = time.time()
        return before, after

    def click_at(self, x, y, button=1):
        self.move_pointer(x, y)
        t = time.time()
        self.xdotool("click", button)
        return t

    def focus(self, control):
        """Give a control the keyboard focus without pressing it: the mouse
        goes down on it and comes up elsewhere."""
        self.move_to(control)
        self.xdotool("mousedown", 1)
        self.move_to("Frame2", dx=4, dy=4)
        self.xdotool("mouseup", 1)

    def type(self, text, delay_ms=40):
        self.xdotool("type", "--delay", delay_ms, text)

    def key(self, *keys):
        self.xdotool("key", "--delay", 60, *keys)

    def set_seconds(self, text):
        """Replace the contents of the seconds box as a user would."""
        self.click("Text1")
        self.key("ctrl+a")
        self.type(text)

    def pixel(self, x, y, shot=None):
        """(r, g, b) of the screen at root coordinates x, y."""
        path = shot or self.screenshot(os.path.join(self.tmp, "pixel.png"))
        out = subprocess.run(["convert", path, "-format", "%%[fx:int(255*p{%d,%d}.r)],"
                              "%%[fx:int(255*p{%d,%d}.g)],%%[fx:int(255*p{%d,%d}.b)]"
                              % (x, y, x, y, x, y), "info:"],
                             capture_output=True, text=True, timeout=60, check=True).stdout
        return tuple(int(v) for v in out.strip().split(","))

    def client_pixel(self, x, y, shot=None):
        """(r, g, b) at x, y of the main window's client area."""
        self.refresh_origin()
        return self.pixel(self.origin[0] + x, self.origin[1] + y, shot)

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

    def screenshot(self, path, window=None):
        """PNG of the whole screen, or cropped to a window (its X geometry)."""
        argv = ["import", "-window", "root"]
        if window is not None:
            g = self.geometry(window)
            if g:
                argv += ["-crop", "%dx%d+%d+%d" % (g["WIDTH"], g["HEIGHT"], g["X"], g["Y"]),
                         "+repage"]
        argv.append(path)
        subprocess.run(argv, env=self.env(), timeout=60, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def shots_dir(self):
        """The folder named by VESPERON_SHOTS (created), or None."""
        d = os.environ.get("VESPERON_SHOTS")
        if not d:
            return None
        os.makedirs(d, exist_ok=True)
        return d

    def describe(self):
        """A few lines of state for failure messages."""
        lines = ["display :%s, temp %s" % (self.display, self.tmp)]
        if self.app is not None:
            lines.append("program rc: %s" % self.app.poll())
        err = self.stderr_text()
        if err:
            lines.append("program stderr:\n" + err[-2000:])
        if self.mock_log and os.path.exists(self.mock_log):
            with open(self.mock_log, encoding="utf-8", errors="replace") as f:
                lines.append("logind log:\n" + f.read()[-2000:])
        return "\n".join(lines)


# ------------------------------------------------------------------ tests

def window_is_modal(desktop, wid):
    """True when Qt marked the window modal (_NET_WM_STATE_MODAL)."""
    r = subprocess.run(["xprop", "-id", str(wid), "_NET_WM_STATE"],
                       env=desktop.env(), capture_output=True, text=True,
                       timeout=CMD_TIMEOUT)
    return "_NET_WM_STATE_MODAL" in r.stdout


class busy:
    """Two processes that spin for as long as the block runs, on a machine
    of two cores: what makes a held key's repeats come apart on X11."""

    def __enter__(self):
        self._procs = [subprocess.Popen([PYTHON, "-c", "while True: pass"])
                       for _ in range(2)]
        return self

    def __exit__(self, *exc):
        for proc in self._procs:
            proc.kill()
            proc.wait()
        return False


class DesktopTestCase(unittest.TestCase):
    """unittest base: a fresh desktop per test, torn down even on failure."""

    def start_desktop(self, launch=True, kind=None, **kw):
        """A desktop of `kind` (Desktop unless told), started; the program
        launched on it when `launch`."""
        d = (kind or Desktop)(**kw)
        self.addCleanup(d.stop)
        self.addCleanup(self._no_sanitizer_reports, d)  # runs before the stop
        d.start()
        self.desktop = d
        if launch:
            d.launch()
        return d

    def _no_sanitizer_reports(self, d):
        """In a sanitizer build, any report from the program fails the test."""
        err = d.stderr_text()
        for mark in ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"):
            if mark in err:
                self.fail("the program's stderr holds a sanitizer report:\n" + err[-4000:])

    def settle(self, seconds=0.8):
        """Give the program time to make (unwanted) extra calls."""
        time.sleep(seconds)

    def assertRunning(self, d=None):
        d = d or self.desktop
        self.assertTrue(d.app_running(), "the program exited\n" + d.describe())

    def assertSchedule(self, call, kind, expected, tolerance, low=None):
        """call is ScheduleShutdown(kind, t) with t/1e6 close to expected.

        t may be up to `tolerance` seconds late and, unless `low` says
        otherwise, only a little (0.2 s) early.
        """
        self.assertEqual(call.method, "ScheduleShutdown")
        self.assertEqual(len(call.args), 2, call)
        self.assertEqual(call.args[0], kind, call)
        t = call.args[1] / 1e6
        low = 0.2 if low is None else low
        self.assertGreaterEqual(t - expected, -low,
                                "t=%.3f is %.3f s before the expected %.3f"
                                % (t, expected - t, expected))
        self.assertLessEqual(t - expected, tolerance,
                             "t=%.3f is %.3f s after the expected %.3f"
                             % (t, t - expected, expected))

    def save_shot(self, name, window=None):
        """Screenshot into $VESPERON_SHOTS, when that is set."""
        folder = self.desktop.shots_dir()
        if folder:
            return self.desktop.screenshot(os.path.join(folder, name), window=window)
        return None
