// The host's notification area, window sizes and close signals, on Qt's
// offscreen platform.

#include "platform/forms.h"
#include "platform/host/close_signals.h"
#include "platform/host/desktop.h"
#include "platform/host/display.h"
#include "platform/host/linux/tray_icon.h"
#include "platform/host/linux/xsettings.h"
#include "platform/host/tray_icon.h"
#include "platform/window_functions.h"

#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include <unistd.h>

using namespace platform;

class TestHostWindows : public QObject {
    Q_OBJECT

private slots:
    void trayEventsBecomeMouseMessages();
    void repeatedAddAndDeleteAreRefused();
    void sizesAskedForAreWhatIsReadBack();
    void signalsBecomeRequestsOnTheEventLoop();
    void colourKeyCutsOutExactlyTheKeyColour();
    void colourKeyAsAlphaIsTransparentExactlyThere();
    void windowFunctionsGiveTopmostAndLayered();
    void platformChosenPerDesktop();
};

namespace {

// A splash-like window: 503 × 200 on the key colour, a 500 × 200 picture
// with one pixel of the key colour and one a step away from it.
std::unique_ptr<Form> keyedWindow(ColourKeyMode mode)
{
    auto form = std::make_unique<Form>(nullptr, Qt::FramelessWindowHint);
    form->setFixedSize(503, 200);
    QImage image(500, 200, QImage::Format_RGB32);
    image.fill(QColor(30, 60, 120));
    image.setPixelColor(5, 5, QColor(88, 88, 88));
    image.setPixelColor(6, 5, QColor(88, 88, 89));
    form->setBackColor(QColor(88, 88, 88));
    form->setPicture({QPixmap::fromImage(image), QStringLiteral("test")});
    form->setColourKey(QColor(88, 88, 88), mode);
    return form;
}

} // namespace

void TestHostWindows::trayEventsBecomeMouseMessages()
{
    using R = QSystemTrayIcon;
    const QList<int> none;
    // An XEmbed tray: a click is a left press and release; only the double
    // click carries the double-click code.
    QCOMPARE(mouseCodesFor(R::Trigger, false), QList<int>({513, 514}));
    QCOMPARE(mouseCodesFor(R::DoubleClick, false), QList<int>({515, 514}));
    QCOMPARE(mouseCodesFor(R::Context, false), QList<int>({516, 517}));
    QCOMPARE(mouseCodesFor(R::MiddleClick, false), QList<int>({519, 520}));
    QCOMPARE(mouseCodesFor(R::Unknown, false), none);
    // A StatusNotifier host never reports a double click: its activation
    // brings the window back.
    QCOMPARE(mouseCodesFor(R::Trigger, true), QList<int>({515}));
    QCOMPARE(mouseCodesFor(R::Context, true), QList<int>({516, 517}));
    QCOMPARE(mouseCodesFor(R::MiddleClick, true), QList<int>({519, 520}));
}

void TestHostWindows::repeatedAddAndDeleteAreRefused()
{
    Form window;
    QPixmap picture(16, 16);
    picture.fill(Qt::blue);
    TrayRecord record;
    record.cbSize = 28;
    record.hWnd = window.hWnd();
    record.uID = 1;
    record.uFlags = kNifMessage | kNifIcon | kNifTip;
    record.uCallbackMessage = kWmMouseMove;
    record.hIcon = QIcon(picture);

    HostNotificationArea area(postMouseMessage);
    QVERIFY(area.notifyIcon(kNimAdd, record));
    QVERIFY(!area.notifyIcon(kNimAdd, record)); // already there
    TrayRecord second = record;
    second.uID = 2;
    QVERIFY(area.notifyIcon(kNimAdd, second)); // another icon of the window
    QVERIFY(area.notifyIcon(kNimDelete, record));
    QVERIFY(!area.notifyIcon(kNimDelete, record)); // gone already
    QVERIFY(area.notifyIcon(kNimAdd, record));     // and can come back
    QVERIFY(!area.notifyIcon(7, record));          // no such message
}

void TestHostWindows::sizesAskedForAreWhatIsReadBack()
{
    Form window;
    window.setFixedSize(246, 298);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    FormWindowFunctions windows;
    const QRect frame = window.frameGeometry();
    const QSize decoration = frame.size() - window.size();
    QCOMPARE(windows.width(window), float(frame.width() * 15));
    QCOMPARE(windows.height(window), float(frame.height() * 15));

    const QPoint topLeft = window.pos();
    windows.setWidth(window, windows.width(window) - 100);
    windows.setHeight(window, windows.height(window) - 100);
    QCOMPARE(windows.width(window), float(frame.width() * 15 - 100));
    QCOMPARE(windows.height(window), float(frame.height() * 15 - 100));
    // The window keeps whole pixels, and its top-left corner.
    QCOMPARE(window.width(), 246 - 7);
    QCOMPARE(window.height(), 298 - 7);
    QCOMPARE(window.pos(), topLeft);

    // Far smaller than its contents or any frame: a pixel, and what was
    // asked for is still what is read.
    windows.setWidth(window, 600);
    windows.setHeight(window, -300);
    QCOMPARE(windows.width(window), 600.0f);
    QCOMPARE(windows.height(window), -300.0f);
    QCOMPARE(window.width(), 40 - decoration.width());
    QCOMPARE(window.height(), 1);
}

