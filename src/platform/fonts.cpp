#include "fonts.h"

#include <QFont>
#include <QStringList>

namespace platform {

void installFontFallbacks()
{
    QFont::insertSubstitutions(QStringLiteral("微软雅黑"), QStringList
                               {QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                                QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                                QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")});
}

} // namespace platform
