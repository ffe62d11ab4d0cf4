// What X11 window managers are told, and asked, through xcb: the frame a
// window will get, the task bar's hints of a tool window, minimising where
// the Motif hints forbid it.

#include "platform/host/desktop.h"

#include "xsettings.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QList>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

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

} // namespace

bool framedByWindowManager(const QWidget& window)
{
    return x11Connection() && window.isWindow() && !window.windowFlags().testFlag(Qt::FramelessWindowHint);
}

std::optional<QMarginsF> frameAnnouncedByWindowManager(QWidget& window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return std::nullopt;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    if (!supported(connection, root, "_NET_REQUEST_FRAME_EXTENTS"))
        return std::nullopt;
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
    QMarginsF frame;
    do {
        const QList<quint32> values = cardinals(connection, probe, extents, XCB_ATOM_CARDINAL);
        if (values.size() == 4) { // left, right, top, bottom, in the screen's own pixels
            const qreal ratio = window.devicePixelRatioF() > 0 ? window.devicePixelRatioF() : 1.0;
            frame = QMarginsF(values[0] / ratio, values[2] / ratio, values[1] / ratio, values[3] / ratio);
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

DesktopScaling desktopScaling()
{
    return {xsettingsInteger("Gdk/WindowScalingFactor"), xResourceNumber("Xft.dpi")};
}

void keepAboveOwner(QWidget& window, QWidget& owner)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window.isWindow())
        return;
    const auto owned = xcb_window_t(window.winId());
    const auto by = xcb_window_t(owner.window()->winId());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, owned, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 32,
                        1, &by);
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

void settleDrawing()
{
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");
}

ColourKeyMode colourKeyModeOfDesktop()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return ColourKeyMode::Alpha;
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return ColourKeyMode::ShapeMask;
    // The screen of DISPLAY (":0.1" is screen 1), screen 0 by default.
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype dot = display.indexOf('.', std::max<qsizetype>(0, display.lastIndexOf(':')));
    const QByteArray screen = dot >= 0 ? display.mid(dot + 1) : QByteArray("0");
    const QByteArray name = "_NET_WM_CM_S" + (screen.isEmpty() ? QByteArray("0") : screen);
    const xcb_atom_t selection = atom(connection, name.constData());
    if (selection == XCB_ATOM_NONE)
        return ColourKeyMode::ShapeMask;
    const Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE ? ColourKeyMode::Alpha : ColourKeyMode::ShapeMask;
}

} // namespace platform
