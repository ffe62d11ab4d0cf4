// GBK on Windows: Qt for Windows has no ICU, so the system converts, with
// its code page 936 (the same table as the ANSI code page of a Chinese
// Windows). The results are those of the ICU converter on Linux: a sequence
// that is no GBK gives U+FFFD, a lead byte whose trail byte can never follow
// it gives U+FFFD alone and the trail byte is read afresh.

#include "platform/host/code_page.h"

#include <windows.h>

namespace platform {

namespace {

constexpr UINT kGbk = 936;

bool isLead(unsigned char byte) { return byte >= 0x81 && byte <= 0xfe; }
bool isTrail(unsigned char byte) { return byte >= 0x40 && byte <= 0xfe && byte != 0x7f; }

// The bytes as text, or false when they hold a sequence that is no GBK.
bool convert(const char* bytes, int size, QString& text)
{
    if (size == 0)
        return true;
    const int length = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (length <= 0)
        return false;
    std::wstring wide(std::size_t(length), L'\0');
    MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes, size, wide.data(), length);
    text += QString::fromWCharArray(wide.data(), length);
    return true;
}

} // namespace

QString fromGbk(const QByteArray& bytes, bool stateless, bool* error)
{
    *error = false;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    // Where the last whole character ends.
    qsizetype whole = 0;
    while (whole < size) {
        if (!isLead(data[whole]))
            ++whole;
        else if (whole + 1 < size)
            whole += 2;
        else
            break;
    }
    QString text;
    // Mostly the whole text converts at once; otherwise character by character.
    if (!convert(bytes.constData(), int(whole), text)) {
        text.clear();
        const QChar replacement(QChar::ReplacementCharacter);
        for (qsizetype at = 0; at < whole;) {
            const qsizetype length = isLead(data[at]) && isTrail(data[at + 1]) ? 2 : 1;
            if (isLead(data[at]) && length == 1) {
                text += replacement; // the trail byte can never follow: read it afresh
                *error = true;
                ++at;
                continue;
            }
            if (!convert(bytes.constData() + at, int(length), text)) {
                text += replacement;
                *error = true;
            }
            at += length;
        }
    }
    if (whole < size && stateless) {
        text += QChar(QChar::ReplacementCharacter);
        *error = true;
    }
    return text;
}

std::optional<QByteArray> toGbk(const QString& text)
{
    if (text.isEmpty())
        return QByteArray();
    const std::wstring wide = text.toStdWString();
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), nullptr, 0,
                                         nullptr, &usedDefault);
    if (size <= 0 || usedDefault)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide.data(), int(wide.size()), bytes.data(), size, nullptr,
                        &usedDefault);
    if (usedDefault)
        return std::nullopt;
    return bytes;
}

} // namespace platform
