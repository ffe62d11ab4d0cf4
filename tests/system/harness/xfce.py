"""Xfce 4.18 on X11, started as a display manager would: Xvfb, then Xfce's
own xinitrc on the session's bus (xfwm4, xfce4-panel with its
StatusNotifier tray, xfdesktop, xfsettingsd, xfce4-notifyd). Its settings
are xfconf's; its scale ("Window Scaling") is XSETTINGS' Gdk/WindowScalingFactor."""

import subprocess

from harness.buses import SNI_WATCHER
from harness.processes import CMD_TIMEOUT, START_TIMEOUT, wait_for
from harness.x11 import X11Desktop


class XfceDesktop(X11Desktop):

    folder_prefix = "vesperon-xfce-"
    activating_session_bus = True
    session_env = {"XDG_CURRENT_DESKTOP": "XFCE", "XDG_SESSION_TYPE": "x11", "XDG_SESSION_DESKTOP": "xfce",
                   "DESKTOP_SESSION": "xfce"}

    def start_desktop(self):
        self.use_notification_server("org.xfce.xfce4-notifyd.Notifications.service")
        self.start_xvfb()
        self.tell_session_bus()
        self.spawn("xfce", ["/bin/sh", "/etc/xdg/xfce4/xinitrc"])
        wait_for(self.wm_running, START_TIMEOUT, "xfwm4")
        wait_for(lambda: self.session_bus.name_has_owner(SNI_WATCHER), START_TIMEOUT, "the panel's tray")
        wait_for(lambda: self.work_area() != (0, 0) + self.screen, START_TIMEOUT, "the panel's room on the screen")

    def set_scale(self, factor):
        """Settings > Appearance > Window Scaling, as the user sets it; the
        panel follows it (its height, and so the work area, change)."""
        before = self.work_area()
        subprocess.run(["xfconf-query", "-c", "xsettings", "-p", "/Gdk/WindowScalingFactor", "-n", "-t", "int",
                        "-s", str(factor)], env=self.env(), timeout=CMD_TIMEOUT, check=True)
        wait_for(lambda: self.xsettings().get("Gdk/WindowScalingFactor", 1) == factor, START_TIMEOUT,
                 "xfsettingsd to publish the scale")
        wait_for(lambda: self.work_area() != before, START_TIMEOUT, "the panel to follow the scale")
