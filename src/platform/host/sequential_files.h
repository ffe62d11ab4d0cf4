#pragma once
// Sequential files on the host's file system: input read without blocking
// and without bound on nothing, output replaced atomically.

#include "platform/platform.h"

#include <QMap>

#include <memory>


namespace platform {

class HostSequentialFiles final : public SequentialFiles {
public:
    HostSequentialFiles();
    ~HostSequentialFiles() override;
    bool open(const QString& name, FileMode mode, int fileNumber) override;
    std::optional<QString> inputField(int fileNumber) override;
    bool print(int fileNumber, const QString& item) override;
    bool close(int fileNumber) override;
    QString lastError() const override { return error_; }

private:
    struct OpenFile;
    bool fail(const QString& why);

    QMap<int, std::shared_ptr<OpenFile>> open_;
    QString error_;
};

// Reads at most `limit` bytes from the start of the file `name`, which must
// be a regular file: a FIFO, a device, a socket or a folder (also behind a
// link) is refused at once, never waited on. On failure returns nothing and
// puts the reason in `why`.
std::optional<QByteArray> readRegularFile(const QString& name, qsizetype limit, QString* why);

// Replaces the file `name` with `bytes` as a whole, or leaves it as it was:
// a new file is written beside it, checked to the disk and only then put in
// its place. Only a regular file (or no file yet) is replaced; through a
// link, the regular file it names. A FIFO, a device, a folder, a link to
// one of those or to nothing is refused. On failure returns false and puts
// the reason in `why`.
bool replaceRegularFile(const QString& name, const QByteArray& bytes, QString* why);

} // namespace platform
