#include "platform/host/font_config.h"

namespace platform {

// Windows keeps the fonts' list in the system: nothing to read ahead.
void startReadingFontConfig() {}
void finishReadingFontConfig() {}

} // namespace platform
