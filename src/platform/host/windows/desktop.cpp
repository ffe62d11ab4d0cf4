// Windows frames, places and minimises the program's windows by itself, as
// Qt asks it to.

#include "platform/host/desktop.h"

#include <QWidget>

namespace platform {

bool framedByWindowManager(const QWidget&) { return false; }
std::optional<QMarginsF> frameAnnouncedByWindowManager(QWidget&) { return std::nullopt; }
DesktopScaling desktopScaling() { return {}; }
void prepareFirstShow(QWidget&) {}
// A window the program disables cannot be activated on Windows: nothing to
// tell.
void keepAboveOwner(QWidget&, QWidget&) {}
void minimizeToTaskBar(QWidget& window) { window.showMinimized(); }
void settleDrawing() {}
ColourKeyMode colourKeyModeOfDesktop() { return ColourKeyMode::ShapeMask; }

} // namespace platform
