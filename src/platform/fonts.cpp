#include "fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace platform {

namespace {

const QStringList& cjkFaces()
{
    static const QStringList faces{QStringLiteral("Microsoft YaHei"), QStringLiteral("WenQuanYi Micro Hei"),
                                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
                                   QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")};
    return faces;
}

bool coversChinese(const QString& family)
{
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::SimplifiedChinese);
}

} // namespace

void installFontFallbacks() { QFont::insertSubstitutions(QStringLiteral("微软雅黑"), cjkFaces()); }

void useCjkDefaultFont()
{
    const QFont current = QApplication::font();
    if (coversChinese(QFontInfo(current).family()))
        return;
    for (const QString& face : cjkFaces()) {
        // Asked by name, not looked up in families(): Windows lists a face
        // under its localised name ("文泉驿微米黑") in a Chinese locale.
        if (QFontDatabase::hasFamily(face) && coversChinese(QFontInfo(QFont(face)).family())) {
            QFont font(face);
            if (current.pointSizeF() > 0)
                font.setPointSizeF(current.pointSizeF());
            else
                font.setPixelSize(current.pixelSize());
            QApplication::setFont(font);
            return;
        }
    }
}

} // namespace platform
