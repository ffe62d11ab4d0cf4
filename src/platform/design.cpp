#include "design.h"

#include "host/console.h"
#include "host/pictures.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QPalette>
#include <QResource>

#include <future>
#include <map>

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

namespace {

QString builtInPath(const QString& name) { return QStringLiteral(":/pictures/") + name; }

// Pictures being read ahead, by name.
std::map<QString, std::future<QImage>>& readAhead()
{
    static std::map<QString, std::future<QImage>> pictures;
    return pictures;
}

} // namespace

void addTwicePictures(const QString& folder)
{
    if (!qApp || qApp->devicePixelRatio() <= 1)
        return;
    const QString file = folder + QStringLiteral("/pictures@2x.rcc");
    if (!QResource::registerResource(file))
        writeErrorLine(QStringLiteral("%1 not read: the pictures are drawn at 1x, enlarged")
                           .arg(QDir::toNativeSeparators(file)));
}

Picture builtInPicture(const QString& name)
{
    const QString path = builtInPath(name);
    QImage image;
    if (auto ahead = readAhead().find(name); ahead != readAhead().end()) {
        image = ahead->second.get();
        readAhead().erase(ahead);
    } else {
        image = readBuiltInPicture(name, qApp ? qApp->devicePixelRatio() : 1.0);
    }
    return {QPixmap::fromImage(std::move(image)), path};
}

void readBuiltInPictureAhead(const QString& name)
{
#ifdef Q_OS_WIN
    // Under Qt for Windows a picture read on a thread of its own while the
    // font database was being filled crashed the program (Qt 6.4, under
    // Wine): there each picture is read when its window is made.
    Q_UNUSED(name);
#else
    if (readAhead().count(name))
        return;
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    readAhead().emplace(name, std::async(std::launch::async, readBuiltInPicture, name, ratio));
#endif
}

QIcon builtInIcon(const QString& stem)
{
    // Each picture read as the PNG it is: QIcon would load every image
    // reader Qt has to find out.
    QIcon icon;
    for (const int size : {16, 32, 48, 128}) {
        QImageReader reader(QStringLiteral(":/pictures/%1-%2.png").arg(stem).arg(size), "png");
        reader.setAutoDetectImageFormat(false);
        icon.addPixmap(QPixmap::fromImage(reader.read()));
    }
    return icon;
}

} // namespace platform
