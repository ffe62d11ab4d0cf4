#pragma once

#include "platform/platform.h"

namespace fakes {

class FakeProgramFolder final : public platform::ProgramFolder {
public:
    QString path() const override { return folder; }
    QString folder = QStringLiteral("/opt/vesperon");
};

} // namespace fakes
