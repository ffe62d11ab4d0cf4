#pragma once
// The skin chooser, "更换皮肤": three options, OK, and a red hint about
// pictures of one's own. While it is open the main window takes no input.

#include "platform/click_label.h"
#include "platform/command_button.h"
#include "platform/forms.h"
#include "platform/option_button.h"
#include "platform/platform.h"

class QGroupBox;

namespace skins {

struct SkinName;

class SkinChooser : public platform::Form {
public:
    static inline const QString kTitle = QStringLiteral("更换皮肤");

    SkinChooser(platform::Platform& platform, platform::Forms& forms);

    // Controls, named as in the window's design.
    QGroupBox* Frame1 = nullptr;
    platform::OptionButton* Option1 = nullptr; // 星空主题
    platform::OptionButton* Option2 = nullptr; // 大海主题
    platform::OptionButton* Option3 = nullptr; // 天空主题
    platform::CommandButton* Command1 = nullptr;
    platform::ClickLabel* Label1 = nullptr;

    // Event handlers.
    void onLoad() override;
    void onUnload() override;
    void onCommand1Click();
    void onLabel1Click();

private:
    void choose(const SkinName& skin);

    platform::Platform& platform_;
    platform::Forms& forms_;
};

} // namespace skins
