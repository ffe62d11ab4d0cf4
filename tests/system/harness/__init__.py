"""The system tests' harness: throwaway desktops that run the real program.

    processes.py  the temporary folder, processes in groups, wait_for()
    buses.py      the system and session buses, logind (mock, refusing,
                  real), notifications, the StatusNotifier watcher, AT-SPI
    program.py    the program: start, output, signals, main window, controls
    desktop.py    Desktop, the base every desktop fills in
    x11.py        Xvfb, and the program as an X11 client (xdotool, xprop)
    wayland.py    the program as a native Wayland client (its request log)
    openbox.py, weston.py, sway.py, gnome.py, plasma.py, wine.py: one each
    testcase.py   DesktopTestCase, the tests' unittest base

See docs/testing.md.
"""
