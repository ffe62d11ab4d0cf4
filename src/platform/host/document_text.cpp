#include "internet.h"

#include "console.h"
#include "code_page.h"

#include <QStringDecoder>

namespace platform {

QString documentText(const QByteArray& bytes)
{
    // Stateless: a sequence cut off at the end is an error, not held back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    // Bytes that are not GBK either leave a replacement character, so that
    // such a text can never pass for a version.
    bool error = false;
    text = fromGbk(bytes, true, &error);
    if (error && !text.endsWith(QChar(QChar::ReplacementCharacter)))
        text += QChar(QChar::ReplacementCharacter);
    return text;
}

std::nullopt_t fetchFailed(QString& error, const QUrl& url, const QString& why)
{
    error = why;
    writeErrorLine(QStringLiteral("fetching %1 failed: %2").arg(url.toString(), why));
    return std::nullopt;
}

} // namespace platform
