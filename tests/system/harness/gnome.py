"""GNOME Shell 43 (mutter), headless on Wayland with a virtual monitor,
optionally with the AppIndicator extension (GNOME's only tray); the
program runs on its XWayland. The shell is scripted over its own D-Bus
interface: a small extension of ours turns on its unsafe mode, so that
org.gnome.Shell.Eval answers with mutter's view of the windows and
Screenshot takes pictures; the pointer and the shell's keys are mutter's
remote-desktop virtual devices, keys to the program go through XWayland.
"""

import glob
import json
import os
import re
import time

import dbus

from harness.desktop import CompositorWindows
from harness.processes import CMD_TIMEOUT, START_TIMEOUT, DesktopError, say, wait_for
from harness.x11 import BACKGROUND_HEX, SCREEN, X11Desktop

SHELL_NAME = "org.gnome.Shell"
SHELL_PATH = "/org/gnome/Shell"
APPINDICATOR = "ubuntu-appindicators@ubuntu.com"
UNSAFE = "vesperon-test-unsafe@example.org"
REMOTE_DESKTOP = "org.gnome.Mutter.RemoteDesktop"
BTN_LEFT = 0x110
KEYSYMS = {"Return": 0xff0d, "Escape": 0xff1b, "Tab": 0xff09, "alt": 0xffe9, "ctrl": 0xffe3,
           "shift": 0xffe1, "super": 0xffeb, "space": 0x20}

UNSAFE_METADATA = {"uuid": UNSAFE, "name": "Unsafe mode for tests",
                   "description": "Lets the tests script the shell", "shell-version": ["43"]}
UNSAFE_EXTENSION = """function init() {}
function enable() { global.context.unsafe_mode = true; }
function disable() {}
"""

# mutter's view of the windows of one process, as JSON.
WINDOWS_JS = """
(function () {
    const Shell = imports.gi.Shell;
    const tracker = Shell.WindowTracker.get_default();
    return JSON.stringify(global.get_window_actors().map(a => a.meta_window)
        .filter(w => w.get_pid() === %d)
        .map(w => {
            const f = w.get_frame_rect(), b = w.get_buffer_rect();
            const app = tracker.get_window_app(w);
            return {
                title: w.get_title(), x: f.x, y: f.y, width: f.width, height: f.height,
                buffer: [b.x, b.y, b.width, b.height],
                client: w.get_client_type(), above: w.is_above(), minimized: w.minimized,
                showing: w.showing_on_its_workspace() && !w.minimized,
                skip_taskbar: w.is_skip_taskbar(), decorated: w.decorated,
                can_maximize: w.can_maximize(), can_minimize: w.can_minimize(),
                resizeable: w.resizeable, type: w.get_window_type(),
                transient_for: w.get_transient_for() ? w.get_transient_for().get_title() : null,
                // gjs cannot hand over the icon itself, only say there is one.
                has_icon: (() => { try { return !!w.icon; } catch (e) { return true; } })(),
                app: app ? app.get_id() : null, app_window_backed: app ? app.is_window_backed() : null,
                focus: w.has_focus(),
            };
        }));
})()
"""


