#pragma once

namespace platform {

// Font families the windows name that a Linux desktop rarely has are mapped
// to installed faces with the same scripts, so that a whole label is drawn in
// one CJK face rather than in a Latin face with borrowed Han glyphs.
void installFontFallbacks();

} // namespace platform
