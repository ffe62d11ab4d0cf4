#pragma once
// The about window, "关于": the credit line, the version notes and
// "绿色免安装版" over the program's banner, and "确定", which closes it.

#include "platform/command_button.h"
#include "platform/forms.h"
#include "platform/platform.h"

#include "platform/label.h"

namespace info {

class AboutWindow : public platform::Form {
public:
    static inline const QString kTitle = QStringLiteral("关于");

    explicit AboutWindow(platform::Forms& forms);

    // Controls, named as in the window's design.
    QLabel* Label1 = nullptr; // the version notes
    platform::CommandButton* Command1 = nullptr;
    QLabel* Label2 = nullptr; // 绿色免安装版
    QLabel* Label3 = nullptr; // the credit line

    void onCommand1Click();

private:
    platform::Forms& forms_;
};

} // namespace info
