#include "desktop.h"

#include <QGuiApplication>
#include <QList>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <cstring>

namespace platform {

DesktopKind desktopKind(const QByteArray& currentDesktop)
{
    for (const QByteArray& name : currentDesktop.split(':')) {
        const QByteArray lower = name.trimmed().toLower();
        if (lower == "gnome")
            return DesktopKind::Gnome;
        if (lower == "kde")
            return DesktopKind::Plasma;
        if (lower == "xfce")
            return DesktopKind::Xfce;
        if (lower == "ukui")
            return DesktopKind::Ukui;
    }
    return DesktopKind::Other;
}

QByteArray platformForDesktop(DesktopKind desktop, const QByteArray& waylandDisplay, const QByteArray& display,
                              bool userChoice)
{
    if (userChoice || waylandDisplay.isEmpty() || display.isEmpty())
        return {};
    switch (desktop) {
    case DesktopKind::Gnome:
    case DesktopKind::Plasma: return QByteArrayLiteral("xcb;wayland");
    case DesktopKind::Xfce:
    case DesktopKind::Ukui:
    case DesktopKind::Other: break;
    }
    return {};
}

QByteArray scaleFactorForDesktop(DesktopKind desktop, std::optional<qint32> windowScaling,
                                 std::optional<double> xftDpi, bool userChoice)
{
    if (userChoice || (desktop != DesktopKind::Xfce && desktop != DesktopKind::Ukui) || !windowScaling
        || *windowScaling <= 1 || *windowScaling > 8)
        return {};
    const double already = xftDpi && *xftDpi > 96.0 ? *xftDpi / 96.0 : 1.0;
    const double wanted = *windowScaling / already;
    if (wanted < 1.05)
        return {};
    return QByteArray::number(wanted, 'g', 4);
}

QByteArray scaleFactorForThisDesktop()
{
    const bool userChoice =
        !qgetenv("QT_SCALE_FACTOR").isEmpty() || !qgetenv("QT_SCREEN_SCALE_FACTORS").isEmpty();
    const DesktopKind desktop = desktopKind(qgetenv("XDG_CURRENT_DESKTOP"));
    if (userChoice || (desktop != DesktopKind::Xfce && desktop != DesktopKind::Ukui) || qgetenv("DISPLAY").isEmpty())
        return {};
    const DesktopScaling scaling = desktopScaling();
    return scaleFactorForDesktop(desktop, scaling.windowScaling, scaling.xftDpi, userChoice);
}

QByteArray platformForThisDesktop(int argc, char** argv)
{
    bool userChoice = !qgetenv("QT_QPA_PLATFORM").isEmpty();
    for (int i = 1; i < argc && argv[i]; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "-platform") == 0 || std::strcmp(argument, "--platform") == 0)
            userChoice = true;
    }
    QByteArray waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    if (waylandDisplay.isEmpty() && qgetenv("XDG_SESSION_TYPE") == "wayland")
        waylandDisplay = "wayland-0"; // where Qt looks when it is not told
    return platformForDesktop(desktopKind(qgetenv("XDG_CURRENT_DESKTOP")), waylandDisplay, qgetenv("DISPLAY"),
                              userChoice);
}

namespace {

// The frame of the windows shown so far, where the window manager did not
// tell it beforehand.
QMarginsF learnedFrame;

// Where a window of `outer` size goes in the middle of the window `over`
// (its frame), or of the screen's work area: computed exactly, and rounded
// once, so that the window stands within a pixel of the middle at any scale.
QPointF centredTopLeft(const QSizeF& outer, const QWidget* over = nullptr)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRectF area = over ? over->frameGeometry() : screen ? screen->availableGeometry() : QRect();
    return area.center() - QPointF(outer.width() / 2, outer.height() / 2);
}

QSizeF grownBy(const QSize& size, const QMarginsF& frame)
{
    return QSizeF(size.width() + frame.left() + frame.right(), size.height() + frame.top() + frame.bottom());
}

// Where the window manager does not tell the frame beforehand (KWin), the
// first framed window is centred again once its frame is known, and the frame
// is remembered for the windows after it.
class CentreWhenFramed final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWidget*>(watched);
        if (watched != parent() || (event->type() != QEvent::Move && event->type() != QEvent::Resize))
            return false;
        const QMargins frame = window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
        if (frame.isNull())
            return false; // not framed yet
        learnedFrame = QMarginsF(frame);
        const QRect outer = window->frameGeometry();
        const QPoint wanted = centredTopLeft(grownBy(window->size(), learnedFrame)).toPoint();
        if ((outer.topLeft() - wanted).manhattanLength() > 1)
            window->move(wanted);
        deleteLater();
        return false;
    }
};

} // namespace

namespace {

void centre(QWidget& window, const QWidget* over)
{
    const QMarginsF frame = expectedFrame(window);
    const QPointF topLeft = centredTopLeft(grownBy(window.size(), frame), over);
    if (frame.isNull() || !window.testAttribute(Qt::WA_WState_Created))
        window.move(topLeft.toPoint()); // by its frame, where Qt knows of one
    else // a window that is made already (a box at its show): by its client area
        window.setGeometry(QRect((topLeft + QPointF(frame.left(), frame.top())).toPoint(), window.size()));
    if (frame.isNull() && framedByWindowManager(window) && !over)
        window.installEventFilter(new CentreWhenFramed(&window));
}

} // namespace

void centreOnScreen(QWidget& window) { centre(window, nullptr); }

namespace {

// At the box's first show, before it is mapped: the box handles its show
// first (a message box fixes its size there), then it is put in its place.
class CentreAtShow final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show || watched != parent())
            return false;
        auto* box = static_cast<QWidget*>(watched);
        box->removeEventFilter(this);
        QCoreApplication::sendEvent(box, event);
        const QWidget* over = box->parentWidget() ? box->parentWidget()->window() : nullptr;
        centre(*box, over && over->isVisible() ? over : nullptr);
        deleteLater();
        return true; // handled above
    }
};

} // namespace

void prepareBox(QWidget& box)
{
    if (!box.parentWidget() && framedByWindowManager(box))
        box.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint);
    box.installEventFilter(new CentreAtShow(&box));
}

QMarginsF expectedFrame(QWidget& window)
{
    if (!framedByWindowManager(window))
        return {};
    if (const std::optional<QMarginsF> frame = frameAnnouncedByWindowManager(window))
        return *frame;
    return learnedFrame;
}

} // namespace platform
