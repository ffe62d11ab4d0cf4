"""The buses and the services on them.

A desktop has two bus daemons of its own: one that stands in for the system
bus (no service activation: a name nobody owns fails at once, as on a
machine without logind) and the session bus of its programs (so that Qt
autolaunches none and sees nothing of the machine's). On them, as a test
asks (Desktop(logind=..., notifications=True, sni=True, atspi=True,
monitor=True)):

  * logind: "mock", python-dbusmock's logind template with the
    shutdown-scheduling methods it lacks; "refuse", the same refusing as
    polkit would; "real", Debian's own systemd-logind beside the program in
    a mount namespace of their own; None, no logind at all;
  * notifications: dbusmock's notification_daemon template, the desktop's
    notification server, which records the notices;
  * sni: a mock org.kde.StatusNotifierWatcher with a host (the tray of KDE,
    GNOME's AppIndicator extension and most Wayland desktops);
  * atspi: the accessibility bus, as a desktop session starts it;
  * monitor: dbus-monitor on the system bus, to see the shutdown calls'
    arguments as they were put on the wire (dbusmock converts them to the
    declared signature).

Each is an object on the desktop (d.logind, d.notifications, d.sni,
d.atspi, d.monitor; None when not asked for) with public helpers.
"""

import collections
import json
import os
import re
import subprocess
import time

import dbus

from harness.processes import START_TIMEOUT, DesktopError, read_line, say, wait_for

PYTHON = "/usr/bin/python3"          # Debian's interpreter, has dbus + dbusmock
LOGIN1_NAME = "org.freedesktop.login1"
LOGIN1_PATH = "/org/freedesktop/login1"
LOGIN1_IFACE = "org.freedesktop.login1.Manager"
MOCK_IFACE = "org.freedesktop.DBus.Mock"
NOTIFICATIONS = "org.freedesktop.Notifications"
SNI_WATCHER = "org.kde.StatusNotifierWatcher"
SNI_WATCHER_PATH = "/StatusNotifierWatcher"

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
LOGIND_METHODS = [
    ("ScheduleShutdown", "st", "",
     "self.props['%s']['ScheduledShutdown'] = "
     "dbus.Struct((args[0], dbus.UInt64(args[1])), signature='st')" % LOGIN1_IFACE),
    ("CancelScheduledShutdown", "", "b",
     "ret = bool(self.props['%s']['ScheduledShutdown'][0]); "
     "self.props['%s']['ScheduledShutdown'] = "
     "dbus.Struct(('', dbus.UInt64(%d)), signature='st')" % (LOGIN1_IFACE, LOGIN1_IFACE, NOTHING_SCHEDULED[1])),
]
# The same, refused as polkit would for a user without an active session.
REFUSAL = ("raise dbus.exceptions.DBusException('Interactive authentication required.', "
           "name='org.freedesktop.DBus.Error.InteractiveAuthorizationRequired')")
LOGIND_REFUSING_METHODS = [(name, into, out, REFUSAL) for name, into, out, _ in LOGIND_METHODS]

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

Call = collections.namedtuple("Call", "time method args")


def plain(value):
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
        return [plain(v) for v in value]
    if isinstance(value, (dict, dbus.Dictionary)):
        return {plain(k): plain(v) for k, v in value.items()}
    return value


def bus_daemon(session, label, socket="socket", activating=False):
    """A bus daemon at `socket` in a folder of its own; its address, as a
    machine's would be given (without the daemon's guid, which changes when
    it is started again). An activating one starts the session's services
    on demand (a desktop's own bus does: its activity manager, its tray)."""
    busdir = os.path.join(session.tmp, label)
    os.makedirs(busdir, 0o700, exist_ok=True)
    path = os.path.join(busdir, socket)
    if activating:
        config = ["--session", "--address=unix:path=" + path]
    else:
        conf = os.path.join(session.tmp, label + ".conf")
        with open(conf, "w") as f:
            f.write(BUS_CONFIG % path)
        config = ["--config-file=" + conf]
    proc = session.spawn(label, ["dbus-daemon", "--nofork", "--print-address=1"] + config,
                         stdout=subprocess.PIPE)
    address = read_line(proc.stdout.fileno(), START_TIMEOUT, "the %s address" % label)
    address = re.sub(r",guid=[0-9a-f]+", "", address)
    say("%s at %s" % (label, address))
    return address


def activate_item(bus, item, method="Activate"):
    """Click a tray item as a StatusNotifier host does: `item` as a watcher
    lists it, "service", "service/path" (KDE's) or "service@/path" (GNOME's
    AppIndicator); Qt's item is at /StatusNotifierItem."""
    service, _, path = item.partition("@") if "@" in item else item.partition("/")
    path = "/" + path.lstrip("/") if path.strip("/") else "/StatusNotifierItem"
    obj = bus.get_object(service, path)
    getattr(dbus.Interface(obj, "org.kde.StatusNotifierItem"), method)(dbus.Int32(0), dbus.Int32(0))


