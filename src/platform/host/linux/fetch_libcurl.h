#pragma once
// The update notice's fetch with libcurl (Linux): what can be checked of it
// without a server.

#include <QString>

#include <curl/curl.h>

namespace platform {

using CurlSetopt = decltype(&::curl_easy_setopt);

// Limits a transfer, and the redirects it follows, to HTTP and HTTPS; says
// why not when this libcurl cannot be told so, and the transfer must then
// not be made.
QString limitProtocols(CurlSetopt setopt, CURL* handle);

} // namespace platform
