#include "painting.h"
#include "pictures.h"

#include <QBuffer>
#include <QImageWriter>
#include <QLinearGradient>
#include <QtEndian>

#include <algorithm>
#include <cmath>

// --------------------------------------------------------------------- icon

// The icon is a dusk-blue rounded square holding a white power symbol; clock
// tick marks around it say "timer". Small sizes drop detail and use heavier
// strokes so the 16 px version stays crisp.
QImage makeIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    const double s = size;
    const bool tiny = size <= 16;
    const double inset = tiny ? 0.5 : s / 32.0;
    const QRectF badge(inset, inset, s - 2 * inset, s - 2 * inset);
    const double radius = s * (tiny ? 0.22 : 0.24);

    QLinearGradient fill(badge.topLeft(), badge.bottomRight());
    fill.setColorAt(0.0, QColor(74, 120, 236));
    fill.setColorAt(0.55, QColor(58, 72, 200));
    fill.setColorAt(1.0, QColor(112, 52, 170));
    p.setPen(size >= 48 ? QPen(QColor(30, 32, 110, 160), s / 64.0) : Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(badge, radius, radius);

    if (size >= 32) {
        // Soft highlight over the upper half for a little depth.
        QLinearGradient shine(0, badge.top(), 0, badge.center().y());
        shine.setColorAt(0, QColor(255, 255, 255, 70));
        shine.setColorAt(1, QColor(255, 255, 255, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(shine);
        p.drawRoundedRect(badge.adjusted(s / 64, s / 64, -s / 64, -s / 2), radius, radius);
    }

    const QPointF c = badge.center();
    const QColor white(255, 255, 255);

    // Clock ticks on a ring just inside the badge edge: the quarter marks at
    // 32 px, a full dial (quarters heavier) from 48 px up. The 12 o'clock
    // mark is left out because the power bar already points there.
    if (!tiny) {
        const int count = size >= 48 ? 12 : 4;
        const double outer = s * 0.43, inner = s * (size >= 48 ? 0.37 : 0.36);
        for (int i = 1; i < count; ++i) {
            const double a = i * 2 * kPi / count - kPi / 2;
            const bool major = (i * 12 / count) % 3 == 0;
            const double r0 = major ? inner - s * 0.02 : inner;
            QPen tick(QColor(255, 255, 255, major ? 235 : 170),
                      major ? std::max(1.6, s * 0.05) : std::max(1.0, s * 0.028), Qt::SolidLine,
                      Qt::RoundCap);
            p.setPen(tick);
            p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * r0,
                       c + QPointF(std::cos(a), std::sin(a)) * outer);
        }
    }

    // Power symbol: a ring open at the top and a vertical bar through the gap.
    const double ringR = s * (tiny ? 0.30 : 0.23);
    const double stroke = tiny ? 2.0 : std::max(2.6, s * 0.085);
    QPen pen(white, stroke, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const QRectF ring(c.x() - ringR, c.y() - ringR, 2 * ringR, 2 * ringR);
    const double gap = tiny ? 70 : 60;  // degrees left open around 12 o'clock
    p.drawArc(ring, int((90 + gap / 2) * 16), int((360 - gap) * 16));
    const double barTop = c.y() - ringR - (tiny ? 1.2 : s * 0.06);
    p.drawLine(QPointF(c.x(), barTop), QPointF(c.x(), c.y() - (tiny ? 0.5 : s * 0.02)));

    // A short amber hand from the hub towards four o'clock turns the power
    // bar into a clock face; a white hub dot joins the two.
    if (size >= 32) {
        const double a = 30 * kPi / 180;
        QPen hand(QColor(255, 196, 70), std::max(2.0, s * 0.05), Qt::SolidLine, Qt::RoundCap);
        p.setPen(hand);
        p.drawLine(c, c + QPointF(std::cos(a), std::sin(a)) * ringR * 0.62);
        p.setPen(Qt::NoPen);
        p.setBrush(white);
        p.drawEllipse(c, s * 0.04, s * 0.04);
    }
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

// The icon drawn at `size` x `scale` pixels, to be painted `size` wide.
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
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
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
    QLinearGradient wood(0, s * 0.1, s, s * 0.9);
    wood.setColorAt(0.0, QColor(252, 226, 172));
    wood.setColorAt(1.0, QColor(224, 168, 98));
    p.setPen(QPen(QColor(112, 64, 26), tiny ? 1.0 : std::max(1.3, s / 30), Qt::SolidLine,
                  Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(wood);
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
        p.setPen(QPen(QColor(70, 30, 14), s * 0.10, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(end, ferrule);
        p.setPen(QPen(QColor(178, 64, 38), s * 0.065, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(end, ferrule);
        const QPointF dir = (tip - ferrule) / std::hypot(tip.x() - ferrule.x(), tip.y() - ferrule.y());
        const QPointF side(-dir.y(), dir.x());
        const QPointF band = ferrule + dir * s * 0.07;
        p.setPen(QPen(QColor(90, 90, 100), s * 0.085, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(ferrule, band);
        p.setPen(QPen(QColor(206, 210, 220), s * 0.05, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(ferrule, band);
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
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

// ------------------------------------------------------------ scalable icon

namespace {

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

QString svgColour(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

} // namespace

// The program icon as a hand-written SVG 1.1 document: the same geometry as
// makeIcon() at 128 px (all the sizes from 48 px up share it), computed from
// the same formulas so the two stay in step.
QByteArray makeSvgIcon()
{
    const double s = 128, inset = s / 32.0, radius = s * 0.24;
    const QRectF badge(inset, inset, s - 2 * inset, s - 2 * inset);
    const QPointF c = badge.center();
    auto n = svgNumber;

    QString svg;
    svg += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" "
                          "width=\"128\" height=\"128\" viewBox=\"0 0 128 128\">\n"
                          "  <title>Vesperon</title>\n  <defs>\n");
    svg += QStringLiteral("    <linearGradient id=\"badge\" gradientUnits=\"userSpaceOnUse\" "
                          "x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\">\n")
               .arg(n(badge.left()), n(badge.top()), n(badge.right()), n(badge.bottom()));
    svg += QStringLiteral("      <stop offset=\"0\" stop-color=\"%1\"/>\n"
                          "      <stop offset=\"0.55\" stop-color=\"%2\"/>\n"
                          "      <stop offset=\"1\" stop-color=\"%3\"/>\n"
                          "    </linearGradient>\n")
               .arg(svgColour(QColor(74, 120, 236)), svgColour(QColor(58, 72, 200)),
                    svgColour(QColor(112, 52, 170)));
    svg += QStringLiteral("    <linearGradient id=\"shine\" gradientUnits=\"userSpaceOnUse\" "
                          "x1=\"0\" y1=\"%1\" x2=\"0\" y2=\"%2\">\n"
                          "      <stop offset=\"0\" stop-color=\"#ffffff\" stop-opacity=\"%3\"/>\n"
                          "      <stop offset=\"1\" stop-color=\"#ffffff\" stop-opacity=\"0\"/>\n"
                          "    </linearGradient>\n  </defs>\n")
               .arg(n(badge.top()), n(c.y()), n(70 / 255.0));

    // Badge with its dark outline (Qt draws it from 48 px up).
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" ry=\"%5\" "
                          "fill=\"url(#badge)\" stroke=\"%6\" stroke-opacity=\"%7\" "
                          "stroke-width=\"%8\"/>\n")
               .arg(n(badge.x()), n(badge.y()), n(badge.width()), n(badge.height()), n(radius),
                    svgColour(QColor(30, 32, 110)), n(160 / 255.0), n(s / 64.0));
    // Highlight over the upper half. Qt clamps each corner radius to half the
    // rectangle's side, as SVG does; the clamped values are written out.
    const QRectF shine = badge.adjusted(s / 64, s / 64, -s / 64, -s / 2);
    svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" ry=\"%6\" "
                          "fill=\"url(#shine)\"/>\n")
               .arg(n(shine.x()), n(shine.y()), n(shine.width()), n(shine.height()),
                    n(std::min(radius, shine.width() / 2)), n(std::min(radius, shine.height() / 2)));

    // Clock ticks: eleven of the twelve hours, the quarters heavier.
    svg += QStringLiteral("  <g fill=\"none\" stroke=\"#ffffff\" stroke-linecap=\"round\">\n");
    const double outer = s * 0.43, inner = s * 0.37;
    for (int i = 1; i < 12; ++i) {
        const double a = i * 2 * kPi / 12 - kPi / 2;
        const bool major = i % 3 == 0;
        const double r0 = major ? inner - s * 0.02 : inner;
        const QPointF from = c + QPointF(std::cos(a), std::sin(a)) * r0;
        const QPointF to = c + QPointF(std::cos(a), std::sin(a)) * outer;
        svg += QStringLiteral("    <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" "
                              "stroke-width=\"%5\" stroke-opacity=\"%6\"/>\n")
                   .arg(n(from.x()), n(from.y()), n(to.x()), n(to.y()),
                        n(major ? std::max(1.6, s * 0.05) : std::max(1.0, s * 0.028)),
                        n((major ? 235 : 170) / 255.0));
    }
    svg += QStringLiteral("  </g>\n");

    // Power symbol: the ring open 60 degrees around twelve o'clock, the bar.
    const double ringR = s * 0.23, stroke = std::max(2.6, s * 0.085), gap = 60;
    const double a0 = (90 + gap / 2) * kPi / 180, a1 = (90 - gap / 2) * kPi / 180;
    const QPointF start(c.x() + ringR * std::cos(a0), c.y() - ringR * std::sin(a0));
    const QPointF end(c.x() + ringR * std::cos(a1), c.y() - ringR * std::sin(a1));
    svg += QStringLiteral("  <g fill=\"none\" stroke=\"#ffffff\" stroke-width=\"%1\" "
                          "stroke-linecap=\"round\">\n")
               .arg(n(stroke));
    svg += QStringLiteral("    <path d=\"M %1 %2 A %3 %3 0 1 0 %4 %5\"/>\n")
               .arg(n(start.x()), n(start.y()), n(ringR), n(end.x()), n(end.y()));
    svg += QStringLiteral("    <line x1=\"%1\" y1=\"%2\" x2=\"%1\" y2=\"%3\"/>\n  </g>\n")
               .arg(n(c.x()), n(c.y() - ringR - s * 0.06), n(c.y() - s * 0.02));

    // The amber hand towards four o'clock and the white hub.
    const double ha = 30 * kPi / 180;
    const QPointF handEnd = c + QPointF(std::cos(ha), std::sin(ha)) * ringR * 0.62;
    svg += QStringLiteral("  <line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" "
                          "stroke-width=\"%6\" stroke-linecap=\"round\"/>\n")
               .arg(n(c.x()), n(c.y()), n(handEnd.x()), n(handEnd.y()),
                    svgColour(QColor(255, 196, 70)), n(std::max(2.0, s * 0.05)));
    svg += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"#ffffff\"/>\n</svg>\n")
               .arg(n(c.x()), n(c.y()), n(s * 0.04));
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
        QBuffer buf(&one);
        buf.open(QIODevice::WriteOnly);
        QImageWriter writer(&buf, "ico");
        if (!writer.write(icon))
            return fail(QStringLiteral("cannot encode %1 px icon: %2")
                            .arg(icon.width()).arg(writer.errorString()));
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
