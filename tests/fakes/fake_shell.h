#pragma once
// Records every command line with its window style; starts nothing.

#include "platform/platform.h"

#include <QList>

namespace fakes {

struct RecordedCommand {
    QString line;
    int windowStyle = 0;
    friend bool operator==(const RecordedCommand&, const RecordedCommand&) = default;
};

class FakeShell final : public platform::Shell {
public:
    void run(const QString& commandLine, int windowStyle) override { commands.append({commandLine, windowStyle}); }
    QList<RecordedCommand> commands;
};

} // namespace fakes
