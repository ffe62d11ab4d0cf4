#include "console.h"

#include <cstdio>

namespace platform {

void writeErrorLine(const QString& text)
{
    std::fprintf(stderr, "vesperon: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace platform
