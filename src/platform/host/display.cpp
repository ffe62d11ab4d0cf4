#include "display.h"

#include "console.h"
#include "desktop.h"

#include <QList>
#include <QScreen>

#include <clocale>
#include <cstdlib>
#include <vector>

#include <unistd.h>

namespace platform {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

// While the application is being constructed, Qt's messages are held back:
// if the platform plugin cannot start, they are replaced by one line of ours;
// otherwise they go out as usual once the application exists.
QList<HeldMessage>* held = nullptr;
// QT_QPA_PLATFORM as the user set it (the program may ask Qt for another).
QByteArray userPlatform;

void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        writeErrorLine(noDisplayMessage(userPlatform, qgetenv("DISPLAY"), qgetenv("WAYLAND_DISPLAY")));
        ::_exit(1);
    }
    if (held)
        held->append({type, QByteArray(context.category ? context.category : "default"), text});
}

} // namespace

QString noDisplayMessage(const QByteArray& qpaPlatform, const QByteArray& display, const QByteArray& waylandDisplay)
{
    if (!qpaPlatform.isEmpty())
        return QStringLiteral("无法打开图形显示（QT_QPA_PLATFORM=%1）。 / cannot open the display (QT_QPA_PLATFORM=%1).")
            .arg(QString::fromLocal8Bit(qpaPlatform));
    if (display.isEmpty() && waylandDisplay.isEmpty())
        return QStringLiteral("没有图形显示：DISPLAY 和 WAYLAND_DISPLAY 都没有设置。"
                              " / no display: neither DISPLAY nor WAYLAND_DISPLAY is set.");
    const QString name = QString::fromLocal8Bit(waylandDisplay.isEmpty() ? display : waylandDisplay);
    return QStringLiteral("无法连接图形显示 %1。 / cannot connect to the display %1.").arg(name);
}

StartArguments settleEnvironment(int argc, char** argv)
{
    if (const QByteArray scale = scaleFactorForThisDesktop(); !scale.isEmpty())
        qputenv("QT_SCALE_FACTOR", scale); // the desktop's own scale, as its programs take it
    settleDrawing();
#ifdef Q_OS_UNIX
    std::setlocale(LC_ALL, ""); // what Qt does as the application is made
    if (const char* id = std::getenv("DESKTOP_STARTUP_ID")) {
        const std::string value(id);
        ::unsetenv("DESKTOP_STARTUP_ID");
        ::setenv("DESKTOP_STARTUP_ID", value.c_str(), 1); // now the last
    }
#endif
    userPlatform = qgetenv("QT_QPA_PLATFORM");
    // The desktop's platform is asked for in the arguments, which are not
    // passed on to the programs the program starts (a browser, say).
    static std::vector<char*> arguments;
    static QByteArray chosen;
    arguments.assign(argv, argv + argc);
    chosen = platformForThisDesktop(argc, argv);
    if (!chosen.isEmpty()) {
        static char option[] = "-platform";
        arguments.insert(arguments.begin() + 1, {option, chosen.data()});
    }
    arguments.push_back(nullptr);
    return {int(arguments.size()) - 1, arguments.data()};
}

std::unique_ptr<QApplication> openDisplay(int& argc, char** argv)
{
    QList<HeldMessage> messages;
    held = &messages;
    const QtMessageHandler previous = qInstallMessageHandler(holdMessage);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    held = nullptr;
    for (const HeldMessage& message : std::as_const(messages)) {
        const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
        qt_message_output(message.type, context, message.text);
    }
    // Qt's own style cannot paint on a display of fewer colours (it crashes
    // drawing a frame): the same answer as for no display at all.
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && screen->depth() < kLeastColourDepth) {
        writeErrorLine(QStringLiteral("图形显示只有 %1 位色，本程序至少需要 %2 位。 / the display has %1-bit colour;"
                                      " the program needs at least %2.")
                           .arg(screen->depth())
                           .arg(kLeastColourDepth));
        ::_exit(1);
    }
    return application;
}

} // namespace platform
