#pragma once
// Colour values as the window designs write them: 0x00BBGGRR for a plain
// colour (red in the low byte), or a value with the high bit set naming a
// system colour by its index (0x8000000B is system colour 11).

#include <QColor>

#include <cstdint>

namespace platform {

QColor systemColour(int index);

QColor colourFromValue(std::uint32_t value);

} // namespace platform
