#include "start_up.h"

#include "splash_window.h"
#include "app/main_window.h"
#include "info/update_check_window.h"
#include "info/about_window.h"
#include "platform/design.h"
#include "platform/form_names.h"
#include "skins/skin_chooser.h"

namespace app {

void defineWindows(platform::Forms& forms, platform::Platform& platform)
{
    using namespace platform::names;
    forms.define(kSplash, [&] { return std::make_unique<SplashWindow>(platform, forms); });
    forms.define(kMain, [&] { return std::make_unique<MainWindow>(platform, forms); });
    forms.define(kSkins, [&] { return std::make_unique<skins::SkinChooser>(platform, forms); });
    forms.define(kAbout, [&] { return std::make_unique<info::AboutWindow>(forms); });
    forms.define(kUpdate, [&] { return std::make_unique<info::UpdateCheckWindow>(platform); });
}

void prepareStart() { platform::readBuiltInPictureAhead(SplashWindow::kPicture); }

void start(platform::Forms& forms)
{
    forms.show(platform::names::kSplash);
    // While the splash shows its second, the main window's picture is read,
    // so that the main window does not wait for it when it is made.
    platform::readBuiltInPictureAhead(MainWindow::kPicture);
}

} // namespace app
