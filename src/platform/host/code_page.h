#pragma once
// The code page of the program's text files and of the update notice when it
// is not UTF-8: GBK (code page 936), the ANSI code page of the systems the
// program is made for. The host does the conversion: Qt's ICU converters on
// Linux (linux/code_page.cpp), the system's own on Windows, where Qt is built
// without ICU (windows/code_page.cpp).

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// GBK bytes as text. A sequence that is no GBK comes out as U+FFFD and sets
// `*error`. A character cut off at the end of the bytes is an error too when
// `stateless`; otherwise it is left out, as a reader that waits for more
// bytes would hold it back.
QString fromGbk(const QByteArray& bytes, bool stateless, bool* error);

// Text as GBK bytes; nothing when it holds a character GBK does not have.
std::optional<QByteArray> toGbk(const QString& text);

} // namespace platform
