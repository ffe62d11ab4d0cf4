#pragma once
// One line on standard error, prefixed with the program's name: the host's
// way of telling whoever started the program what went wrong.

#include <QString>

namespace platform {

void writeErrorLine(const QString& text);

} // namespace platform
