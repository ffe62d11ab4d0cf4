#include "internet.h"

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
    QStringDecoder gbk("GBK", QStringConverter::Flag::Stateless);
    if (!gbk.isValid())
        return QString::fromLatin1(bytes) + QChar(QChar::ReplacementCharacter);
    text = gbk.decode(bytes);
    if (gbk.hasError() && !text.endsWith(QChar(QChar::ReplacementCharacter)))
        text += QChar(QChar::ReplacementCharacter);
    return text;
}

} // namespace platform