class GnomeDesktop(CompositorWindows, X11Desktop):
    """appindicator: with the AppIndicator extension (a tray)."""

    folder_prefix = "vesperon-gnome-"
    x_server_labels = ("gnome-shell",)
    session_env = {"XDG_SESSION_TYPE": "wayland", "XDG_CURRENT_DESKTOP": "GNOME", "XDG_SESSION_DESKTOP": "gnome",
                   "DESKTOP_SESSION": "gnome", "GSETTINGS_BACKEND": "keyfile"}

    def __init__(self, appindicator=True, **kw):
        super().__init__(**kw)
        self.appindicator = appindicator
        self.remote = self.pointer_at = None

    def settings(self):
        folder = os.path.join(self.home, ".config", "glib-2.0", "settings")
        os.makedirs(folder, exist_ok=True)
        extensions = [UNSAFE] + ([APPINDICATOR] if self.appindicator else [])
        with open(os.path.join(folder, "keyfile"), "w") as f:
            f.write("[org/gnome/shell]\n"
                    "disable-user-extensions=false\n"
                    "enabled-extensions=%r\n"
                    "welcome-dialog-last-shown-version='999'\n"
                    "[org/gnome/desktop/background]\n"
                    "picture-uri=''\npicture-uri-dark=''\n"
                    "primary-color='%s'\ncolor-shading-type='solid'\n"
                    "[org/gnome/desktop/interface]\n"
                    "enable-animations=false\n" % (extensions, BACKGROUND_HEX))
        ext = os.path.join(self.home, ".local", "share", "gnome-shell", "extensions", UNSAFE)
        os.makedirs(ext)
        with open(os.path.join(ext, "metadata.json"), "w") as f:
            json.dump(UNSAFE_METADATA, f)
        with open(os.path.join(ext, "extension.js"), "w") as f:
            f.write(UNSAFE_EXTENSION)

    def start_desktop(self):
        self.settings()
        socket = "vesperon-gnome-%d" % os.getpid()
        self.spawn("gnome-shell", ["gnome-shell", "--headless", "--wayland", "--wayland-display=" + socket,
                                   "--virtual-monitor", "%dx%d" % SCREEN])
        wait_for(lambda: self.shell_ready() or self.shell_gone(), START_TIMEOUT, "GNOME Shell on the session bus")
        wait_for(lambda: self.eval("global.context.unsafe_mode === true") is True or self.shell_gone(),
                 START_TIMEOUT, "the shell's unsafe mode")
        # A session starts in the overview; the desktop itself is wanted, and
        # no notice over it.
        wait_for(lambda: self.eval(
            "const Main = imports.ui.main; if (!Main.layoutManager._startingUp) {"
            " Main.overview.hide(); Main.messageTray.getSources().forEach(s => s.destroy()); }"
            " !Main.layoutManager._startingUp && !Main.overview.visible"
            " && !Main.overview.animationInProgress") is True,
            START_TIMEOUT, "the shell to leave its overview", interval=0.2)
        # The notification server: the shell asks the session bus to start
        # org.gnome.Shell.Notifications (which owns org.freedesktop.Notifications
        # and hands the notices to the shell); this bus starts nothing, so
        # it is started here as the session's bus would.
        self.spawn("gnome-notifications", ["gjs", "/usr/share/gnome-shell/org.gnome.Shell.Notifications"])
        wait_for(lambda: self.session_bus.name_has_owner("org.freedesktop.Notifications"),
                 START_TIMEOUT, "GNOME's notification server")
        self.wayland_display = socket
        # The shell's X display: its XWayland starts when the first X client
        # comes, but the display is taken (and its lock file written) at once.
        self.display = int(wait_for(self.shell_x_display, START_TIMEOUT, "the shell's X display"))
        self.xauthority = wait_for(
            lambda: (glob.glob(os.path.join(self.runtime_dir, ".mutter-Xwaylandauth.*")) or [None])[0],
            START_TIMEOUT, "the XWayland authority file")
        self.move_pointer(SCREEN[0] // 2, SCREEN[1] // 2)
        say("GNOME Shell on %s, X display :%d" % (socket, self.display))

    def shell_gone(self):
        if self.process("gnome-shell").poll() is not None:
            raise DesktopError("gnome-shell ended\n" + self.log("gnome-shell.err"))
        return False

    def shell_ready(self):
        try:
            return self.session_bus.name_has_owner(SHELL_NAME) and self.session_bus.name_has_owner(REMOTE_DESKTOP)
        except dbus.DBusException:
            return False

    def shell_x_display(self):
        m = re.match(r'^:(\d+)$', self.eval("imports.gi.GLib.getenv('DISPLAY')") or "")
        return m.group(1) if m else None

    # ------------------------------------------------------------ scripting

    def eval(self, script):
        """Runs JavaScript in the shell; its result (read as JSON), or None."""
        obj = self.session_bus.get_object(SHELL_NAME, SHELL_PATH)
        try:
            ok, result = dbus.Interface(obj, SHELL_NAME).Eval(script, timeout=CMD_TIMEOUT)
        except dbus.DBusException as e:
            say("Eval failed: %s" % e)
            return None
        if not ok:
            raise DesktopError("the shell refused %r: %s" % (script[:60], result))
        try:
            return json.loads(str(result)) if str(result) else None
        except ValueError:
            return str(result)

    def windows(self):
        """mutter's view of the program's windows, in stacking order."""
        if self.app is None:
            return []
        return json.loads(self.eval(WINDOWS_JS % self.app.pid) or "[]")

    def window_origin(self, w):
        # The client area lies at the bottom of the window, under the menu bar.
        return (w["x"] + (w["width"] - 246) // 2, w["y"] + w["height"] - 278)

    def work_area(self):
        """(x, y, width, height) of the screen less the shell's top bar."""
        return tuple(self.eval("const a = global.workspace_manager.get_active_workspace()"
                               ".get_work_area_for_monitor(0); [a.x, a.y, a.width, a.height]"))

    def close_window(self, title):
        """Asks the window to close, as its close box does."""
        self.eval("global.get_window_actors().map(a => a.meta_window).filter(w => w.get_title() === %s)"
                  ".forEach(w => w.delete(global.get_current_time())); true" % json.dumps(title))

    def set_extension(self, uuid, enabled):
        self.eval("imports.ui.main.extensionManager.%s(%s); true"
                  % ("enableExtension" if enabled else "disableExtension", json.dumps(uuid)))

    def screenshot(self, path, window=None):
        obj = self.session_bus.get_object(SHELL_NAME, SHELL_PATH + "/Screenshot")
        ok, _ = dbus.Interface(obj, SHELL_NAME + ".Screenshot").Screenshot(False, False, path, timeout=60)
        if not ok:
            raise DesktopError("the shell took no screenshot")
        return path

    # ----------------------------------------------------------------- input

    def remote_session(self):
        if self.remote is None:
            obj = self.session_bus.get_object(REMOTE_DESKTOP, "/org/gnome/Mutter/RemoteDesktop")
            path = dbus.Interface(obj, REMOTE_DESKTOP).CreateSession()
            self.remote = dbus.Interface(self.session_bus.get_object(REMOTE_DESKTOP, path),
                                         REMOTE_DESKTOP + ".Session")
            self.remote.Start()
        return self.remote

    def move_pointer(self, x, y):
        """To root x, y: first to the bottom-right corner, from there relative
        (the top-left hot corner would stop a pointer passing it)."""
        session = self.remote_session()
        if self.pointer_at is None:
            session.NotifyPointerMotionRelative(5000.0, 5000.0)
            self.pointer_at = (SCREEN[0] - 1, SCREEN[1] - 1)
        dx, dy = x - self.pointer_at[0], y - self.pointer_at[1]
        if dx or dy:
            session.NotifyPointerMotionRelative(float(dx), float(dy))
        self.pointer_at = (x, y)
        wait_for(lambda: self.pointer() == (x, y), CMD_TIMEOUT, "the pointer at %d, %d" % (x, y), interval=0.02)

    def pointer(self):
        return tuple(self.eval("global.get_pointer().slice(0, 2)"))

    def click_at(self, x, y, button=1):
        self.move_pointer(x, y)
        session = self.remote_session()
        t = time.time()
        session.NotifyPointerButton(BTN_LEFT, True)
        time.sleep(0.05)
        session.NotifyPointerButton(BTN_LEFT, False)
        return t

    def compositor_key(self, *keys):
        """Keys to the shell itself ("alt+Tab" holds the modifiers); keys to
        the program (key()) go through XWayland's XTEST, as the remote-desktop
        keyboard loses the press of a key that follows a window's mapping."""
        session = self.remote_session()
        for k in keys:
            syms = [KEYSYMS.get(p) or ord(p) for p in k.split("+")]
            for s, down in [(s, True) for s in syms] + [(s, False) for s in reversed(syms)]:
                session.NotifyKeyboardKeysym(dbus.UInt32(s), down)
                time.sleep(0.05)

    def describe(self):
        lines = [super().describe()]
        try:
            lines.append("windows: %s" % self.windows())
        except Exception as e:  # a failed shell says so in its log
            lines.append("windows: %s" % e)
        lines.append("shell log:\n" + self.log("gnome-shell.err", 1500))
        return "\n".join(lines)