def tray_items(bus):
    """The items a (real) StatusNotifier watcher lists; none without one."""
    if not bus.name_has_owner(SNI_WATCHER):
        return []
    obj = bus.get_object(SNI_WATCHER, SNI_WATCHER_PATH)
    return [str(i) for i in dbus.Interface(obj, dbus.PROPERTIES_IFACE).Get(
        SNI_WATCHER, "RegisteredStatusNotifierItems")]


def log_times(method, log, offset=0):
    """Millisecond timestamps of `method`'s calls in a dbusmock log."""
    if not log or not os.path.exists(log):
        return []
    pat = re.compile(r"^(\d+\.\d+) (\S+)(?: |$)")
    times = []
    with open(log, "rb") as f:
        f.seek(offset)
        for raw in f:
            m = pat.match(raw.decode("utf-8", "replace"))
            if m and m.group(2) == method:
                times.append(float(m.group(1)))
    return times


class Service:
    """Something on the desktop's buses, started after the desktop itself."""

    def __init__(self, desktop):
        self.desktop = desktop

    def start(self):
        pass

    def prepare(self, argv, env):
        """The program's command line (and, in place, its environment) for
        a start beside this service."""
        return argv

    def after_launch(self):
        pass

    def describe(self):
        return ""


class MockService(Service):
    """A python-dbusmock service whose calls are recorded: args from its
    GetMethodCalls (plain Python values), times from its log file, which
    has millisecond timestamps (GetMethodCalls has whole seconds only)."""

    label = name = path = None
    bus_kind = "session"
    template = None

    def start(self, address=None):
        d = self.desktop
        self.log = os.path.join(d.tmp, self.label + ".log")
        self.offset = 0
        argv = [PYTHON, "-m", "dbusmock", "--" + self.bus_kind, "--logfile", self.log]
        argv += ["--template", self.template] if self.template else [self.name, self.path, self.name]
        env = d.env(DBUS_SYSTEM_BUS_ADDRESS=address) if address else None
        d.spawn(self.label, argv, env=env)
        self.bus = d.system_bus if self.bus_kind == "system" else d.session_bus
        wait_for(lambda: self.bus.name_has_owner(self.name), START_TIMEOUT, "the mock " + self.label)
        self.mock = dbus.Interface(self.bus.get_object(self.name, self.path), MOCK_IFACE)
        self.set_up()
        say("mock %s ready" % self.label)

    def set_up(self):
        pass

    def calls(self, method):
        """Recorded calls of `method`, oldest first: Call(time, method, args)."""
        recorded = self.mock.GetMethodCalls(method)    # first: each is in the log by then
        stamps = log_times(method, self.log, self.offset)
        return [Call(stamps[i] if i < len(stamps) else float(stamp), method, tuple(plain(a) for a in args))
                for i, (stamp, args) in enumerate(recorded)]

    def wait_calls(self, method, count, timeout=10.0):
        """The calls of `method` once there are `count`, or what there is
        after `timeout` s or once the program has exited."""
        deadline = time.monotonic() + timeout
        while True:
            gone = self.desktop.app is not None and not self.desktop.app_running()
            got = self.calls(method)
            if len(got) >= count or gone or time.monotonic() > deadline:
                return got
            time.sleep(0.02)


class Logind(MockService):
    """dbusmock's logind with ScheduleShutdown and CancelScheduledShutdown."""

    label, name, path, bus_kind, template = "logind", LOGIN1_NAME, LOGIN1_PATH, "system", "logind"
    methods = LOGIND_METHODS

    def set_up(self):
        self.mock.AddMethods(LOGIN1_IFACE, self.methods)
        self.mock.AddProperty(LOGIN1_IFACE, "ScheduledShutdown",
                              dbus.Struct((NOTHING_SCHEDULED[0], dbus.UInt64(NOTHING_SCHEDULED[1])),
                                          signature="st"))

    def all_calls(self):
        """Every call of the shutdown-scheduling methods, in order."""
        out = self.calls("ScheduleShutdown") + self.calls("CancelScheduledShutdown")
        return sorted(out, key=lambda c: c.time)

    def reads(self):
        """How many times the program read a property of the mock (it follows
        ScheduledShutdown once its start is over)."""
        return len(log_times("Get", self.log, self.offset))

    def scheduled_shutdown(self):
        props = dbus.Interface(self.desktop.system_bus.get_object(LOGIN1_NAME, LOGIN1_PATH),
                               dbus.PROPERTIES_IFACE)
        return tuple(plain(props.Get(LOGIN1_IFACE, "ScheduledShutdown")))

    def set_scheduled_shutdown(self, kind, usec):
        """Change ScheduledShutdown by hand, as another program's schedule
        (or `shutdown -c`) does; the mock signals the change."""
        props = dbus.Interface(self.desktop.system_bus.get_object(LOGIN1_NAME, LOGIN1_PATH),
                               dbus.PROPERTIES_IFACE)
        props.Set(LOGIN1_IFACE, "ScheduledShutdown",
                  dbus.Struct((kind, dbus.UInt64(usec)), signature="st", variant_level=1))

    def describe(self):
        return "logind log:\n" + self.desktop.log(self.label + ".log", 2000)


