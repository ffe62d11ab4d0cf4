#include "desktop.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#define VESPERON_X11 1
#endif

namespace platform {

DesktopKind desktopKind(const QByteArray& currentDesktop)
{
    for (const QByteArray& name : currentDesktop.split(':')) {
        const QByteArray lower = name.trimmed().toLower();
        if (lower == "gnome")
            return DesktopKind::Gnome;
        if (lower == "kde")
            return DesktopKind::Plasma;
    }
    return DesktopKind::Other;
}

QByteArray platformForDesktop(DesktopKind desktop, const QByteArray& waylandDisplay, const QByteArray& display,
                              bool userChoice)
{
    if (userChoice || waylandDisplay.isEmpty() || display.isEmpty())
        return {};
    switch (desktop) {
    case DesktopKind::Gnome:
    case DesktopKind::Plasma: return QByteArrayLiteral("xcb;wayland");
    case DesktopKind::Other: break;
    }
    return {};
}

QByteArray platformForThisDesktop(int argc, char** argv)
{
    bool userChoice = !qgetenv("QT_QPA_PLATFORM").isEmpty();
    for (int i = 1; i < argc && argv[i]; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "-platform") == 0 || std::strcmp(argument, "--platform") == 0)
            userChoice = true;
    }
    QByteArray waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    if (waylandDisplay.isEmpty() && qgetenv("XDG_SESSION_TYPE") == "wayland")
        waylandDisplay = "wayland-0"; // where Qt looks when it is not told
    return platformForDesktop(desktopKind(qgetenv("XDG_CURRENT_DESKTOP")), waylandDisplay, qgetenv("DISPLAY"),
                              userChoice);
}

namespace {

// The frame of the windows shown so far, where the window manager did not
// tell it beforehand.
QMargins learnedFrame;

// Whether an X11 window manager puts a frame around the window.
bool framedByWindowManager(const QWidget& window);

// The middle of the window `over` (its frame), or of the screen's work area.
QPoint centredTopLeft(const QSize& outer, const QWidget* over = nullptr)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = over ? over->frameGeometry() : screen ? screen->availableGeometry() : QRect();
    return area.center() - QPoint(outer.width() / 2, outer.height() / 2);
}

// Where the window manager does not tell the frame beforehand (KWin), the
// first framed window is centred again once its frame is known, and the frame
// is remembered for the windows after it.
class CentreWhenFramed final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWidget*>(watched);
        if (watched != parent() || (event->type() != QEvent::Move && event->type() != QEvent::Resize))
            return false;
        const QMargins frame = window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
        if (frame.isNull())
            return false; // not framed yet
        learnedFrame = frame;
        const QRect outer = window->frameGeometry();
        const QPoint wanted = centredTopLeft(window->size().grownBy(frame));
        if ((outer.topLeft() - wanted).manhattanLength() > 1)
            window->move(wanted);
        deleteLater();
        return false;
    }
};

} // namespace

namespace {

void centre(QWidget& window, const QWidget* over)
{
    const QMargins frame = expectedFrame(window);
    const QPoint topLeft = centredTopLeft(window.size().grownBy(frame), over);
    if (frame.isNull() || !window.testAttribute(Qt::WA_WState_Created))
        window.move(topLeft); // by its frame, where Qt knows of one
    else // a window that is made already (a box at its show): by its client area
        window.setGeometry(QRect(topLeft + QPoint(frame.left(), frame.top()), window.size()));
    if (frame.isNull() && framedByWindowManager(window) && !over)
        window.installEventFilter(new CentreWhenFramed(&window));
}

} // namespace

void centreOnScreen(QWidget& window) { centre(window, nullptr); }

namespace {

// At the box's first show, before it is mapped: the box handles its show
// first (a message box fixes its size there), then it is put in its place.
class CentreAtShow final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || watched != parent())
            return false;
        auto* box = static_cast<QWidget*>(watched);
        box->removeEventFilter(this);
        QCoreApplication::sendEvent(box, event);
        const QWidget* over = box->parentWidget() ? box->parentWidget()->window() : nullptr;
        centre(*box, over && over->isVisible() ? over : nullptr);
        deleteLater();
        return true; // handled above
    }
};

} // namespace

void prepareBox(QWidget& box)
{
    if (!box.parentWidget() && framedByWindowManager(box))
        box.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint);
    box.installEventFilter(new CentreAtShow(&box));
}

