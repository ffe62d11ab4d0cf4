#include "window_functions.h"

#include "platform/colours.h"
#include "platform/forms.h"
#include "platform/twips.h"

#include <QGuiApplication>
#include <QVariant>

#ifdef Q_OS_WIN
#include "win_window_functions.h"
#elif defined(Q_OS_UNIX)
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#endif

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// The size last asked for from code is kept on the window itself: it is
// what a later read gives back, so that a loop shrinking the window ends on
// time even where the window manager keeps the window larger than asked.
constexpr char kAskedWidth[] = "vesperon.askedWidthTwips";
constexpr char kAskedHeight[] = "vesperon.askedHeightTwips";

float asked(const Form& window, const char* property, int framePixels)
{
    const QVariant value = window.property(property);
    return value.isValid() ? value.toFloat() : float(framePixels * kTwipsPerPixel);
}

// Outer pixels for a size in twips; the window keeps whole pixels.
int outerPixels(float twips) { return int(std::lround(std::max(0.0f, twips) / kTwipsPerPixel)); }

void apply(Form& window)
{
    // The frame's share (borders, title bar) stays what the window manager
    // gives; the client area takes the rest, at least one pixel.
    const QRect frame = window.frameGeometry();
    const int frameWidth = frame.width() - window.width();
    const int frameHeight = frame.height() - window.height();
    const int width = std::max(1, outerPixels(asked(window, kAskedWidth, frame.width())) - frameWidth);
    const int height = std::max(1, outerPixels(asked(window, kAskedHeight, frame.height())) - frameHeight);
    window.setMinimumSize(0, 0);
    window.setFixedSize(width, height);
}

} // namespace

float HostWindowFunctions::width(const Form& window) const
{
    return asked(window, kAskedWidth, window.frameGeometry().width());
}

float HostWindowFunctions::height(const Form& window) const
{
    return asked(window, kAskedHeight, window.frameGeometry().height());
}

void HostWindowFunctions::setWidth(Form& window, float twips)
{
    window.setProperty(kAskedHeight, height(window));
    window.setProperty(kAskedWidth, twips);
    apply(window);
}

void HostWindowFunctions::setHeight(Form& window, float twips)
{
    window.setProperty(kAskedWidth, width(window));
    window.setProperty(kAskedHeight, twips);
    apply(window);
}

#ifdef Q_OS_WIN

namespace {

// Whether the program made the window layered (see below).
constexpr char kLayered[] = "vesperon.layered";

} // namespace

// Windows has colour-keyed windows, but Qt owns the layered style of its
// windows: its backing store makes a frameless window layered only for
// per-pixel alpha and takes WS_EX_LAYERED away again on every repaint
// otherwise, and the colour key with it. So the layered bit the program sets
// is kept on the window, and a colour key cuts the key colour out of the
// window's region (SetWindowRgn, through QWidget::setMask). Every other style
// bit, and the z-order, go to user32 as they are.
ColourKeyMode colourKeyModeOfDesktop() { return ColourKeyMode::ShapeMask; }

bool HostWindowFunctions::setWindowPos(WindowHandle window, qintptr insertAfter, int x, int y, int cx, int cy,
                                       quint32 flags)
{
    return winSetWindowPos(window, insertAfter, x, y, cx, cy, flags);
}

qint32 HostWindowFunctions::getWindowLong(WindowHandle window, int index)
{
    qint32 value = winGetWindowLong(window, index);
    if (index == kGwlExStyle) {
        const Form* form = Form::fromHandle(window);
        value &= ~kWsExLayered;
        if (form && form->property(kLayered).toBool())
            value |= kWsExLayered;
    }
    return value;
}

