#pragma once
// Window sizes kept in twips, exactly as set: no pixels, no window manager.

#include "platform/forms.h"
#include "platform/twips.h"

#include <QHash>
#include <QSizeF>

namespace fakes {

class FakeWindowFunctions final : public platform::WindowFunctions {
public:
    float width(const platform::Form& window) const override { return size(window).width(); }
    float height(const platform::Form& window) const override { return size(window).height(); }
    void setWidth(platform::Form& window, float twips) override
    {
        sizes[&window] = QSizeF(twips, size(window).height());
        ++sets;
    }
    void setHeight(platform::Form& window, float twips) override
    {
        sizes[&window] = QSizeF(size(window).width(), twips);
        ++sets;
    }

    // A window's outer size in twips; until set, its frame's size.
    QSizeF size(const platform::Form& window) const
    {
        const QRect frame = window.frameGeometry();
        return sizes.value(&window, QSizeF(frame.width() * platform::kTwipsPerPixel,
                                           frame.height() * platform::kTwipsPerPixel));
    }

    QHash<const platform::Form*, QSizeF> sizes;
    int sets = 0;
};

class FakeProgram final : public platform::Program {
public:
    // Recorded; the fake returns, so a test sees what the caller did next.
    void end() override { ++ends; }
    int ends = 0;
};

} // namespace fakes
