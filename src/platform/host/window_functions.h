#pragma once
// Window sizes from code, in twips, on Qt's top-level windows.

#include "platform/platform.h"

namespace platform {

class HostWindowFunctions final : public WindowFunctions {
public:
    float width(const Form& window) const override;
    float height(const Form& window) const override;
    void setWidth(Form& window, float twips) override;
    void setHeight(Form& window, float twips) override;
};

} // namespace platform
