// make_pictures: renders Vesperon's artwork (window backgrounds, skins, the
// splash and about pictures and the icons) so the build never depends on
// binary files checked into the tree.
//
//   usage: make_pictures OUTDIR
//
// Writes into OUTDIR:
//   background.jpg                    the main window's own picture
//   星空.jpg 天空.jpg 大海.jpg          the three skins (480 x 720)
//   icon-16/32/48/128.png, icon.ico   the program icon
//   vesperon.svg                      the program icon, scalable
//   chooser-16/32/48/128.png, chooser.ico   the skin chooser's icon
//   splash.gif                        the splash picture, two frames
//   about.bmp                         the about window's banner, 24 bits
// Everything is drawn with QPainter and fixed random seeds, so repeated runs
// produce identical files. The GIF is encoded with giflib (link -lgif).
// Any file that cannot be written makes the program exit with status 1.

#include "pictures.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures OUTDIR\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out.path())) {
        fail(QStringLiteral("cannot create directory %1").arg(out.path()));
        return 1;
    }

    // Each picture at 1x, and at 2x for screens of two device pixels to a
    // point, named by Qt's @2x convention.
    const auto at = [](const QString& name, int scale) {
        if (scale == 1)
            return name;
        const qsizetype dot = name.lastIndexOf(u'.');
        return name.left(dot) + QStringLiteral("@%1x").arg(scale) + name.mid(dot);
    };
    bool ok = true;
    for (int scale : {1, 2}) {
        ok = writeImage(makeBackground(scale), out.filePath(at("background.jpg", scale)), "jpg", 90) && ok;
        ok = writeImage(makeStarrySkin(scale), out.filePath(at(QStringLiteral("星空.jpg"), scale)), "jpg", 90) && ok;
        ok = writeImage(makeDaySkySkin(scale), out.filePath(at(QStringLiteral("天空.jpg"), scale)), "jpg", 90) && ok;
        ok = writeImage(makeSeaSkin(scale), out.filePath(at(QStringLiteral("大海.jpg"), scale)), "jpg", 90) && ok;
        ok = writeGif({makeSplashFrame(0, scale), makeSplashFrame(1, scale)}, 80,
                      out.filePath(at("splash.gif", scale)))
             && ok;
        ok = writeBmp24(makeAbout(scale), out.filePath(at("about.bmp", scale))) && ok;
    }
    std::vector<QImage> icons;
    for (int size : {16, 32, 48, 128}) {
        icons.push_back(makeIcon(size));
        ok = writeImage(icons.back(), out.filePath(QStringLiteral("icon-%1.png").arg(size)), "png")
             && ok;
    }
    ok = writeIco(icons, out.filePath("icon.ico")) && ok;


    std::vector<QImage> chooser;
    for (int size : {16, 32, 48, 128}) {
        chooser.push_back(makeChooserIcon(size));
        ok = writeImage(chooser.back(), out.filePath(QStringLiteral("chooser-%1.png").arg(size)),
                        "png")
             && ok;
    }
    ok = writeIco(chooser, out.filePath("chooser.ico")) && ok;

    ok = writeFile(out.filePath("vesperon.svg"), makeSvgIcon()) && ok;
    return ok ? 0 : 1;
}
