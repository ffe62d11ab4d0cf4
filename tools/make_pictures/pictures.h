// The pictures make_pictures draws and the files it writes them to. Each
// picture is drawn in its 1x coordinates at `scale` device pixels a point.

#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

QImage makeBackground(int scale);  // background.cpp
QImage makeStarrySkin(int scale);  // skins.cpp
QImage makeDaySkySkin(int scale);
QImage makeSeaSkin(int scale);
QImage makeSplashFrame(int frame, int scale);  // splash.cpp
QImage makeAbout(int scale);                   // about.cpp
QImage makeIcon(int size);                     // icons.cpp
QImage makeChooserIcon(int size);
QByteArray makeSvgIcon();
// The message boxes' icons, drawn at `size` px: the information icon's "i"
// on blue, the stop icon's cross on red.
QImage makeInformationIcon(int size);
QImage makeStopIcon(int size);
// The icon drawn at `size` x `scale` pixels, to be painted `size` wide.
QImage scaledIcon(int size, int scale);

// Each writer returns false after a message on stderr (fail()).
bool fail(const QString &what);  // files.cpp
bool writeFile(const QString &path, const QByteArray &bytes);
bool encodeImage(const QImage &img, const char *format, int quality, QByteArray *bytes,
                 const QString &path);
bool writeImage(const QImage &img, const QString &path, const char *format, int quality = -1);
bool writeBmp24(const QImage &img, const QString &path);                           // about.cpp
bool writeGif(const std::vector<QImage> &frames, int delay, const QString &path);  // splash.cpp
bool writeIco(const std::vector<QImage> &icons, const QString &path);              // icons.cpp
