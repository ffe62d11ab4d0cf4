#pragma once
// A main window loaded through the window registry on the fake platform.

#include "platform/forms.h"
#include "app/main_window.h"
#include "fakes/fake_platform.h"
#include "platform/form_names.h"
#include "app/start_up.h"
#include "skins/skin_chooser.h"

struct MainWindowFixture {
    fakes::FakePlatform fake;
    platform::Platform platform = fake.platform();
    platform::Forms forms;
    app::MainWindow* main = nullptr;

    // `prepare` runs on the fake platform before the main window is loaded.
    explicit MainWindowFixture(const std::function<void(fakes::FakePlatform&)>& prepare = {})
    {
        if (prepare)
            prepare(fake);
        app::defineWindows(forms, platform);
        main = &forms.load<app::MainWindow>(app::MainWindow::kName);
    }
};
