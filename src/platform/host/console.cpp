#include "console.h"

#include <cstdio>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace platform {

void writeErrorLine(const QString& text)
{
    std::fprintf(stderr, "vesperon: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

void keepStandardStreamsOpen()
{
#ifdef Q_OS_UNIX
    // open() takes the lowest free number: in this order each closed one
    // gets its own.
    for (int fd = 0; fd <= 2; ++fd)
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF && ::open("/dev/null", O_RDWR) != fd)
            return;
#endif
}

} // namespace platform
