#include "window_functions.h"

#include "platform/forms.h"
#include "platform/twips.h"

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

} // namespace platform
