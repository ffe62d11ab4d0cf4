#pragma once
// What the Linux tray reports, as the program's windows take it.

#include <QList>
#include <QSystemTrayIcon>

namespace platform {

// The mouse message codes a tray event stands for, in the order the window
// receives them. On an XEmbed tray Qt reports a click (Trigger), a double
// click, the right and the middle button; a StatusNotifier host (KDE Plasma,
// GNOME's AppIndicator extension, most Wayland desktops) reports each click
// as one activation and never a double click, so there an activation counts
// as the double click that brings a window back.
QList<int> mouseCodesFor(QSystemTrayIcon::ActivationReason reason, bool statusNotifierHost);

// Whether Qt puts tray icons on a StatusNotifier host rather than an XEmbed
// tray: a org.kde.StatusNotifierWatcher on the session bus that has a host.
bool statusNotifierHostRegistered();

} // namespace platform
