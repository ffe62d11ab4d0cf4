#include "painting.h"
#include "pictures.h"

#include <QtEndian>

// The about window's banner (500 x 200): the same motif as the splash. Light
// on the left, where the window's black label sits in the top-left corner,
// with the icon and the title; the dial in the middle; dark plum at the
// right end, under the white credit line, the near-white notes and the
// button, leading into the window's red background.
QImage makeAbout(int scale)
{
    const int w = 500, h = 200;
    Canvas canvas(w, h, scale);
    QPainter &p = canvas.p;

    paintSky(p, {.colours = {{0.00, QColor(240, 243, 251)}, {0.40, QColor(220, 227, 246)},
                             {0.60, QColor(120, 134, 216)}, {0.76, QColor(60, 58, 164)},
                             {0.88, QColor(72, 26, 96)}, {1.00, QColor(138, 14, 38)}},
                 .towards = QPointF(w, 0), .area = QRectF(0, 0, w, h)});

    drawLightStreaks(p, 3, 250, 50, 24, -56, -80, h);

    const QPointF dial(356, 100);
    drawGlow(p, dial, 90, {{0.0, QColor(170, 196, 255, 120)}, {1.0, QColor(120, 120, 255, 0)}});
    drawDial(p, dial, 64, 110);
    // Clock hands on the dial: the amber hand of the icon and a white one.
    drawStroke(p, dial, dial + QPointF(0, -40), QColor(255, 255, 255, 200), 4);
    drawStroke(p, dial, polar(dial, kPi / 6, 30), kAmber, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(dial, 4, 4);

    p.drawImage(QPointF(26, 52), scaledIcon(96, scale));
    drawTitle(p, QPointF(140, 104), 44, QRectF(141, 116, 150, 2.5), QPointF(142, 140),
              QStringLiteral("Vesperon 定时关机"));
    return canvas.done();
}

// A 24-bit BMP. Qt's writer stores a 32-bit RGB image with three bytes a
// pixel; the header is checked so that a change there is caught at build time.
bool writeBmp24(const QImage &img, const QString &path)
{
    QByteArray bytes;
    if (!encodeImage(img.convertToFormat(QImage::Format_RGB32), "bmp", -1, &bytes, path))
        return false;
    const qsizetype rowBytes = (img.width() * 3 + 3) / 4 * 4;
    if (bytes.size() < 54 || !bytes.startsWith("BM")
        || qFromLittleEndian<quint16>(bytes.constData() + 28) != 24
        || qFromLittleEndian<quint32>(bytes.constData() + 30) != 0  // BI_RGB, no compression
        || bytes.size() < qFromLittleEndian<quint32>(bytes.constData() + 10) + rowBytes * img.height())
        return fail(QStringLiteral("unexpected output from the bmp encoder for %1").arg(path));
    return writeFile(path, bytes);
}
