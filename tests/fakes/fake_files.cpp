#include "fake_files.h"

#include "platform/host/sequential_text.h"

namespace fakes {

using platform::FileMode;

bool FakeSequentialFiles::open(const QString& name, FileMode mode, int fileNumber)
{
    calls << QStringLiteral("open %1 %2 %3").arg(name, mode == FileMode::Input ? "input" : "output").arg(fileNumber);
    if (open_.contains(fileNumber)) {
        error = QStringLiteral("already open");
        return false;
    }
    if (mode == FileMode::Input && !disk.contains(name)) {
        error = QStringLiteral("No such file or directory");
        return false;
    }
    const QByteArray bytes = mode == FileMode::Input ? disk.value(name).left(platform::kMaxInputBytes) : QByteArray();
    open_.insert(fileNumber, {name, mode, bytes, platform::FieldReader(bytes)});
    return true;
}

std::optional<QString> FakeSequentialFiles::inputField(int fileNumber)
{
    calls << QStringLiteral("field %1").arg(fileNumber);
    auto found = open_.find(fileNumber);
    if (found == open_.end() || found->mode != FileMode::Input)
        return std::nullopt;
    return found->fields.next();
}

bool FakeSequentialFiles::print(int fileNumber, const QString& item)
{
    calls << QStringLiteral("print %1 %2").arg(fileNumber).arg(item);
    auto found = open_.find(fileNumber);
    const std::optional<QByteArray> bytes = platform::printedItem(item);
    if (found == open_.end() || found->mode != FileMode::Output || !bytes)
        return false;
    found->bytes += *bytes;
    return true;
}

bool FakeSequentialFiles::close(int fileNumber)
{
    calls << QStringLiteral("close %1").arg(fileNumber);
    if (!open_.contains(fileNumber))
        return false;
    const Open file = open_.take(fileNumber);
    if (file.mode == FileMode::Output) {
        if (unwritable.contains(file.name)) {
            error = QStringLiteral("No space left on device");
            return false;
        }
        disk.insert(file.name, file.bytes); // replaced as a whole
    }
    return true;
}

} // namespace fakes
