#include "design.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
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
    // Read with the one image reader its kind needs, so that no other is
    // loaded before it is needed (Qt would load them all to choose), and
    // kept by the window alone, not in Qt's cache of pictures by file name.
    QImageReader reader(qt_findAtNxFile(path, qApp ? qApp->devicePixelRatio() : 1.0, &ratio),
                        QFileInfo(path).suffix().toLatin1());
    reader.setDecideFormatFromContent(false);
    QImage image = reader.read();
    image.setDevicePixelRatio(ratio);
    return {QPixmap::fromImage(std::move(image)), path};
}

QIcon builtInIcon(const QString& stem)
{
    QIcon icon;
    for (const int size : {16, 32, 48, 128})
        icon.addFile(QStringLiteral(":/pictures/%1-%2.png").arg(stem).arg(size), QSize(size, size));
    return icon;
}

} // namespace platform
