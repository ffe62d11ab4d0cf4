#pragma once
// Message boxes as Qt dialogs with the program's own Chinese buttons.

#include "platform/platform.h"

namespace platform {

class HostMessageBox final : public MessageBox {
public:
    int show(const QString& prompt, int flags, const QString& title = QString()) override;
    void notify(const QString& prompt, int flags, const QString& title) override;
};

} // namespace platform
