#pragma once
// The splash window: a borderless picture above all ordinary windows, whose
// background colour is made fully transparent by a colour key, shown for one
// second at start before the main window.

#include "platform/forms.h"
#include "platform/platform.h"

#include "platform/label.h"

#include <memory>

namespace app {

class SplashWindow : public platform::Form {
public:
    // The colour key, as the window functions take it (red in the low byte).
    static constexpr quint32 kColourKey = 0x00585858;
    // Its picture, among the built-in ones.
    static inline const QString kPicture = QStringLiteral("splash.gif");

    SplashWindow(platform::Platform& platform, platform::Forms& forms);

    // Controls, named as in the window's design.
    QLabel* Label1 = nullptr; // 关机工具V4.5.0
    QLabel* Label2 = nullptr; // the maker's contact
    QLabel* Label3 = nullptr; // 绿色免安装版
    QLabel* Label4 = nullptr; // 换肤功能正式开启！！！！
    std::unique_ptr<platform::Timer> Timer1;

    // Event handlers.
    void onLoad() override;
    void onTimer1Timer();

private:
    platform::Platform& platform_;
    platform::Forms& forms_;
};

} // namespace app
