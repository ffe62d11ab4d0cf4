#include "sequential_text.h"

#include "code_page.h"

namespace platform {

namespace {

bool endsLine(QChar c) { return c == u'\r' || c == u'\n'; }

// Moves past the delimiter at `position`: a comma, or a line end (CR LF is one).
void skipDelimiter(const QString& text, qsizetype& position)
{
    if (position >= text.size())
        return;
    if (text[position] == u'\r' && position + 1 < text.size() && text[position + 1] == u'\n')
        position += 2;
    else
        position += 1;
}

} // namespace

std::optional<QString> decodeAnsi(const QByteArray& bytes)
{
    bool error = false;
    QString text = fromGbk(bytes, false, &error);
    if (error)
        return std::nullopt;
    return text;
}

std::optional<QByteArray> encodeAnsi(const QString& text) { return toGbk(text); }

std::optional<QString> readField(const QString& text, qsizetype& position)
{
    if (position < 0 || position >= text.size())
        return std::nullopt;
    QString field;
    qsizetype end = position;
    if (text[position] == u'"') {
        // Up to the closing quote, or the line's end when there is none.
        qsizetype stop = position + 1;
        while (stop < text.size() && text[stop] != u'"' && !endsLine(text[stop]))
            ++stop;
        field = text.mid(position + 1, stop - position - 1);
        end = stop < text.size() && text[stop] == u'"' ? stop + 1 : stop;
        while (end < text.size() && text[end] != u',' && !endsLine(text[end]))
            ++end;
    } else {
        while (end < text.size() && text[end] != u',' && !endsLine(text[end]))
            ++end;
        field = text.mid(position, end - position);
    }
    position = end;
    skipDelimiter(text, position);
    return field;
}

std::optional<QString> firstField(const QByteArray& bytes)
{
    const std::optional<QString> text = decodeAnsi(bytes);
    if (!text)
        return std::nullopt;
    qsizetype position = 0;
    return readField(*text, position);
}

std::optional<QByteArray> printedItem(const QString& item)
{
    std::optional<QByteArray> bytes = encodeAnsi(item);
    // Only what reads back as itself is written: a few characters share
    // their GBK bytes with others.
    if (!bytes || decodeAnsi(*bytes) != item)
        return std::nullopt;
    bytes->append("\r\n");
    return bytes;
}

} // namespace platform
