#pragma once
// Window sizes kept in twips, exactly as set: no pixels, no window manager.

#include "platform/forms.h"
#include "platform/twips.h"

#include <QHash>
#include <QSizeF>
#include <QStringList>

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

    bool setWindowPos(platform::WindowHandle window, qintptr insertAfter, int x, int y, int cx, int cy,
                      quint32 flags) override
    {
        record(QStringLiteral("SetWindowPos %1 %2 %3 %4 %5 %6 %7")
                   .arg(name(window)).arg(insertAfter).arg(x).arg(y).arg(cx).arg(cy).arg(flags), window);
        return platform::Form::fromHandle(window) != nullptr;
    }
    qint32 getWindowLong(platform::WindowHandle window, int index) override
    {
        record(QStringLiteral("GetWindowLongA %1 %2").arg(name(window)).arg(index), window);
        return exStyles.value(window, initialExStyle);
    }
    qint32 setWindowLong(platform::WindowHandle window, int index, qint32 value) override
    {
        record(QStringLiteral("SetWindowLongA %1 %2 0x%3").arg(name(window)).arg(index).arg(quint32(value), 0, 16),
               window);
        const qint32 before = exStyles.value(window, initialExStyle);
        exStyles[window] = value;
        return before;
    }
    bool setLayeredWindowAttributes(platform::WindowHandle window, quint32 colourKey, quint8 alpha,
                                    quint32 flags) override
    {
        record(QStringLiteral("SetLayeredWindowAttributes %1 0x%2 %3 %4")
                   .arg(name(window))
                   .arg(colourKey, 8, 16, QLatin1Char('0'))
                   .arg(alpha)
                   .arg(flags),
               window);
        // Carried out as the host does on X11 without a compositor.
        if (platform::Form* form = platform::Form::fromHandle(window); form && (flags & platform::kLwaColorKey))
            form->setColourKey(QColor(colourKey & 0xff, (colourKey >> 8) & 0xff, (colourKey >> 16) & 0xff),
                               platform::ColourKeyMode::ShapeMask);
        return true;
    }

    // The window functions called, in order, windows named by their object
    // names; and each window's BackColor at the time of each call.
    QStringList calls;
    QStringList backColors;
    QHash<platform::WindowHandle, qint32> exStyles;
    qint32 initialExStyle = 0x100; // some bits a window has before, which must be kept

    // A window's outer size in twips; until set, its frame's size.
    QSizeF size(const platform::Form& window) const
    {
        const QRect frame = window.frameGeometry();
        return sizes.value(&window, QSizeF(frame.width() * platform::kTwipsPerPixel,
                                           frame.height() * platform::kTwipsPerPixel));
    }

    QHash<const platform::Form*, QSizeF> sizes;
    int sets = 0;

private:
    static QString name(platform::WindowHandle window)
    {
        const platform::Form* form = platform::Form::fromHandle(window);
        return form ? form->objectName() : QStringLiteral("?");
    }
    void record(const QString& call, platform::WindowHandle window)
    {
        calls << call;
        const platform::Form* form = platform::Form::fromHandle(window);
        backColors << (form ? form->backColor().name() : QString());
    }
};

class FakeProgram final : public platform::Program {
public:
    // Recorded; the fake returns, so a test sees what the caller did next.
    void end() override { ++ends; }
    int ends = 0;
};

} // namespace fakes