void TestHostWindows::signalsBecomeRequestsOnTheEventLoop()
{
    QList<int> requests;
    {
        CloseSignals signals_([&](int number) { requests << number; });
        std::raise(SIGTERM);
        std::raise(SIGHUP);
        QVERIFY(requests.isEmpty()); // not inside the signal handler
        QTRY_COMPARE(requests, QList<int>({SIGTERM, SIGHUP}));
        std::raise(SIGINT);
        QTRY_COMPARE(requests.size(), 3);
        QCOMPARE(requests.last(), SIGINT);
    }
    // Afterwards the default actions are back.
    struct sigaction action {};
    sigaction(SIGTERM, nullptr, &action);
    QVERIFY(action.sa_handler == SIG_DFL);
}

void TestHostWindows::colourKeyCutsOutExactlyTheKeyColour()
{
    auto form = keyedWindow(ColourKeyMode::ShapeMask);
    form->show();
    // The shape is made before the window first shows.
    const QRegion shape = form->mask();
    QVERIFY(!shape.isEmpty());
    QVERIFY(!shape.contains(QPoint(501, 100))); // the strip the picture leaves
    QVERIFY(!shape.contains(QPoint(5, 5)));     // a key-coloured picture pixel
    QVERIFY(shape.contains(QPoint(6, 5)));      // RGB(88, 88, 89) stays
    QVERIFY(shape.contains(QPoint(250, 100)));
    QVERIFY(shape.contains(QPoint(499, 199)));
}

void TestHostWindows::colourKeyAsAlphaIsTransparentExactlyThere()
{
    auto form = keyedWindow(ColourKeyMode::Alpha);
    QVERIFY(form->testAttribute(Qt::WA_TranslucentBackground));
    const QImage drawn = form->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(qAlpha(drawn.pixel(501, 100)), 0);
    QCOMPARE(qAlpha(drawn.pixel(5, 5)), 0);
    QCOMPARE(drawn.pixel(6, 5), qRgb(88, 88, 89));
    QCOMPARE(drawn.pixel(250, 100), qRgb(30, 60, 120));
    QVERIFY(form->mask().isEmpty()); // no shape needed
}

void TestHostWindows::windowFunctionsGiveTopmostAndLayered()
{
    Form window;
    FormWindowFunctions windows;
    const WindowHandle handle = window.hWnd();
    QVERIFY(!window.testAttribute(Qt::WA_WState_Created)); // the handle made no native window
    QVERIFY(windows.setWindowPos(handle, kHwndTopmost, 0, 0, 0, 0, kSwpNoMove | kSwpNoSize));
    QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
    // Not layered yet: no colour key.
    QVERIFY(!windows.setLayeredWindowAttributes(handle, 0x00585858, 0, kLwaColorKey));
    QCOMPARE(window.colourKeyMode(), ColourKeyMode::None);
    const qint32 style = windows.getWindowLong(handle, kGwlExStyle);
    QCOMPARE(windows.setWindowLong(handle, kGwlExStyle, style | kWsExLayered), style);
    QCOMPARE(windows.getWindowLong(handle, kGwlExStyle), style | kWsExLayered);
    QVERIFY(windows.setLayeredWindowAttributes(handle, 0x00585858, 0, kLwaColorKey));
    QCOMPARE(window.colourKey(), QColor(88, 88, 88));
    QVERIFY(window.colourKeyMode() != ColourKeyMode::None);
    QCOMPARE(window.windowOpacity(), 1.0); // the alpha value is not used without its flag
    // A handle no window has.
    QVERIFY(!windows.setWindowPos(0x7fff0000, kHwndTopmost, 0, 0, 0, 0, 3));
}

