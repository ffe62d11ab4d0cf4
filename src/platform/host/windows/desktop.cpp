// Windows frames, places and minimises the program's windows by itself, as
// Qt asks it to.

#include "platform/host/desktop.h"

#include <QWidget>

namespace platform {

bool framedByWindowManager(const QWidget&) { return false; }
std::optional<QMargins> frameAnnouncedByWindowManager(QWidget&) { return std::nullopt; }
void prepareFirstShow(QWidget&) {}
void minimizeToTaskBar(QWidget& window) { window.showMinimized(); }
ColourKeyMode colourKeyModeOfDesktop() { return ColourKeyMode::ShapeMask; }

} // namespace platform
