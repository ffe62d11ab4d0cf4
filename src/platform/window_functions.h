#pragma once
// The window functions on the program's windows: sizes from code, in twips,
// on Qt's top-level windows; z-order, styles and the colour key, through the
// window system where it keeps them (host/window_system.h).

#include "forms.h"
#include "platform.h"

namespace platform {

class FormWindowFunctions final : public WindowFunctions {
public:
    float width(const Form& window) const override;
    float height(const Form& window) const override;
    void setWidth(Form& window, float twips) override;
    void setHeight(Form& window, float twips) override;
    bool setWindowPos(WindowHandle window, qintptr insertAfter, int x, int y, int cx, int cy,
                      quint32 flags) override;
    qint32 getWindowLong(WindowHandle window, int index) override;
    qint32 setWindowLong(WindowHandle window, int index, qint32 value) override;
    bool setLayeredWindowAttributes(WindowHandle window, quint32 colourKey, quint8 alpha, quint32 flags) override;
};

} // namespace platform