void TestHostWindows::platformChosenPerDesktop()
{
    using platform::DesktopKind;
    QCOMPARE(platform::desktopKind("GNOME"), DesktopKind::Gnome);
    QCOMPARE(platform::desktopKind("ubuntu:GNOME"), DesktopKind::Gnome);
    QCOMPARE(platform::desktopKind("GNOME-Classic:GNOME"), DesktopKind::Gnome);
    QCOMPARE(platform::desktopKind("KDE"), DesktopKind::Plasma);
    QCOMPARE(platform::desktopKind("sway"), DesktopKind::Other);
    QCOMPARE(platform::desktopKind(""), DesktopKind::Other);
    // XWayland on GNOME and Plasma; never where the user chose, where there is
    // no X display or no Wayland session, or on other desktops.
    QCOMPARE(platform::platformForDesktop(DesktopKind::Gnome, "wayland-0", ":0", false), QByteArray("xcb;wayland"));
    QCOMPARE(platform::platformForDesktop(DesktopKind::Plasma, "wayland-0", ":1", false), QByteArray("xcb;wayland"));
    QVERIFY(platform::platformForDesktop(DesktopKind::Gnome, "wayland-0", ":0", true).isEmpty());
    QVERIFY(platform::platformForDesktop(DesktopKind::Gnome, "wayland-0", "", false).isEmpty());
    QVERIFY(platform::platformForDesktop(DesktopKind::Plasma, "", ":0", false).isEmpty());
    QVERIFY(platform::platformForDesktop(DesktopKind::Other, "wayland-1", ":0", false).isEmpty());

    // Xfce and UKUI: their own scale, where neither the user nor Xft.dpi
    // (which Qt follows by itself) says it already.
    QCOMPARE(platform::scaleFactorForDesktop(DesktopKind::Xfce, 2, std::nullopt, false), QByteArray("2"));
    QCOMPARE(platform::scaleFactorForDesktop(DesktopKind::Ukui, 2, 120.0, false), QByteArray("1.6"));
    QVERIFY(platform::scaleFactorForDesktop(DesktopKind::Ukui, 2, 192.0, false).isEmpty());
    QVERIFY(platform::scaleFactorForDesktop(DesktopKind::Xfce, 2, std::nullopt, true).isEmpty());
    QVERIFY(platform::scaleFactorForDesktop(DesktopKind::Xfce, 1, std::nullopt, false).isEmpty());
    QVERIFY(platform::scaleFactorForDesktop(DesktopKind::Gnome, 2, std::nullopt, false).isEmpty());
    QCOMPARE(platform::desktopKind("XFCE"), DesktopKind::Xfce);
    QCOMPARE(platform::desktopKind("UKUI"), DesktopKind::Ukui);

    // XSETTINGS as a settings daemon publishes them, in either byte order;
    // cut short anywhere, what is read is never wrong.
    for (const bool big : {false, true}) {
        QByteArray bytes;
        const auto card = [&](quint32 value, int size) {
            for (int i = 0; i < size; ++i)
                bytes.append(char(value >> (8 * (big ? size - 1 - i : i))));
        };
        const auto name = [&](int type, const QByteArray& text) {
            card(quint32(type), 1);
            card(0, 1);
            card(quint32(text.size()), 2);
            bytes.append(text).append(QByteArray((4 - text.size() % 4) % 4, '\0'));
            card(7, 4); // last change
        };
        card(big ? 1 : 0, 1);
        card(0, 3);
        card(42, 4); // serial
        card(4, 4);  // settings
        name(1, "Net/ThemeName");
        card(7, 4);
        bytes.append("Adwaita").append('\0');
        name(2, "Gtk/Colour");
        card(0xffff, 2), card(0, 2), card(0, 2), card(0xffff, 2);
        name(0, "Gdk/WindowScalingFactor");
        card(2, 4);
        name(0, "Xft/DPI");
        card(98304, 4);
        const QMap<QByteArray, qint32> whole = platform::xsettingsIntegers(bytes);
        QCOMPARE(whole, (QMap<QByteArray, qint32>{{"Gdk/WindowScalingFactor", 2}, {"Xft/DPI", 98304}}));
        for (qsizetype cut = 0; cut < bytes.size(); ++cut) {
            const QMap<QByteArray, qint32> part = platform::xsettingsIntegers(bytes.left(cut));
            for (auto it = part.begin(); it != part.end(); ++it)
                QCOMPARE(it.value(), whole.value(it.key()));
        }
    }

    // Settled before the font thread starts: the choice goes into the
    // arguments, not the environment, and the variable Qt's X11 platform
    // takes out of the environment as the display opens stands last.
    const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP"), wayland = qgetenv("WAYLAND_DISPLAY"),
                     display = qgetenv("DISPLAY"), chosen = qgetenv("QT_QPA_PLATFORM");
    qunsetenv("QT_QPA_PLATFORM"); // the tests' offscreen: the user's choice
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");
    qputenv("WAYLAND_DISPLAY", "wayland-9");
    qputenv("DISPLAY", ":9");
    qputenv("DESKTOP_STARTUP_ID", "launcher-1");
    qputenv("VESPERON_SET_AFTER", "1");
    char program[] = "vesperon";
    char* argv[] = {program, nullptr};
    const platform::StartArguments arguments = platform::settleEnvironment(1, argv);
    QCOMPARE(arguments.argc, 3);
    QCOMPARE(QByteArray(arguments.argv[1]) + ' ' + arguments.argv[2], QByteArray("-platform xcb;wayland"));
    QVERIFY(!arguments.argv[3]);
    QVERIFY(!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
    char** last = environ;
    while (last[1])
        ++last;
    QCOMPARE(QByteArray(*last), QByteArray("DESKTOP_STARTUP_ID=launcher-1"));
    qputenv("XDG_CURRENT_DESKTOP", desktop);
    qputenv("WAYLAND_DISPLAY", wayland);
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", chosen);
}

QTEST_MAIN(TestHostWindows)
#include "test_host_windows.moc"
