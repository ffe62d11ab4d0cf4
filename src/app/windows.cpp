#include "windows.h"

#include "app/hy.h"
#include "app/main_window.h"
#include "info/form2.h"
#include "info/gy.h"
#include "platform/design.h"
#include "platform/form_names.h"
#include "skins/form1.h"

namespace app {

void defineWindows(platform::Forms& forms, platform::Platform& platform, Module1& module1)
{
    using namespace platform::names;
    forms.define(kSplash, [&] { return std::make_unique<HY>(platform, forms); });
    forms.define(kMain, [&] { return std::make_unique<MainWindow>(platform, forms, module1); });
    forms.define(kSkins, [&] { return std::make_unique<skins::Form1>(platform, forms); });
    forms.define(kAbout, [&] { return std::make_unique<info::GY>(forms); });
    forms.define(kUpdate, [&] { return std::make_unique<info::Form2>(platform); });
}

void prepareStart() { platform::readBuiltInPictureAhead(HY::kPicture); }

void start(platform::Forms& forms)
{
    forms.show(platform::names::kSplash);
    // While the splash shows its second, the main window's picture is read,
    // so that the main window does not wait for it when it is made.
    platform::readBuiltInPictureAhead(MainWindow::kPicture);
}

} // namespace app
