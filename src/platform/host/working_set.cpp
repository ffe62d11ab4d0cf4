#include "working_set.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <malloc.h>
#include <sys/mman.h>

namespace platform {

namespace {

struct Range {
    unsigned long start = 0;
    unsigned long end = 0;
};

// The mappings whose pages can be dropped and read again from their file
// unchanged: private mappings of a file that are neither writable nor hold
// a page of their own (a relocated one: read-only after relocation, but no
// longer the file's). Devices are left alone.
std::vector<Range> readOnlyFileMappings()
{
    std::vector<Range> ranges;
    std::FILE* smaps = std::fopen("/proc/self/smaps", "re");
    if (!smaps)
        return ranges;
    char* line = nullptr;
    std::size_t capacity = 0;
    Range current;
    bool candidate = false;
    while (getline(&line, &capacity, smaps) > 0) {
        unsigned long start = 0, end = 0;
        char permissions[5] = {};
        int pathAt = 0;
        if (std::sscanf(line, "%lx-%lx %4s %*s %*s %*s %n", &start, &end, permissions, &pathAt) == 3
            && pathAt > 0) {
            const char* path = line + pathAt;
            current = {start, end};
            candidate = std::strcmp(permissions, "r--p") == 0 || std::strcmp(permissions, "r-xp") == 0;
            candidate = candidate && path[0] == '/' && std::strncmp(path, "/dev/", 5) != 0;
            continue;
        }
        unsigned long anonymous = 0;
        if (candidate && std::sscanf(line, "Anonymous: %lu kB", &anonymous) == 1) {
            if (anonymous == 0)
                ranges.push_back(current);
            candidate = false;
        }
    }
    std::free(line);
    std::fclose(smaps);
    return ranges;
}

} // namespace

void releaseStartPages()
{
    for (const Range& range : readOnlyFileMappings())
        ::madvise(reinterpret_cast<void*>(range.start), range.end - range.start, MADV_DONTNEED);
    ::malloc_trim(0);
}

} // namespace platform
