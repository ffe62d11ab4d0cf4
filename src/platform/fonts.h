#pragma once

namespace platform {

// The CJK faces the program draws its Chinese texts in, best first.
// installFontFallbacks maps the family the windows name, "微软雅黑", which a
// Linux desktop rarely has, to the first of them, so that a whole label is
// drawn in one CJK face rather than in a Latin face with borrowed Han glyphs.
void installFontFallbacks();

// Where the desktop's default font has no Chinese (the C locale, an English
// desktop), makes the first installed CJK face the default font, at the
// desktop's size: the windows' Chinese captions and their Latin digits then
// come from one face and read as one program. A desktop whose default font
// covers Chinese keeps its own. Call once, after the application exists and
// before any window is made.
void useCjkDefaultFont();

} // namespace platform
