#include "painting.h"
#include "pictures.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>

// --------------------------------------------------------------------- icon

namespace {

// The program icon's shape at `size` px, which the bitmaps and the SVG share:
// a dusk-blue rounded square (`badge`, a highlight over its upper half from
// 32 px up), clock ticks on a ring inside it (none at 16 px, the quarters at
// 32 px, eleven hours from 48 px up: the power bar takes twelve o'clock), a
// white power symbol (a ring open `gap` degrees at the top, a bar through the
// gap) and from 32 px up an amber hand towards four o'clock on a white hub.
// Small sizes drop detail and use heavier strokes so 16 px stays crisp.
struct IconShape {
    struct Tick { QPointF from, to; double width; int alpha; };
    double s;
    QRectF badge, shine;
    double radius;
    QPointF c;
    std::vector<Tick> ticks;
    double ringR, stroke, gap, barTop, barBottom;
    QPointF handEnd;
    double handWidth, hub;
};

const QGradientStops kBadgeColours = {
    {0.0, QColor(74, 120, 236)}, {0.55, QColor(58, 72, 200)}, {1.0, QColor(112, 52, 170)}};
const QColor kOutline(30, 32, 110, 160);

IconShape iconShape(int size)
{
    IconShape i{};
    const double s = i.s = size;
    const bool tiny = size <= 16;
    const double inset = tiny ? 0.5 : s / 32.0;
    i.badge = QRectF(inset, inset, s - 2 * inset, s - 2 * inset);
    i.shine = i.badge.adjusted(s / 64, s / 64, -s / 64, -s / 2);
    i.radius = s * (tiny ? 0.22 : 0.24);
    i.c = i.badge.center();
    const int count = tiny ? 1 : size >= 48 ? 12 : 4;
    const double outer = s * 0.43, inner = s * (size >= 48 ? 0.37 : 0.36);
    for (int t = 1; t < count; ++t) {
        const double a = t * 2 * kPi / count - kPi / 2;
        const bool major = (t * 12 / count) % 3 == 0;
        i.ticks.push_back({polar(i.c, a, major ? inner - s * 0.02 : inner), polar(i.c, a, outer),
                           major ? std::max(1.6, s * 0.05) : std::max(1.0, s * 0.028),
                           major ? 235 : 170});
    }
    i.ringR = s * (tiny ? 0.30 : 0.23);
    i.stroke = tiny ? 2.0 : std::max(2.6, s * 0.085);
    i.gap = tiny ? 70 : 60;
    i.barTop = i.c.y() - i.ringR - (tiny ? 1.2 : s * 0.06);
    i.barBottom = i.c.y() - (tiny ? 0.5 : s * 0.02);
    const double a = 30 * kPi / 180;
    i.handEnd = i.c + QPointF(std::cos(a), std::sin(a)) * i.ringR * 0.62;
    i.handWidth = std::max(2.0, s * 0.05);
    i.hub = s * 0.04;
    return i;
}

// Numbers for the SVG text: at most three decimals, no trailing zeros.
QString svgNumber(double v)
{
    QString text = QString::number(v, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

} // namespace

QImage makeIcon(int size)
{
    const IconShape i = iconShape(size);
    Canvas canvas(size, size, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter &p = canvas.p;

    p.setPen(size >= 48 ? QPen(kOutline, i.s / 64.0) : Qt::NoPen);
    p.setBrush(linear(i.badge.topLeft(), i.badge.bottomRight(), kBadgeColours));
    p.drawRoundedRect(i.badge, i.radius, i.radius);
    if (size >= 32) {
        p.setPen(Qt::NoPen);
        p.setBrush(vertical(i.badge.top(), i.c.y(),
                            {{0, QColor(255, 255, 255, 70)}, {1, QColor(255, 255, 255, 0)}}));
        p.drawRoundedRect(i.shine, i.radius, i.radius);
    }
    for (const IconShape::Tick &t : i.ticks)
        drawStroke(p, t.from, t.to, QColor(255, 255, 255, t.alpha), t.width);

    p.setPen(QPen(Qt::white, i.stroke, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QRectF ring(i.c.x() - i.ringR, i.c.y() - i.ringR, 2 * i.ringR, 2 * i.ringR);
    p.drawArc(ring, int((90 + i.gap / 2) * 16), int((360 - i.gap) * 16));
    p.drawLine(QPointF(i.c.x(), i.barTop), QPointF(i.c.x(), i.barBottom));
    if (size >= 32) {
        drawStroke(p, i.c, i.handEnd, kAmber, i.handWidth);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(i.c, i.hub, i.hub);
    }
    return canvas.done().convertToFormat(QImage::Format_ARGB32);
}

QImage scaledIcon(int size, int scale)
{
    QImage icon = makeIcon(size * scale);
    icon.setDevicePixelRatio(scale);
    return icon;
}

// ------------------------------------------------------------ chooser icon

// The skin chooser's icon: a wooden painter's palette with four blobs of
// paint and a thumb hole, and from 32 px up a brush lying across it. Warm
// wood instead of the program icon's blue badge keeps the two apart.
QImage makeChooserIcon(int size)
{
    Canvas canvas(size, size, 1, QImage::Format_ARGB32_Premultiplied);
    QPainter &p = canvas.p;
    const double s = size;
    const bool tiny = size <= 16;

    // The board: an oval with a notch in its lower right edge and a hole.
    QPainterPath board, notch, hole;
    if (tiny) {
        // No thumb hole at 16 px: it would only blur into the wood.
        board.addEllipse(QRectF(0.5, 1.5, 15, 13));
        notch.addEllipse(QPointF(13, 13), 3.5, 3.0);
    } else {
        board.addEllipse(QRectF(s * 0.04, s * 0.14, s * 0.92, s * 0.76));
        notch.addEllipse(QPointF(s * 0.78, s * 0.84), s * 0.17, s * 0.14);
        hole.addEllipse(QPointF(s * 0.63, s * 0.64), s * 0.075, s * 0.075);
    }
    board = board.subtracted(notch).subtracted(hole);
    p.setPen(QPen(QColor(112, 64, 26), tiny ? 1.0 : std::max(1.3, s / 30), Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(linear(QPointF(0, s * 0.1), QPointF(s, s * 0.9),
                      {{0.0, QColor(252, 226, 172)}, {1.0, QColor(224, 168, 98)}}));
    p.drawPath(board);

    // Paint blobs.
    struct Blob { double x, y; QColor colour; };
    const Blob blobs[] = {{0.25, 0.42, QColor(230, 40, 48)},  {0.44, 0.29, QColor(252, 196, 24)},
                          {0.58, 0.23, QColor(40, 168, 76)},  {0.27, 0.68, QColor(36, 104, 228)}};
    const Blob tinyBlobs[] = {{4, 7, QColor(230, 40, 48)},  {8, 5, QColor(252, 196, 24)},
                              {12, 7, QColor(40, 168, 76)}, {6, 11, QColor(36, 104, 228)}};
    for (int i = 0; i < 4; ++i) {
        if (tiny) {
            // Whole pixels, two by two, so the colours stay pure at 16 px.
            p.setRenderHint(QPainter::Antialiasing, false);
            p.setPen(Qt::NoPen);
            p.setBrush(tinyBlobs[i].colour);
            p.drawRect(QRectF(tinyBlobs[i].x - 1, tinyBlobs[i].y - 1, 2, 2));
            p.setRenderHint(QPainter::Antialiasing, true);
            continue;
        }
        const QPointF c(blobs[i].x * s, blobs[i].y * s);
        const double r = s * 0.085;
        p.setPen(QPen(blobs[i].colour.darker(150), std::max(1.0, s / 64)));
        p.setBrush(blobs[i].colour);
        p.drawEllipse(c, r, r * 0.9);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 255, 255, 170));
        p.drawEllipse(c + QPointF(-r * 0.35, -r * 0.35), r * 0.28, r * 0.22);
    }

    // The brush, from the upper right down to the middle of the board.
    if (!tiny) {
        const QPointF end(s * 0.95, s * 0.05), ferrule(s * 0.62, s * 0.46), tip(s * 0.48, s * 0.64);
        drawStroke(p, end, ferrule, QColor(70, 30, 14), s * 0.10);
        drawStroke(p, end, ferrule, QColor(178, 64, 38), s * 0.065);
        const QPointF dir = (tip - ferrule) / std::hypot(tip.x() - ferrule.x(), tip.y() - ferrule.y());
        const QPointF side(-dir.y(), dir.x());
        const QPointF band = ferrule + dir * s * 0.07;
        drawStroke(p, ferrule, band, QColor(90, 90, 100), s * 0.085, Qt::FlatCap);
        drawStroke(p, ferrule, band, QColor(206, 210, 220), s * 0.05, Qt::FlatCap);
        QPainterPath bristles;
        bristles.moveTo(band + side * s * 0.045);
        bristles.quadTo(band + dir * s * 0.1 + side * s * 0.05, tip);
        bristles.quadTo(band + dir * s * 0.1 - side * s * 0.05, band - side * s * 0.045);
        bristles.closeSubpath();
        p.setPen(QPen(QColor(20, 50, 130), std::max(1.0, s / 64), Qt::SolidLine, Qt::RoundCap,
                      Qt::RoundJoin));
        p.setBrush(QColor(40, 100, 230));
        p.drawPath(bristles);
    }
    return canvas.done().convertToFormat(QImage::Format_ARGB32);
}

// ------------------------------------------------------------ scalable icon

// The program icon as a hand-written SVG 1.1 document: the shape of the
// 128 px bitmap (all the sizes from 48 px up share it).
QByteArray makeSvgIcon()
{
    const IconShape i = iconShape(128);
    auto n = svgNumber;
    QString svg;
    svg += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" "
                          "width=\"128\" height=\"128\" viewBox=\"0 0 128 128\">\n"
                          "  <title>Vesperon</title>\n  <defs>\n");
    svg += QStringLiteral("    <linearGradient id=\"badge\" gradientUnits=\"userSpaceOnUse\" "
                          "x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\">\n")
               .arg(n(i.badge.left()), n(i.badge.top()), n(i.badge.right()), n(i.badge.bottom()));
    for (const QGradientStop &stop : kBadgeColours)
        svg += QStringLiteral("      <stop offset=\"%1\" stop-color=\"%2\"/>\n")
                   .arg(n(stop.first), stop.second.name());
    svg += QStringLiteral("    </linearGradient>\n"
                          "    <linearGradient id=\"shine\" gradientUnits=\"userSpaceOnUse\" "
                          "x1=\"0\" y1=\"%1\" x2=\"0\" y2=\"%2\">\n"
                          "      <stop offset=\"0\" stop-color=\"#ffffff\" stop-opacity=\"%3\"/>\n"
                          "      <stop offset=\"1\" stop-color=\"#ffffff\" stop-opacity=\"0\"/>\n"
                          "    </linearGradient>\n  </defs>\n")
               .arg(n(i.badge.top()), n(i.c.y()), n(70 / 255.0));

    // Badge with its dark outline (Qt draws it from 48 px up).
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" ry=\"%5\" "
                          "fill=\"url(#badge)\" stroke=\"%6\" stroke-opacity=\"%7\" "
                          "stroke-width=\"%8\"/>\n")
               .arg(n(i.badge.x()), n(i.badge.y()), n(i.badge.width()), n(i.badge.height()),
                    n(i.radius), kOutline.name(), n(kOutline.alpha() / 255.0), n(i.s / 64.0));
    // Highlight over the upper half. Qt clamps each corner radius to half the
    // rectangle's side, as SVG does; the clamped values are written out.
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" ry=\"%6\" "
                          "fill=\"url(#shine)\"/>\n")
               .arg(n(i.shine.x()), n(i.shine.y()), n(i.shine.width()), n(i.shine.height()),
                    n(std::min(i.radius, i.shine.width() / 2)),
                    n(std::min(i.radius, i.shine.height() / 2)));

    svg += QStringLiteral("  <g fill=\"none\" stroke=\"#ffffff\" stroke-linecap=\"round\">\n");
    for (const IconShape::Tick &t : i.ticks)
        svg += QStringLiteral("    <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" "
                              "stroke-width=\"%5\" stroke-opacity=\"%6\"/>\n")
                   .arg(n(t.from.x()), n(t.from.y()), n(t.to.x()), n(t.to.y()), n(t.width),
                        n(t.alpha / 255.0));
    svg += QStringLiteral("  </g>\n");

    // Power symbol: the ring, from one side of the gap round to the other, and the bar.
    const QPointF start = polar(i.c, -(90 + i.gap / 2) * kPi / 180, i.ringR);
    const QPointF end = polar(i.c, -(90 - i.gap / 2) * kPi / 180, i.ringR);
    svg += QStringLiteral("  <g fill=\"none\" stroke=\"#ffffff\" stroke-width=\"%1\" "
                          "stroke-linecap=\"round\">\n")
               .arg(n(i.stroke));
    svg += QStringLiteral("    <path d=\"M %1 %2 A %3 %3 0 1 0 %4 %5\"/>\n")
               .arg(n(start.x()), n(start.y()), n(i.ringR), n(end.x()), n(end.y()));
    svg += QStringLiteral("    <line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\"/>\n  </g>\n")
               .arg(n(i.c.x()), n(i.barTop), n(i.barBottom));

    // The amber hand and the white hub.
    svg += QStringLiteral("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" "
                          "stroke-width=\"%6\" stroke-linecap=\"round\"/>\n")
               .arg(n(i.c.x()), n(i.c.y()), n(i.handEnd.x()), n(i.handEnd.y()), kAmber.name(),
                    n(i.handWidth));
    svg += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"#ffffff\"/>\n</svg>\n")
               .arg(n(i.c.x()), n(i.c.y()), n(i.hub));
    return svg.toUtf8();
}

// Qt's ico plugin stores one image per file, so each icon is encoded on its
// own and the directory entries are merged into a single multi-size .ico.
bool writeIco(const std::vector<QImage> &icons, const QString &path)
{
    constexpr int headerSize = 6, entrySize = 16;
    QByteArray dir, data;
    quint32 offset = headerSize + entrySize * quint32(icons.size());
    for (const QImage &icon : icons) {
        QByteArray one;
        if (!encodeImage(icon, "ico", -1, &one, path))
            return false;
        // Expect one 32-bit BMP entry: 40-byte header, BGRA pixels, AND mask.
        const int w = icon.width(), h = icon.height();
        const int maskRow = (w + 31) / 32 * 4, maskUsed = (w + 7) / 8;
        QByteArray entry = one.mid(headerSize, entrySize);
        QByteArray body = one.mid(headerSize + entrySize);
        if (one.size() < headerSize + entrySize
            || qFromLittleEndian<quint16>(one.constData() + 4) != 1
            || body.size() != 40 + w * h * 4 + maskRow * h)
            return fail(QStringLiteral("unexpected output from the ico encoder"));
        // The encoder leaves the padding at the end of each mask row
        // uninitialised; clear it so the file is reproducible.
        char *mask = body.data() + 40 + w * h * 4;
        for (int row = 0; row < h; ++row)
            std::fill(mask + row * maskRow + maskUsed, mask + (row + 1) * maskRow, '\0');
        qToLittleEndian<quint32>(quint32(body.size()), entry.data() + 8);
        qToLittleEndian<quint32>(offset, entry.data() + 12);
        dir += entry;
        data += body;
        offset += quint32(body.size());
    }
    QByteArray header(headerSize, '\0');
    qToLittleEndian<quint16>(1, header.data() + 2);                    // type: icon
    qToLittleEndian<quint16>(quint16(icons.size()), header.data() + 4);  // image count

    return writeFile(path, header + dir + data);
}

// ---------------------------------------------------------- message boxes

namespace {

// A round badge with a soft shading, as message boxes carry, and the sign
// on it drawn by `sign` in the badge's 32-point coordinates.
template <class Sign>
QImage makeBoxIcon(int size, QColor light, QColor dark, Sign sign)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    QRadialGradient face(QPointF(12, 10), 22);
    face.setColorAt(0, light);
    face.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(130), 1.0));
    p.setBrush(face);
    p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    sign(p);
    return image;
}

} // namespace

QImage makeInformationIcon(int size)
{
    return makeBoxIcon(size, QColor(0x6f, 0xb0, 0xf5), QColor(0x1c, 0x5f, 0xc4), [](QPainter &p) {
        p.drawEllipse(QRectF(13.6, 6.4, 4.8, 4.8));
        p.drawRoundedRect(QRectF(13.8, 13.0, 4.4, 12.5), 1.2, 1.2);
    });
}

QImage makeStopIcon(int size)
{
    return makeBoxIcon(size, QColor(0xf5, 0x7a, 0x6f), QColor(0xc0, 0x1c, 0x1c), [](QPainter &p) {
        p.setPen(QPen(Qt::white, 4.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10.5, 10.5), QPointF(21.5, 21.5));
        p.drawLine(QPointF(21.5, 10.5), QPointF(10.5, 21.5));
    });
}
