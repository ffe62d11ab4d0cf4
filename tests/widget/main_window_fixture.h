#pragma once
// A main window loaded through the window registry on the fake platform.

#include "platform/forms.h"
#include "app/main_window.h"
#include "fakes/fake_platform.h"

struct MainWindowFixture {
    fakes::FakePlatform fake;
    platform::Platform platform = fake.platform();
    app::Module1 module1;
    platform::Forms forms;
    app::MainWindow* main = nullptr;

    MainWindowFixture()
    {
        forms.define(app::MainWindow::kName, [this] { return std::make_unique<app::MainWindow>(platform, forms, module1); });
        main = &forms.load<app::MainWindow>(app::MainWindow::kName);
    }
};
