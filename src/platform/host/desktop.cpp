#include "desktop.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QList>
#include <QThread>
#include <QWidget>
#include <QWindow>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
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

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

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

xcb_window_t rootOf(xcb_connection_t* connection, xcb_window_t window)
{
    const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    return tree ? tree->root : xcb_window_t(XCB_WINDOW_NONE);
}

// Whether the window manager lists `name` among what it supports.
bool supported(xcb_connection_t* connection, xcb_window_t root, const char* name)
{
    const xcb_atom_t wanted = atom(connection, name);
    return wanted != XCB_ATOM_NONE
        && cardinals(connection, root, atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM).contains(wanted);
}

} // namespace

QMargins expectedFrame(QWidget& window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window.isWindow())
        return {};
    const auto id = xcb_window_t(window.winId());
    const xcb_window_t root = rootOf(connection, id);
    if (root == XCB_WINDOW_NONE || !supported(connection, root, "_NET_REQUEST_FRAME_EXTENTS"))
        return {};
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    xcb_client_message_event_t request;
    std::memset(&request, 0, sizeof request);
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = id;
    request.type = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
    // The window manager answers at once by setting the property; a busy one
    // is given a moment, after which the window opens as if it had no frame.
    const QDeadlineTimer deadline(300);
    do {
        const QList<quint32> frame = cardinals(connection, id, extents, XCB_ATOM_CARDINAL);
        if (frame.size() == 4) // left, right, top, bottom
            return QMargins(int(frame[0]), int(frame[2]), int(frame[1]), int(frame[3]));
        QThread::msleep(2);
    } while (!deadline.hasExpired());
    return {};
}

void prepareFirstShow(QWidget& window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window.isWindow() || window.windowType() != Qt::Tool)
        return;
    // Qt keeps what is in _NET_WM_STATE when it adds its own states at the
    // first show.
    const auto id = xcb_window_t(window.winId());
    const xcb_atom_t states[] = {atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                 atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, atom(connection, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        2, states);
    xcb_flush(connection);
}

void minimizeToTaskBar(QWidget& window)
{
    QWindow* handle = window.windowHandle();
    if (x11Connection() && handle && !(handle->flags() & Qt::WindowMinimizeButtonHint)) {
        // The window's Motif hints allow minimising until it is shown again.
        const Qt::WindowFlags own = handle->flags();
        handle->setFlags(own | Qt::WindowMinimizeButtonHint);
        auto restore = std::make_shared<QMetaObject::Connection>();
        *restore = QObject::connect(handle, &QWindow::windowStateChanged, handle,
                                    [handle, own, restore](Qt::WindowState state) {
                                        if (state == Qt::WindowMinimized)
                                            return;
                                        QObject::disconnect(*restore);
                                        handle->setFlags(own);
                                    });
    }
    window.showMinimized();
}

#else

QMargins expectedFrame(QWidget&) { return {}; }
void prepareFirstShow(QWidget&) {}
void minimizeToTaskBar(QWidget& window) { window.showMinimized(); }

#endif

} // namespace platform
