#include "splash_window.h"

#include "info/texts.h"
#include "platform/colours.h"
#include "platform/design.h"
#include "platform/form_names.h"
#include "platform/twips.h"

namespace app {

using platform::twipsRect;

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& caption, const QRect& rect, std::uint32_t colour)
{
    auto* widget = platform::place(new platform::Label(caption, parent), name, rect);
    platform::setTextColour(widget, colour);
    return widget; // no background of its own: drawn straight over the picture
}

} // namespace

SplashWindow::SplashWindow(platform::Platform& platform, platform::Forms& forms)
    // A frameless tool window: no frame and no task-bar button from any window
    // manager (a splash-screen window type alone is left framed by some).
    : Form(nullptr, Qt::Tool | Qt::FramelessWindowHint), platform_(platform), forms_(forms)
{
    setObjectName(platform::names::kSplash);
    // It shows no title; assistive technology still names it.
    setAccessibleName(QStringLiteral("关机工具"));
    setFixedSize(platform::twipsSize(7545, 3000));
    setPicture(platform::builtInPicture(kPicture)); // the first frame, as a still picture

    Label1 = label(this, "Label1", QStringLiteral("关机工具V") + info::kVersion, twipsRect(5760, 2640, 1575, 255),
                   0x00ffffff);
    Label2 = label(this, "Label2", info::kContact, twipsRect(0, 0, 1575, 255), 0x00000000);
    Label3 = label(this, "Label3", info::kPortableEdition, twipsRect(0, 0, 1575, 255), 0x8000000b);
    Label4 = label(this, "Label4", QStringLiteral("换肤功能正式开启！！！！"), twipsRect(0, 2760, 2160, 180),
                   0x000000ff);
    Label4->adjustSize(); // sizes itself to its text

    // Precise: a coarse timer may fire up to 5 % late, 50 ms here.
    Timer1 = platform_.timers.create(QStringLiteral("HY.Timer1"), 1000, true, platform::TimerPrecision::Precise);
    Timer1->onTimer = [this] { onTimer1Timer(); };
}

void SplashWindow::onLoad()
{
    setBackColor(platform::colourFromValue(kColourKey));
    platform::WindowFunctions& windows = platform_.windows;
    windows.setWindowPos(hWnd(), platform::kHwndTopmost, 0, 0, 0, 0, platform::kSwpNoMove | platform::kSwpNoSize);
    const qint32 style = windows.getWindowLong(hWnd(), platform::kGwlExStyle);
    windows.setWindowLong(hWnd(), platform::kGwlExStyle, style | platform::kWsExLayered);
    windows.setLayeredWindowAttributes(hWnd(), kColourKey, 0, platform::kLwaColorKey);
}

void SplashWindow::onTimer1Timer()
{
    forms_.unload(platform::names::kSplash);
    forms_.show(platform::names::kMain);
}

} // namespace app
