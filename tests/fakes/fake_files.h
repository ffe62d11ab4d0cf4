#pragma once
// Sequential files kept in memory, by name, with the real text rules (GBK,
// fields, CR LF). Every call is recorded; a test can make opens or closes
// fail.

#include "platform/platform.h"
#include "platform/host/sequential_text.h"

#include <QMap>
#include <QSet>
#include <QStringList>

namespace fakes {

class FakeSequentialFiles final : public platform::SequentialFiles {
public:
    bool open(const QString& name, platform::FileMode mode, int fileNumber) override;
    std::optional<QString> inputField(int fileNumber) override;
    bool print(int fileNumber, const QString& item) override;
    bool close(int fileNumber) override;
    QString lastError() const override { return error; }

    // The files, as bytes on "disk".
    QMap<QString, QByteArray> disk;
    // Calls, in order: "open skin.txt input 1", "field 1", "print 1 大海",
    // "close 1".
    QStringList calls;
    QSet<QString> unwritable; // names whose output fails at close, as a full disk would
    QString error;

private:
    struct Open {
        QString name;
        platform::FileMode mode;
        QByteArray bytes; // output: what was printed
        platform::FieldReader fields;
    };
    QMap<int, Open> open_;
};

} // namespace fakes
