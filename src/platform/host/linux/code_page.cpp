#include "platform/host/code_page.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace platform {

QString fromGbk(const QByteArray& bytes, bool stateless, bool* error)
{
    QStringDecoder decoder("GBK", stateless ? QStringConverter::Flag::Stateless : QStringConverter::Flag::Default);
    if (!decoder.isValid()) {
        *error = true;
        return QString::fromLatin1(bytes);
    }
    QString text = decoder.decode(bytes);
    *error = decoder.hasError();
    return text;
}

std::optional<QByteArray> toGbk(const QString& text)
{
    QStringEncoder encoder("GBK");
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

} // namespace platform
