#pragma once
// Sequential files on the host's file system: input read without blocking
// and without bound on nothing, output replaced atomically.

#include "platform/platform.h"
#include "regular_files.h"

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

} // namespace platform
