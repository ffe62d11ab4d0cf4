#include "design.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

void setTextColour(QWidget* control, std::uint32_t value)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, colourFromValue(value));
    control->setPalette(palette);
}

void fillBackground(QWidget* control, const QColor& colour)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::Window, colour);
    control->setPalette(palette);
    control->setAutoFillBackground(true);
}

Picture builtInPicture(const QString& name)
{
    const QString path = QStringLiteral(":/pictures/") + name;
    qreal ratio = 1;
    QPixmap pixmap(qt_findAtNxFile(path, qApp ? qApp->devicePixelRatio() : 1.0, &ratio));
    pixmap.setDevicePixelRatio(ratio);
    return {pixmap, path};
}

QIcon builtInIcon(const QString& stem)
{
    QIcon icon;
    for (const int size : {16, 32, 48, 128})
        icon.addFile(QStringLiteral(":/pictures/%1-%2.png").arg(stem).arg(size), QSize(size, size));
    return icon;
}

} // namespace platform