qint32 HostWindowFunctions::setWindowLong(WindowHandle window, int index, qint32 value)
{
    if (index != kGwlExStyle)
        return winSetWindowLong(window, index, value);
    Form* form = Form::fromHandle(window);
    const qint32 before = getWindowLong(window, index);
    if (form)
        form->setProperty(kLayered, bool(value & kWsExLayered));
    // Qt's own layered bit stays as Qt has it.
    const qint32 qtLayered = winGetWindowLong(window, index) & kWsExLayered;
    winSetWindowLong(window, index, (value & ~kWsExLayered) | qtLayered);
    return before;
}

#else

namespace {

// The extended window style bits, kept on the window: nothing here reads them
// but the program, and a layered window takes a colour key.
constexpr char kExStyle[] = "vesperon.exStyle";

} // namespace

ColourKeyMode colourKeyModeOfDesktop()
{
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return ColourKeyMode::Alpha;
#ifdef Q_OS_UNIX
    auto* x11 = qGuiApp && QGuiApplication::platformName() == QLatin1String("xcb")
                    ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                    : nullptr;
    if (xcb_connection_t* connection = x11 ? x11->connection() : nullptr; connection && !xcb_connection_has_error(connection)) {
        // The screen of DISPLAY (":0.1" is screen 1), screen 0 by default.
        const QByteArray display = qgetenv("DISPLAY");
        const qsizetype dot = display.indexOf('.', std::max<qsizetype>(0, display.lastIndexOf(':')));
        const QByteArray screen = dot >= 0 ? display.mid(dot + 1) : QByteArray("0");
        const QByteArray name = "_NET_WM_CM_S" + (screen.isEmpty() ? QByteArray("0") : screen);
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, quint16(name.size()), name.constData()), nullptr);
        bool compositing = false;
        if (atom && atom->atom != XCB_ATOM_NONE) {
            xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
                connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
            compositing = owner && owner->owner != XCB_WINDOW_NONE;
            std::free(owner);
        }
        std::free(atom);
        return compositing ? ColourKeyMode::Alpha : ColourKeyMode::ShapeMask;
    }
#endif
    return ColourKeyMode::ShapeMask;
}

bool HostWindowFunctions::setWindowPos(WindowHandle window, qintptr insertAfter, int x, int y, int cx, int cy,
                                       quint32 flags)
{
    Form* form = Form::fromHandle(window);
    if (!form)
        return false;
    if (insertAfter == kHwndTopmost || insertAfter == kHwndNoTopmost) {
        const bool onTop = insertAfter == kHwndTopmost;
        if (form->testAttribute(Qt::WA_WState_Created) || form->isVisible()) {
            const bool visible = form->isVisible();
            form->setWindowFlag(Qt::WindowStaysOnTopHint, onTop); // hides a shown window
            if (visible)
                form->show();
        } else {
            form->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        }
    }
    if (!(flags & kSwpNoMove))
        form->move(x, y);
    if (!(flags & kSwpNoSize))
        form->resize(cx, cy);
    return true;
}

qint32 HostWindowFunctions::getWindowLong(WindowHandle window, int index)
{
    const Form* form = Form::fromHandle(window);
    if (!form || index != kGwlExStyle)
        return 0;
    return form->property(kExStyle).toInt();
}

qint32 HostWindowFunctions::setWindowLong(WindowHandle window, int index, qint32 value)
{
    Form* form = Form::fromHandle(window);
    if (!form || index != kGwlExStyle)
        return 0;
    const qint32 before = form->property(kExStyle).toInt();
    form->setProperty(kExStyle, value);
    return before;
}

#endif

bool HostWindowFunctions::setLayeredWindowAttributes(WindowHandle window, quint32 colourKey, quint8 alpha,
                                                     quint32 flags)
{
    Form* form = Form::fromHandle(window);
    if (!form || !(getWindowLong(window, kGwlExStyle) & kWsExLayered))
        return false; // only a layered window takes these
    if (flags & kLwaColorKey)
        form->setColourKey(colourFromValue(colourKey), colourKeyModeOfDesktop());
    if (flags & kLwaAlpha)
        form->setWindowOpacity(alpha / 255.0);
    return true;
}

} // namespace platform