class RefusingLogind(Logind):
    methods = LOGIND_REFUSING_METHODS


class RealLogind(Service):
    """Debian's systemd-logind, started with the program (see
    REAL_LOGIND_SCRIPT); d.in_program_namespace() runs `shutdown` there."""

    scheduled_shutdown = Logind.scheduled_shutdown

    def prepare(self, argv, env):
        env["VESPERON_LOGIND_LOG"] = os.path.join(self.desktop.tmp, "real-logind.log")
        return ["/usr/bin/unshare", "--mount", "--propagation", "private", "sh", "-c",
                REAL_LOGIND_SCRIPT, REAL_LOGIND] + argv

    def after_launch(self):
        d = self.desktop
        wait_for(lambda: d.system_bus.name_has_owner(LOGIN1_NAME) or not d.app_running(),
                 START_TIMEOUT, "systemd-logind")


class Notifications(MockService):
    """The desktop's notification server. A Notify call's args are
    (app_name, replaces_id, app_icon, summary, body, actions, hints,
    expire_timeout)."""

    label, name, path = "notifications", NOTIFICATIONS, "/org/freedesktop/Notifications"
    template = "notification_daemon"

    def notices(self, method="Notify"):
        return self.calls(method)

    def wait(self, count, method="Notify", timeout=10.0):
        return self.wait_calls(method, count, timeout)

    def refuse_first(self, error="org.freedesktop.DBus.Error.UnknownObject"):
        """The next Notify is refused with `error`, as by a server that owns
        its name but does not serve its object yet; those after it are
        answered as before."""
        self.mock.AddMethod(NOTIFICATIONS, "Notify", "susssasa{sv}i", "u", """
if not getattr(self, "refused_once", False):
    self.refused_once = True
    raise dbus.exceptions.DBusException("not serving yet", name=%r)
if args[1]:
    ret = args[1]
else:
    ret = self.next_id
    self.next_id += 1
""" % error)


class StatusNotifierWatcher(MockService):
    """A tray of the StatusNotifier kind, with a host registered."""

    label, name, path = "watcher", SNI_WATCHER, SNI_WATCHER_PATH

    def set_up(self):
        self.mock.AddMethods(SNI_WATCHER, [("RegisterStatusNotifierItem", "s", "", ""),
                                           ("RegisterStatusNotifierHost", "s", "", "")])
        self.mock.AddProperties(SNI_WATCHER, {
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "RegisteredStatusNotifierItems": dbus.Array([], signature="s"),
            "ProtocolVersion": dbus.Int32(0)})

    def items(self):
        """Bus names the program registered its tray items under."""
        return [str(args[0]) for _, args in self.mock.GetMethodCalls("RegisterStatusNotifierItem")]

    def activate(self, item, method="Activate"):
        activate_item(self.bus, item, method)


