#pragma once
// One line on standard error, prefixed with the program's name: the host's
// way of telling whoever started the program what went wrong.

#include <QString>

namespace platform {

void writeErrorLine(const QString& text);

// Started with standard input, output or error closed (`vesperon 2>&-`), the
// next file the process opens would take its number: a display connection
// taking number 2 would then receive the error lines. Each closed one is
// opened on /dev/null. Called first thing.
void keepStandardStreamsOpen();

} // namespace platform
