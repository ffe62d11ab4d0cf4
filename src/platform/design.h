#pragma once
// Small helpers the windows are laid out with: a control put at its place
// under its design name, colours given as colour values, and icons from the
// program's built-in pictures.

#include "colours.h"
#include "platform.h"

#include <QIcon>
#include <QRect>
#include <QWidget>

#include <cstdint>

namespace platform {

// Names the control as in the window's design and puts it at `rect`.
template <class W> W* place(W* control, const char* name, const QRect& rect)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(rect);
    return control;
}

// The text colour, as a colour value (0x00BBGGRR, or a system colour).
void setTextColour(QWidget* control, std::uint32_t value);

// An opaque background of `colour`.
void fillBackground(QWidget* control, const QColor& colour);

// A built-in picture, `:/pictures/<name>`: drawn at 2x as well
// (`<stem>@2x.<ext>`), which a screen of more than one device pixel to a
// point gets, so that it is as sharp there as the text.
Picture builtInPicture(const QString& name);

// On a screen of more than one device pixel to a point, adds the 2x
// built-in pictures from `pictures@2x.rcc` in `folder` (the program's
// folder); without that file the 1x pictures are drawn larger. At 1x the
// file is not opened. Called once the display is open, before any picture
// is read.
void addTwicePictures(const QString& folder);

// Starts reading the built-in picture `name` on a thread of its own, for the
// next builtInPicture(name) to take when it comes: a window that is to be
// made in a moment (the splash, while the font database is filled; the main
// window, during the splash's second) then does not wait for its picture to
// be decoded.
void readBuiltInPictureAhead(const QString& name);

// An icon from the built-in pictures `:/pictures/<stem>-<size>.png` at the
// sizes the program draws (16, 32, 48, 128).
QIcon builtInIcon(const QString& stem);

} // namespace platform
