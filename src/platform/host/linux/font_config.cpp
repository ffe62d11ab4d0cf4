#include "platform/host/font_config.h"

#include <fontconfig/fontconfig.h>

#include <future>

namespace platform {

namespace {

std::future<void>& reading()
{
    static std::future<void> config; // waited for also at exit, if never taken
    return config;
}

} // namespace

void startReadingFontConfig()
{
    // Qt's own FcInit() then finds the configuration there and returns.
    reading() = std::async(std::launch::async, [] { FcInit(); });
}

void finishReadingFontConfig()
{
    if (reading().valid())
        reading().get();
}

} // namespace platform
