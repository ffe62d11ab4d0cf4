#pragma once
// XSETTINGS: the settings an X11 desktop's settings daemon publishes for
// its programs (xfsettingsd, ukui-settings-daemon, gsd-xsettings), on the
// owner of the selection _XSETTINGS_S<screen>.

#include <QByteArray>
#include <QMap>

#include <optional>

namespace platform {

// The integer settings of a _XSETTINGS_SETTINGS property's value, by name;
// strings and colours are passed over. A value that is cut short or
// malformed ends the reading: what was read whole before it is kept.
QMap<QByteArray, qint32> xsettingsIntegers(const QByteArray& property);

// The integer setting `name` of the X display the program opens (DISPLAY),
// read on a connection of its own; nothing where there is none.
std::optional<qint32> xsettingsInteger(const QByteArray& name);

// The X resource `name` ("Xft.dpi") of that display's RESOURCE_MANAGER, as
// a number; nothing where it is not set.
std::optional<double> xResourceNumber(const QByteArray& name);

} // namespace platform
