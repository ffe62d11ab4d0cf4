#include "window_functions.h"

#include "colours.h"
#include "host/desktop.h"
#include "host/window_system.h"
#include "twips.h"

#include <QVariant>

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

float FormWindowFunctions::width(const Form& window) const
{
    return asked(window, kAskedWidth, window.frameGeometry().width());
}

float FormWindowFunctions::height(const Form& window) const
{
    return asked(window, kAskedHeight, window.frameGeometry().height());
}

void FormWindowFunctions::setWidth(Form& window, float twips)
{
    window.setProperty(kAskedHeight, height(window));
    window.setProperty(kAskedWidth, twips);
    apply(window);
}

void FormWindowFunctions::setHeight(Form& window, float twips)
{
    window.setProperty(kAskedWidth, width(window));
    window.setProperty(kAskedHeight, twips);
    apply(window);
}

namespace {

// The extended style bits the program set, kept on the window: the layered
// bit is always the program's own (on Windows Qt owns the native one, and
// takes it away on a repaint), the rest the system's where it keeps them.
constexpr char kExStyle[] = "vesperon.exStyle";

} // namespace

bool FormWindowFunctions::setWindowPos(WindowHandle window, qintptr insertAfter, int x, int y, int cx, int cy,
                                       quint32 flags)
{
    if (const std::optional<bool> done = systemSetWindowPos(window, insertAfter, x, y, cx, cy, flags))
        return *done;
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

qint32 FormWindowFunctions::getWindowLong(WindowHandle window, int index)
{
    if (index != kGwlExStyle)
        return systemWindowLong(window, index).value_or(0);
    const Form* form = Form::fromHandle(window);
    const qint32 own = form ? form->property(kExStyle).toInt() : 0;
    if (const std::optional<qint32> native = systemWindowLong(window, index))
        return (*native & ~kWsExLayered) | (own & kWsExLayered);
    return own;
}

qint32 FormWindowFunctions::setWindowLong(WindowHandle window, int index, qint32 value)
{
    if (index != kGwlExStyle)
        return systemSetWindowLong(window, index, value).value_or(0);
    Form* form = Form::fromHandle(window);
    const std::optional<qint32> native = systemWindowLong(window, index);
    if (!form && !native)
        return 0;
    const qint32 before = getWindowLong(window, index);
    if (form)
        form->setProperty(kExStyle, value);
    // Qt's own layered bit stays as Qt has it.
    if (native)
        systemSetWindowLong(window, index, (value & ~kWsExLayered) | (*native & kWsExLayered));
    return before;
}

bool FormWindowFunctions::setLayeredWindowAttributes(WindowHandle window, quint32 colourKey, quint8 alpha,
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
