#include "app/main_window.h"
#include "platform/fonts.h"
#include "platform/forms.h"
#include "platform/host/display.h"
#include "platform/host/host_platform.h"

#include <QApplication>
#include <QIcon>

namespace {

QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 128})
        icon.addFile(QStringLiteral(":/pictures/icon-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char* argv[])
{
    const std::unique_ptr<QApplication> application = platform::openDisplay(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vesperon"));
    QApplication::setApplicationDisplayName(QString()); // titles are the windows' own
    QApplication::setWindowIcon(programIcon());
    platform::installFontFallbacks();
    platform::useCjkDefaultFont();

    platform::HostPlatform host;
    platform::Platform platform = host.platform();

    platform::Forms forms;
    forms.define(app::MainWindow::kName,
                 [&] { return std::make_unique<app::MainWindow>(platform, forms); });
    forms.show(app::MainWindow::kName);

    return QApplication::exec();
}
