"""Display on Wayland: what a native Wayland client asked its compositor for.

No client can list another client's windows on Wayland: the program is
started with WAYLAND_DEBUG=client, and its own log of requests (on its
standard error) says what it asked for: titles, app ids, sizes, pictures.
"""

import re

from harness.program import MAIN_TITLE


def requests(log, request):
    """The arguments of each `request` the client logged, in order."""
    return re.findall(r"-> \w+@\d+\.%s\((.*)\)$" % re.escape(request), log, re.M)


def committed(log, min_size):
    """Whether the window that asked for the minimum size `min_size` ("503,
    200") has committed a picture: a window's own surface (not the
    pointer's) attached a buffer and committed it after that request."""
    start = log.find("set_min_size(%s)" % min_size)
    if start < 0:
        return False
    windows = set(re.findall(r"get_xdg_surface\(new id xdg_surface@\d+, wl_surface@(\d+)\)", log[:start]))
    for m in re.finditer(r"wl_surface@(\d+)\.attach\(wl_buffer@", log[start:]):
        if m.group(1) in windows and ("wl_surface@%s.commit()" % m.group(1)) in log[start + m.end():]:
            return True
    return False


class WaylandLog:
    """For a desktop that runs the program as a native Wayland client (while
    `native`): the program's request log, and its main window found there."""

    native = True

    def program_env(self):
        return dict(super().program_env(), **({"WAYLAND_DEBUG": "client"} if self.native else {}))

    def titles(self):
        return [t.strip('"') for t in requests(self.stderr_text(), "set_title")]

    def main_window_place(self):
        if not self.native:
            return super().main_window_place()
        log = self.stderr_text()
        # The main window (246 × 298 with Qt's own frame) with its first picture.
        return ("wayland", None) if '"%s"' % MAIN_TITLE in log and committed(log, "246, 298") else None

    def program_stderr(self):
        if not self.native:
            return super().program_stderr()
        return "\n".join(l for l in self.stderr_text().splitlines() if "->" not in l and "@" not in l)
