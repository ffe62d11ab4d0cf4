#pragma once
// What differs between the desktops the program runs on, decided here and
// nowhere else: which of Qt's platforms it runs on, and what its windows
// must tell the window manager that Qt does not say for them.
//
//   GNOME (mutter) and KDE Plasma (KWin) on Wayland: through XWayland.
//     mutter draws no frames for Wayland windows (Qt's own frame then shows
//     minimise and maximise on a fixed-size window and cuts the title short),
//     and neither compositor lets a Wayland window be placed, kept above, or
//     show an icon of its own (the icon comes only from an installed menu
//     entry named by the app id; Plasma also gives a Wayland tool window a
//     task-bar button). As an X11 window it gets the desktop's own frame with
//     the title whole, opens centred, the splash stays above and off the task
//     bar, and the icon is the program's, installed or not. The cost: on a
//     scaled screen the desktop scales X11 windows up, less sharply.
//     QT_QPA_PLATFORM or -platform, when the user gives them, are honoured;
//     without an X display Qt's own choice stands.
//   Xfce and UKUI (on X11): their scale, which they publish only for GTK
//     programs, is Qt's too (unless the user set Qt's own).
//   Every other desktop: Qt's own choice.
//
// On X11, whatever the desktop:
//   - a window is centred with its frame, as the window manager reports the
//     frame before the window is shown;
//   - a tool window (the splash) asks to be left out of the task bar and the
//     pager;
//   - a window that offers no minimise button allows minimising while the
//     program minimises it: mutter and xfwm4 refuse to minimise a window whose
//     Motif hints leave minimising out;
//   - a window owned by another says so (WM_TRANSIENT_FOR), so that a window
//     manager that raises a window when it is clicked, disabled or not
//     (openbox, ukwm, xfwm4), keeps the owned one in front of it.

#include <QByteArray>
#include <QMargins>

#include <optional>

class QWidget;

namespace platform {

// The desktops whose choices differ, from XDG_CURRENT_DESKTOP (a list
// separated by colons: "ubuntu:GNOME", "GNOME-Classic:GNOME", "KDE",
// "XFCE", "UKUI").
enum class DesktopKind { Other, Gnome, Plasma, Xfce, Ukui };
DesktopKind desktopKind(const QByteArray& currentDesktop);

// The platform list to ask Qt for ("xcb;wayland": XWayland, and Wayland should
// XWayland fail to answer), or empty for Qt's own choice. `userChoice` is
// true when QT_QPA_PLATFORM or -platform says what the user wants.
QByteArray platformForDesktop(DesktopKind desktop, const QByteArray& waylandDisplay, const QByteArray& display,
                              bool userChoice);

// The platform chosen for this process from its environment and arguments,
// as above.
QByteArray platformForThisDesktop(int argc, char** argv);

// The scale Qt is to draw at on this desktop (QT_SCALE_FACTOR), or empty for
// Qt's own choice. Xfce ("Window Scaling") and UKUI (its scaling setting)
// publish their scale only as XSETTINGS' Gdk/WindowScalingFactor, which
// GTK programs follow and Qt 6.4 does not; Qt follows Xft.dpi by itself,
// so what that gives already is not asked for twice. Never where the user
// set QT_SCALE_FACTOR or QT_SCREEN_SCALE_FACTORS (`userChoice`).
QByteArray scaleFactorForDesktop(DesktopKind desktop, std::optional<qint32> windowScaling,
                                 std::optional<double> xftDpi, bool userChoice);

// The same for this process's desktop, read from its environment and its X
// display (a connection of its own, on Xfce and UKUI only).
QByteArray scaleFactorForThisDesktop();

// Each system's part: the desktop's window scaling and Xft.dpi, as it
// publishes them (X11: XSETTINGS and the X resources).
struct DesktopScaling {
    std::optional<qint32> windowScaling;
    std::optional<double> xftDpi;
};
DesktopScaling desktopScaling();

// The frame the window manager will put around the window, asked for before
// the window is first shown (X11 window managers answer
// _NET_REQUEST_FRAME_EXTENTS), else the frame of the windows shown so far;
// empty margins where that is unknown. In the window's own units: a frame
// of one screen pixel is half a unit on a screen scaled 2x.
QMarginsF expectedFrame(QWidget& window);

// Each system's part (linux/desktop_x11.cpp, windows/desktop.cpp):
// whether a window manager puts a frame around the window (X11), and the
// frame it says it will put around it before the window is shown, where it
// can say so.
bool framedByWindowManager(const QWidget& window);
std::optional<QMarginsF> frameAnnouncedByWindowManager(QWidget& window);

// Puts a window that is not shown yet in the middle of the screen's work
// area, its frame included where the window manager tells it beforehand.
void centreOnScreen(QWidget& window);

// Before a message box is shown: it opens centred over its window, or on
// the screen when it stands alone (Qt would put it a third of the way down),
// at the size it takes when it is shown. A box that stands alone is a window
// of its own, not a dialog: X11 window managers take a dialog with no window
// under it for a box of all the program's windows, and KWin brings a
// minimised main window back with it.
void prepareBox(QWidget& box);

// Before the window is first shown: what the window manager must know that
// Qt does not tell it.
void prepareFirstShow(QWidget& window);

// How a window's colour key is carried out: pixels of exactly the key colour
// are cut out of the window's shape (X11 without a compositor, Windows: Qt
// owns a window's layered style, so the key colour is cut out of its region),
// or drawn fully transparent (with a compositor, on Wayland).
enum class ColourKeyMode { None, ShapeMask, Alpha };
// The way the desktop the program runs on can make a colour fully
// transparent: per-pixel alpha where a compositor draws the windows (always
// on Wayland; on X11 when a compositing manager owns _NET_WM_CM_S0), else a
// shape mask. Each system's part.
ColourKeyMode colourKeyModeOfDesktop();

// As the window is shown: the window manager is told that `owner` owns it
// (on X11, WM_TRANSIENT_FOR), so that it stays in front of its owner and is
// not buried under it when the owner is clicked. Qt says so only for dialogs
// and tool windows, and takes the property away from any other window as it
// maps it: it is set after Qt's show, and window managers follow it when it
// changes. Each system's part.
void keepAboveOwner(QWidget& window, QWidget& owner);

// Before the display is opened: how the toolkit should draw on this system's
// window system, where its own default costs the waiting program. On X11 the
// windows are drawn without shared memory (MIT-SHM): with it, every repaint
// of a region the server may still be reading from waits for a round trip
// first, and the clock line's repaint would wake the program three times a
// second where it needs once. What the program draws is a few kilobytes a
// second, which the socket carries as well. The user's own setting
// (QT_XCB_NO_MITSHM) stands. It is left set once the display is open, since
// the environment is not changed after the first thread starts: a Qt program
// the browser hand-over starts draws the same way, which costs it nothing.
// Each system's part.
void settleDrawing();

// Minimises the window to the task bar, allowing minimising for as long as it
// is minimised where the window's flags would otherwise forbid it.
void minimizeToTaskBar(QWidget& window);

} // namespace platform
