#include "start_line.h"

namespace platform {

namespace {

std::optional<QUrl> refuse(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return std::nullopt;
}

// Letters, digits and the punctuation of a plain address; none of these
// means anything to a command interpreter.
bool allowedInAddress(QChar c)
{
    if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9'))
        return true;
    return QStringView(u"-._~:/?#[]@!*+,=%").contains(c);
}

} // namespace

bool looksLikeStartLine(const QString& line) { return line.startsWith(QStringLiteral("cmd.exe /c start")); }

std::optional<QUrl> parseStartLine(const QString& line, QString* why)
{
    if (!line.startsWith(kStartPrefix))
        return refuse(why, QStringLiteral("not a start command line"));
    const QString address = line.mid(kStartPrefix.size());
    if (address.isEmpty())
        return refuse(why, QStringLiteral("the address is missing"));
    for (const QChar c : address)
        if (!allowedInAddress(c))
            return refuse(why, QStringLiteral("the address holds a character a plain address has not"));
    if (!address.startsWith(QStringLiteral("http://")) && !address.startsWith(QStringLiteral("https://")))
        return refuse(why, QStringLiteral("only http:// and https:// addresses are opened"));
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || (url.scheme() != u"http" && url.scheme() != u"https"))
        return refuse(why, QStringLiteral("not a valid web address"));
    return url;
}

} // namespace platform
