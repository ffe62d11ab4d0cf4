#pragma once
// The text of sequential files: the system's ANSI code page (GBK, code page
// 936, for this program), fields as they are read and items as they are
// printed. Pure functions, shared by the host's files and the tests' fakes.

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// At most this much of a file is read: the program reads one short field.
inline constexpr qsizetype kMaxInputBytes = 4096;

// GBK bytes as text; nothing when they hold a sequence that is no GBK. A
// character cut off at the end of the bytes is left out.
std::optional<QString> decodeAnsi(const QByteArray& bytes);
// Text as GBK bytes; nothing when it holds a character GBK does not have.
std::optional<QByteArray> encodeAnsi(const QString& text);

// The field that starts at `position` in `text`, and `position` moved past
// it and its delimiter. A field ends at a comma or at the end of its line
// (CR, LF or CR LF); a field that starts with a double quote ends at the
// next one (or at the line's end), the quotes are not part of it and what
// follows them up to the delimiter is skipped. A field never spans lines. No spaces are trimmed. A line that is empty is the
// empty field. Nothing at the end of the text.
std::optional<QString> readField(const QString& text, qsizetype& position);

// The fields of a file's bytes, one after the other (see readField). Each
// line is decoded from GBK on its own, when its first field is read: bytes
// that are no GBK spoil the fields of their own line only.
class FieldReader {
public:
    explicit FieldReader(QByteArray bytes = QByteArray()) : bytes_(std::move(bytes)) {}
    // The next field; nothing at the end of the bytes, or (with `badText`
    // set) for a field of a line that is no GBK text.
    std::optional<QString> next(bool* badText = nullptr);

private:
    QByteArray bytes_;
    qsizetype nextLine_ = 0;         // where the next line's bytes start
    std::optional<QString> line_;    // the line being read, with its line end
    qsizetype position_ = 0;         // in line_
};

// The first field of a file's bytes, from its first line (see FieldReader).
std::optional<QString> firstField(const QByteArray& bytes);

// The bytes that printing `item` as one item writes: its GBK bytes and CR LF.
// Nothing for a text that GBK cannot hold, or that would read back as
// another text.
std::optional<QByteArray> printedItem(const QString& item);

} // namespace platform
