#include "colours.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

QColor systemColour(int index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (index) {
    case 5: return palette.color(QPalette::Active, QPalette::Base);            // window
    case 8: return palette.color(QPalette::Active, QPalette::WindowText);      // window text
    case 11: return QColor(244, 247, 252);                                     // inactive border
    case 13: return palette.color(QPalette::Active, QPalette::Highlight);       // highlight
    case 14: return palette.color(QPalette::Active, QPalette::HighlightedText); // highlighted text
    case 15: return palette.color(QPalette::Active, QPalette::Button);          // button face
    case 18: return palette.color(QPalette::Active, QPalette::ButtonText);      // button text
    default: return palette.color(QPalette::Active, QPalette::Window);
    }
}

QColor colourFromValue(std::uint32_t value)
{
    if (value & 0x80000000u)
        return systemColour(int(value & 0xffu));
    return QColor(int(value & 0xffu), int((value >> 8) & 0xffu), int((value >> 16) & 0xffu));
}

} // namespace platform
