#include "update_check_window.h"

#include "platform/design.h"
#include "platform/form_names.h"
#include "platform/twips.h"
#include "texts.h"

namespace info {

using platform::twipsRect;

namespace {

QLabel* label(QWidget* parent, const char* name, const QString& caption, const QRect& rect)
{
    auto* widget = platform::place(new platform::Label(caption, parent), name, rect);
    widget->setTextFormat(Qt::PlainText); // what the server sends is shown as the characters it holds
    widget->setAutoFillBackground(true);  // an opaque background of the default colour
    return widget;
}

} // namespace

UpdateCheckWindow::UpdateCheckWindow(platform::Platform& platform)
    : Form(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                        | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      Inet1(platform.internet)
{
    setObjectName(platform::names::kUpdate);
    setWindowTitle(kTitle);
    setFixedSize(platform::twipsSize(4500, 1485));
    Label1 = label(this, "Label1", QStringLiteral("当前版本："), twipsRect(240, 240, 900, 180));
    Label1->adjustSize(); // sizes itself to its text
    Label2 = label(this, "Label2", kVersion, twipsRect(1200, 240, 1815, 255));
    Label3 = label(this, "Label3", QStringLiteral("正在获取最新版本。。。"), twipsRect(1200, 720, 2055, 255));
    Label4 = label(this, "Label4", QStringLiteral("最新版本："), twipsRect(240, 720, 900, 180));
    Label4->adjustSize();
}

void UpdateCheckWindow::onLoad()
{
    const std::optional<QString> first = Inet1.openUrl(kUpdateAddress);
    if (!first) {
        // The notice could not be had: no verdict, and "正在获取最新版本。。。" stays.
        setWindowTitle(kCheckFailed);
        return;
    }
    Label3->setText(*first);
    const QString version = Label2->text();
    const std::optional<QString> second = Inet1.openUrl(kUpdateAddress);
    if (!second) {
        setWindowTitle(kCheckFailed);
        return;
    }
    // Exactly the same text, or an update is needed: no trimming, no
    // ordering of versions.
    setWindowTitle(version == *second ? kNoUpdateNeeded : kUpdateNeeded);
}

} // namespace info