#ifdef VESPERON_X11

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_connection_t* x11Connection()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    return connection && !xcb_connection_has_error(connection) ? connection : nullptr;
}

// The atoms of `names`, asked for together: one wait for the server.
template <std::size_t N>
std::array<xcb_atom_t, N> atoms(xcb_connection_t* connection, const char* const (&names)[N])
{
    std::array<xcb_intern_atom_cookie_t, N> cookies;
    for (std::size_t i = 0; i < N; ++i)
        cookies[i] = xcb_intern_atom(connection, 0, quint16(std::strlen(names[i])), names[i]);
    std::array<xcb_atom_t, N> found;
    for (std::size_t i = 0; i < N; ++i) {
        const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookies[i], nullptr));
        found[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    return found;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) { return atoms(connection, {name})[0]; }

QList<quint32> cardinals(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, 1024), nullptr));
    QList<quint32> values;
    if (reply && reply->type == type && reply->format == 32) {
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
        values = QList<quint32>(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }
    return values;
}

// Whether the window manager lists `name` among what it supports.
bool supported(xcb_connection_t* connection, xcb_window_t root, const char* name)
{
    const xcb_atom_t wanted = atom(connection, name);
    return wanted != XCB_ATOM_NONE
        && cardinals(connection, root, atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM).contains(wanted);
}

bool framedByWindowManager(const QWidget& window)
{
    return x11Connection() && window.isWindow() && !window.windowFlags().testFlag(Qt::FramelessWindowHint);
}

} // namespace

QMargins expectedFrame(QWidget& window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !framedByWindowManager(window))
        return {};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    if (!supported(connection, root, "_NET_REQUEST_FRAME_EXTENTS"))
        return learnedFrame;
    // Asked for a window of our own that is never shown, so that the
    // window's own is not made before Qt makes it (Qt then places it by
    // its frame, as the window manager expects when the window is shown
    // again after hiding).
    const xcb_window_t probe = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, probe, root, 0, 0, quint16(std::max(1, window.width())),
                      quint16(std::max(1, window.height())), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      0, nullptr);
    xcb_client_message_event_t request;
    std::memset(&request, 0, sizeof request);
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = probe;
    request.type = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
    // The window manager answers at once by setting the property; a busy one
    // is given a moment, after which the window opens as if it had no frame.
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    const QDeadlineTimer deadline(300);
    QMargins frame;
    do {
        const QList<quint32> values = cardinals(connection, probe, extents, XCB_ATOM_CARDINAL);
        if (values.size() == 4) { // left, right, top, bottom
            frame = QMargins(int(values[0]), int(values[2]), int(values[1]), int(values[3]));
            break;
        }
        QThread::msleep(2);
    } while (!deadline.hasExpired());
    xcb_destroy_window(connection, probe);
    xcb_flush(connection);
    return frame;
}

void prepareFirstShow(QWidget& window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window.isWindow() || window.windowType() != Qt::Tool)
        return;
    // Qt keeps what is in _NET_WM_STATE when it adds its own states at the
    // first show.
    const auto id = xcb_window_t(window.winId());
    const auto found = atoms(connection, {"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"});
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, found[0], XCB_ATOM_ATOM, 32, 2, &found[1]);
    xcb_flush(connection);
}

namespace {

// Gives the window its own flags back once it is no longer minimised.
class OwnFlagsWhenShown final : public QObject {
public:
    OwnFlagsWhenShown(QWindow* window, Qt::WindowFlags own) : QObject(window)
    {
        connect(window, &QWindow::windowStateChanged, this, [this, window, own](Qt::WindowState state) {
            if (state == Qt::WindowMinimized)
                return;
            window->setFlags(own);
            deleteLater();
        });
    }
};

} // namespace

void minimizeToTaskBar(QWidget& window)
{
    QWindow* handle = window.windowHandle();
    if (x11Connection() && handle && !(handle->flags() & Qt::WindowMinimizeButtonHint)) {
        // The window's Motif hints allow minimising until it is shown again.
        const Qt::WindowFlags own = handle->flags();
        handle->setFlags(own | Qt::WindowMinimizeButtonHint);
        new OwnFlagsWhenShown(handle, own);
    }
    window.showMinimized();
}

#else

namespace {
bool framedByWindowManager(const QWidget&) { return false; }
} // namespace

QMargins expectedFrame(QWidget&) { return {}; }
void prepareFirstShow(QWidget&) {}
void minimizeToTaskBar(QWidget& window) { window.showMinimized(); }

#endif

} // namespace platform
