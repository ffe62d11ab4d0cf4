// "skin.txt" as read: any bytes give a field or nothing, never a field that
// runs past its line; and whatever the writer writes reads back as itself.

#include "platform/host/sequential_text.h"

#include <cstdint>
#include <cstdlib>

using namespace platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    if (const std::optional<QString> field = firstField(bytes.left(kMaxInputBytes))) {
        if (field->contains(u'\r') || field->contains(u'\n'))
            std::abort(); // a field ends at its line's end
        if (!bytes.startsWith('"') && field->contains(u','))
            std::abort(); // an unquoted field ends at a comma
    }

    // The same bytes as a name the program might write.
    const QString name = QString::fromUtf8(bytes);
    if (name.contains(u',') || name.contains(u'\r') || name.contains(u'\n') || name.startsWith(u'"'))
        return 0;
    if (const std::optional<QByteArray> written = printedItem(name)) {
        if (!written->endsWith("\r\n"))
            std::abort();
        if (firstField(*written) != name)
            std::abort(); // read back, it must be the name written
    }
    return 0;
}
