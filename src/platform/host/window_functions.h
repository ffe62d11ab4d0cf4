#pragma once
// Window sizes from code, in twips, on Qt's top-level windows.

#include "platform/forms.h"
#include "platform/platform.h"

namespace platform {

class HostWindowFunctions final : public WindowFunctions {
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

// How the desktop the program runs on can make a colour fully transparent:
// per-pixel alpha where a compositor draws the windows (always on Wayland;
// on X11 when a compositing manager owns _NET_WM_CM_S0), else a shape mask.
ColourKeyMode colourKeyModeOfDesktop();

} // namespace platform
