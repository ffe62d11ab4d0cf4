"""UKUI 3.0 on X11, started as a display manager would: Xvfb, then
ukui-session on the session's bus (ukwm, ukui-panel with its
StatusNotifier watcher, ukui-settings-daemon, peony's desktop,
ukui-notifications). Its scale is its settings daemon's scaling-factor,
which it publishes as XSETTINGS' Gdk/WindowScalingFactor. (On Xvfb its
settings daemon keeps a core busy: tray activations come late there.)"""

import subprocess

from harness.buses import SNI_WATCHER
from harness.processes import CMD_TIMEOUT, START_TIMEOUT, DesktopError, wait_for
from harness.x11 import SCREEN, X11Desktop


class UkuiDesktop(X11Desktop):

    folder_prefix = "vesperon-ukui-"
    activating_session_bus = True
    session_env = {"XDG_CURRENT_DESKTOP": "UKUI", "XDG_SESSION_TYPE": "x11", "XDG_SESSION_DESKTOP": "ukui",
                   "DESKTOP_SESSION": "ukui"}

    def __init__(self, scale=1, **kw):
        super().__init__(**kw)
        self.scale_factor = scale
        # Its settings daemon scales a screen only where it stays large
        # enough at that scale.
        self.screen = (SCREEN[0] * scale, SCREEN[1] * scale)

    def start_desktop(self):
        self.use_notification_server("org.ukui.freedesktop.Notification.service")
        # The scale as the control centre keeps it; the settings daemon
        # takes it when the session starts.
        subprocess.run(["gsettings", "set", "org.ukui.SettingsDaemon.plugins.xsettings", "scaling-factor",
                        str(self.scale_factor)], env=self.env(), timeout=CMD_TIMEOUT, check=True)
        self.start_xvfb()
        self.tell_session_bus()
        self.spawn("ukui", ["ukui-session"])
        wait_for(self.wm_running, START_TIMEOUT, "ukwm")
        wait_for(lambda: self.session_bus.name_has_owner(SNI_WATCHER), START_TIMEOUT, "the panel's tray")
        wait_for(lambda: self.work_area() != (0, 0) + self.screen, START_TIMEOUT, "the panel's room on the screen")
        wait_for(lambda: self.xsettings().get("Gdk/WindowScalingFactor") == self.scale_factor, START_TIMEOUT,
                 "the settings daemon to publish its settings")
        if self.scale_factor > 1:
            # Its font resolution comes separately, in the X resources.
            dpi = str(96 * self.scale_factor)
            wait_for(lambda: self.x_resources().get("Xft.dpi") == dpi, START_TIMEOUT,
                     "the settings daemon to publish Xft.dpi %s" % dpi)

    def set_scale(self, factor):
        """UKUI's settings daemon takes its scale only as the session
        starts (see the scale option)."""
        if factor != self.scale_factor:
            raise DesktopError("UKUI takes its scale at the start of the session")
