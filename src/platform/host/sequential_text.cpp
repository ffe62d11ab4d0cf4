#include "sequential_text.h"

#include "platform/host/code_page.h"

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

std::optional<QString> FieldReader::next(bool* badText)
{
    if (badText)
        *badText = false;
    if (!line_ || position_ >= line_->size()) {
        if (nextLine_ >= bytes_.size() && line_)
            return std::nullopt;
        // Up to and with the line end. No GBK character has a CR or LF byte
        // in it, so those bytes end a line wherever they are.
        qsizetype end = nextLine_;
        while (end < bytes_.size() && bytes_[end] != '\r' && bytes_[end] != '\n')
            ++end;
        if (end < bytes_.size())
            end += bytes_[end] == '\r' && end + 1 < bytes_.size() && bytes_[end + 1] == '\n' ? 2 : 1;
        line_ = decodeAnsi(bytes_.mid(nextLine_, end - nextLine_));
        nextLine_ = end;
        position_ = 0;
        if (!line_) {
            line_ = QString(); // read; the next field starts on the next line
            if (badText)
                *badText = true;
            return std::nullopt;
        }
    }
    return readField(*line_, position_);
}

std::optional<QString> firstField(const QByteArray& bytes) { return FieldReader(bytes).next(); }

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
