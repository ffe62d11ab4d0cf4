#pragma once
// The update check, "检查更新": while it loads it fetches the update notice
// twice, shows the first reply and puts the verdict of the second into its
// title bar; only then does it appear.

#include "platform/forms.h"
#include "platform/platform.h"

#include "platform/label.h"

namespace info {

class UpdateCheckWindow : public platform::Form {
public:
    static inline const QString kTitle = QStringLiteral("检查更新");
    static inline const QString kNoUpdateNeeded = QStringLiteral("你不需要更新");
    static inline const QString kUpdateNeeded = QStringLiteral("你需要更新");
    static inline const QString kCheckFailed = QStringLiteral("检查更新失败");

    explicit UpdateCheckWindow(platform::Platform& platform);

    // Controls, named as in the window's design.
    QLabel* Label1 = nullptr; // 当前版本：
    QLabel* Label2 = nullptr; // the program's own version
    QLabel* Label3 = nullptr; // the latest version, as fetched
    QLabel* Label4 = nullptr; // 最新版本：
    platform::InternetTransfer& Inet1;

    void onLoad() override;
};

} // namespace info
