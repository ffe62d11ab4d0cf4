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
//   box-information.png, box-stop.png (@2x)   the message boxes' icons
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
#include <utility>
#include <vector>

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
    // point, named by Qt's @2x convention (each name has one dot).
    const auto at = [](QString name, int scale) {
        return scale == 1 ? name : name.replace(u'.', QStringLiteral("@%1x.").arg(scale));
    };
    using Make = QImage (*)(int);
    const std::pair<QString, Make> jpegs[] = {{"background.jpg", makeBackground},
                                              {"星空.jpg", makeStarrySkin},
                                              {"天空.jpg", makeDaySkySkin},
                                              {"大海.jpg", makeSeaSkin}};
    bool ok = true;
    for (int scale : {1, 2}) {
        for (const auto &[name, make] : jpegs)
            ok = writeImage(make(scale), out.filePath(at(name, scale)), "jpg", 90) && ok;
        ok = writeGif({makeSplashFrame(0, scale), makeSplashFrame(1, scale)}, 80,
                      out.filePath(at("splash.gif", scale)))
             && ok;
        ok = writeBmp24(makeAbout(scale), out.filePath(at("about.bmp", scale))) && ok;
    }
    // Each icon at four sizes, as PNG files and together in one ICO file.
    const std::pair<QString, Make> iconSets[] = {{"icon", makeIcon}, {"chooser", makeChooserIcon}};
    for (const auto &[name, make] : iconSets) {
        std::vector<QImage> icons;
        for (int size : {16, 32, 48, 128}) {
            icons.push_back(make(size));
            const QString png = QStringLiteral("%1-%2.png").arg(name).arg(size);
            ok = writeImage(icons.back(), out.filePath(png), "png") && ok;
        }
        ok = writeIco(icons, out.filePath(name + ".ico")) && ok;
    }
    ok = writeFile(out.filePath("vesperon.svg"), makeSvgIcon()) && ok;
    // The message boxes' icons, at 1x and 2x (32 points).
    const std::pair<QString, Make> boxIcons[] = {{"box-information.png", makeInformationIcon},
                                                 {"box-stop.png", makeStopIcon}};
    for (int scale : {1, 2})
        for (const auto &[name, make] : boxIcons)
            ok = writeImage(make(32 * scale), out.filePath(at(name, scale)), "png") && ok;
    return ok ? 0 : 1;
}
