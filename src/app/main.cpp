#include "app/main_window.h"
#include "start_up.h"
#include "platform/accessibility.h"
#include "platform/design.h"
#include "platform/fonts.h"
#include "platform/form_names.h"
#include "platform/forms.h"
#include "platform/window_functions.h"
#include "platform/host/display.h"
#include "platform/host/font_config.h"
#include "platform/host/close_signals.h"
#include "platform/host/console.h"
#include "platform/host/host_platform.h"

#include <QApplication>
#include <QSessionManager>

int main(int argc, char* argv[])
{
    platform::keepStandardStreamsOpen();
    platform::CloseSignals::endAtOnce();
    platform::StartArguments arguments = platform::settleEnvironment(argc, argv);
    platform::startReadingFontConfig(); // the first thread: nothing changes the environment from here on
    const std::unique_ptr<QApplication> application = platform::openDisplay(arguments.argc, arguments.argv);
    platform::addTwicePictures(platform::HostProgramFolder().path());
    app::prepareStart();
    QApplication::setApplicationName(QStringLiteral("vesperon"));
    // The menu entry is vesperon.desktop: Wayland compositors and task bars
    // match the windows to it (and show its icon) by this name, as X11 ones
    // do by the window class, which is the application name above.
    QGuiApplication::setDesktopFileName(QStringLiteral("vesperon"));
    QApplication::setApplicationDisplayName(QString()); // titles are the windows' own
    // The main window may be hidden in the notification area: its closing
    // animation, not the last window going, ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    platform::finishReadingFontConfig();
    platform::installFontFallbacks();
    platform::useCjkDefaultFont();
    platform::installAccessibility();

    platform::HostPlatform host(platform::postMouseMessage);
    platform::FormWindowFunctions windows;
    platform::Platform platform = host.platform(windows);

    platform::Forms forms;
    app::defineWindows(forms, platform);

    // The host's ways of asking the program to close are close requests of
    // the main window, whose closing animation ends the program. Before the
    // main window exists there is nothing to animate: the program just ends.
    const auto closeRequest = [&] {
        if (forms.isLoaded(app::MainWindow::kName))
            forms.unload(app::MainWindow::kName);
        else
            platform.program.end();
    };
    const platform::CloseSignals closeSignals([&](int) { closeRequest(); });
    // The desktop session ending: the same request. The session manager is
    // not told to stop the log-out: the main window leaves the screen at
    // once, so that the session's closing of the windows that are still
    // shown does not meet the refusal, and the animation ends the program.
    QObject::connect(application.get(), &QGuiApplication::commitDataRequest, application.get(),
                     [&](QSessionManager&) {
                         closeRequest();
                         if (QWidget* main = forms.isLoaded(app::MainWindow::kName)
                                                 ? &forms.load(app::MainWindow::kName) : nullptr)
                             main->hide();
                     }, Qt::DirectConnection);

    app::start(forms);
    // Given once the splash is on its way to the screen, for it and for every
    // window after it: reading the icon's pictures does not hold up the
    // splash.
    QApplication::setWindowIcon(platform::builtInIcon(QStringLiteral("icon")));

    return QApplication::exec();
}