class AccessibilityBus(Service):
    """at-spi-bus-launcher on the session bus, where screen readers and the
    program meet; read through atspi_tool.py (pyatspi)."""

    def start(self):
        d = self.desktop
        d.spawn("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
        wait_for(lambda: d.session_bus.name_has_owner("org.a11y.Bus"), START_TIMEOUT,
                 "the accessibility bus")

    def prepare(self, argv, env):
        env.setdefault("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1")
        return argv

    def run(self, *args):
        tool = os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_tool.py")
        r = subprocess.run([PYTHON, tool] + list(args), env=self.desktop.env(), capture_output=True,
                           text=True, timeout=60)
        if r.returncode != 0:
            raise DesktopError("atspi_tool %s: %s" % (" ".join(args), r.stderr.strip()))
        return r.stdout

    def tree(self):
        """The program's windows as a screen reader sees them (JSON)."""
        return json.loads(self.run("tree"))

    def do(self, role, name, action):
        """Run an action ("Press") of the first node of that role and name."""
        self.run("do", role, name, action)

    def reader(self, role, prefix):
        """A function that returns, in one call to the program, the name of
        the first node of that role whose name starts with `prefix`."""
        tool = os.path.join(os.path.dirname(os.path.abspath(__file__)), "atspi_tool.py")
        proc = self.desktop.spawn("atspi-read", [PYTHON, tool, "read", role, prefix], text=True,
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        if proc.stdout.readline().strip() != "ready":
            raise DesktopError("atspi_tool read %s %r: not found" % (role, prefix))

        def read():
            proc.stdin.write("\n")
            proc.stdin.flush()
            return proc.stdout.readline().rstrip("\n")
        return read


class Monitor(Service):
    """dbus-monitor on the system bus, for the shutdown-scheduling calls."""

    def start(self):
        d = self.desktop
        self.log = os.path.join(d.tmp, "monitor.log")
        rules = ["type='method_call',interface='%s',member='%s'" % (LOGIN1_IFACE, m)
                 for m in ("ScheduleShutdown", "CancelScheduledShutdown")]
        d.spawn("monitor", ["dbus-monitor", "--address", d.system_bus_address] + rules,
                stdout=open(self.log, "wb"))
        # dbus-monitor announces itself with NameAcquired/NameLost once it
        # has become a monitor; wait for that so no early call is missed.
        wait_for(lambda: os.path.getsize(self.log) > 0, START_TIMEOUT, "dbus-monitor")

    def wire_calls(self, method):
        """Calls as dbus-monitor saw them: [[(type, value), ...], ...], type
        as dbus-monitor prints it (string, uint64, int64, ...)."""
        with open(self.log, encoding="utf-8", errors="replace") as f:
            text = f.read()
        calls, current = [], None
        for line in text.splitlines():
            if line.startswith("method call "):
                current = [] if ("member=%s" % method) in line else None
                if current is not None:
                    calls.append(current)
            elif line.startswith("   ") and current is not None:
                parts = line.strip().split(" ", 1)
                if len(parts) == 2:
                    typ, value = parts
                    current.append((typ, value.strip('"') if typ == "string" else value))
            elif line and not line.startswith(" "):
                current = None
        return calls


LOGINDS = {"mock": Logind, "refuse": RefusingLogind, "real": RealLogind, None: None}
SERVICES = {"sni": StatusNotifierWatcher, "atspi": AccessibilityBus,
            "notifications": Notifications, "monitor": Monitor}


class Buses:
    """The desktop's part: its two buses, logind and the services asked for."""

    activating_session_bus = False

    def set_up_services(self, logind, services):
        if logind not in LOGINDS:
            raise ValueError("logind must be one of %s" % ", ".join(map(repr, LOGINDS)))
        unknown = set(services) - set(SERVICES)
        if unknown:
            raise TypeError("unknown desktop options: %s" % ", ".join(sorted(unknown)))
        self.logind = LOGINDS[logind](self) if logind else None
        for name, kind in SERVICES.items():
            setattr(self, name, kind(self) if services.get(name) else None)
        self.system_bus = self.session_bus = None
        self.system_bus_address = self.session_bus_address = None

    def services(self, logind=True):
        """logind (unless not asked for) and the other services, as started."""
        return [s for s in [self.logind if logind else None] + [getattr(self, n) for n in SERVICES] if s]

    def start_buses(self):
        self.system_bus_address = bus_daemon(self, "system-bus")
        self.system_bus = dbus.bus.BusConnection(self.system_bus_address)
        self.session_bus_address = bus_daemon(self, "session-bus", activating=self.activating_session_bus)
        self.session_bus = dbus.bus.BusConnection(self.session_bus_address)

    def close_buses(self):
        for bus in (self.system_bus, self.session_bus):
            if bus is not None:
                try:
                    bus.close()
                except Exception:
                    pass
        self.system_bus = self.session_bus = None

    def stop_system_bus(self):
        """The system bus's daemon ends, and logind with it."""
        self.stop_processes("logind", "monitor", "system-bus")
        self.system_bus.close()
        socket = os.path.join(self.tmp, "system-bus", "socket")
        if os.path.exists(socket):
            os.unlink(socket)

    def start_system_bus(self):
        """The system bus's daemon again, at the same address, with the
        logind it had: as a machine's comes up, logind is on it (with its
        properties) by the time anyone else can connect."""
        address = bus_daemon(self, "system-bus", "socket.new")
        self.system_bus = dbus.bus.BusConnection(address)
        if isinstance(self.logind, Logind):
            self.logind.start(address)
        folder = os.path.join(self.tmp, "system-bus")
        os.rename(os.path.join(folder, "socket.new"), os.path.join(folder, "socket"))

