// make_pictures: renders Vesperon's artwork (window background and program
// icons) so the build never depends on binary files checked into the tree.
//
//   usage: make_pictures OUTDIR
//
// Writes background.jpg, icon-16.png, icon-32.png, icon-48.png, icon-128.png
// and icon.ico into OUTDIR. Everything is drawn with QPainter and a fixed
// random seed, so repeated runs produce identical files.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double kPi = std::numbers::pi;

// ---------------------------------------------------------------- background

// A calm dusk sky: pale blue fading into a warm peach horizon, a low sun glow
// with faint rays, a few translucent waves and soft bokeh lights. Only the
// top-left 246 x 278 pixels are visible in the main window, so the sun and
// the first wave crest sit inside that corner; contrast stays low everywhere
// so black and red label text remain readable on top.
QImage makeBackground()
{
    const int w = 480, h = 720;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, w * 0.35, h);
    sky.setColorAt(0.00, QColor(214, 231, 250));
    sky.setColorAt(0.22, QColor(232, 236, 252));
    sky.setColorAt(0.40, QColor(250, 238, 236));
    sky.setColorAt(0.70, QColor(253, 233, 216));
    sky.setColorAt(1.00, QColor(246, 226, 230));
    p.fillRect(img.rect(), sky);

    // Sun glow near the upper right of the visible corner.
    const QPointF sun(196, 58);
    QRadialGradient glow(sun, 170);
    glow.setColorAt(0.00, QColor(255, 252, 238, 235));
    glow.setColorAt(0.18, QColor(255, 244, 220, 150));
    glow.setColorAt(0.55, QColor(255, 236, 214, 45));
    glow.setColorAt(1.00, QColor(255, 236, 214, 0));
    p.fillRect(img.rect(), glow);

    // Faint rays fanning out from the sun.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 11; ++i) {
        const double a = (i * 360.0 / 11 + 12) * kPi / 180.0;
        const double spread = 0.07 + 0.035 * (i % 3);
        QPainterPath ray(sun);
        ray.lineTo(sun + QPointF(std::cos(a - spread), std::sin(a - spread)) * 900);
        ray.lineTo(sun + QPointF(std::cos(a + spread), std::sin(a + spread)) * 900);
        ray.closeSubpath();
        QRadialGradient fade(sun, 420);
        fade.setColorAt(0.0, QColor(255, 255, 255, 0));
        fade.setColorAt(0.12, QColor(255, 255, 255, 60));
        fade.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setBrush(fade);
        p.drawPath(ray);
    }

    // Layered soft waves; each is a sine band filled down to the bottom edge.
    struct Wave { double y, amp, len, phase; QColor top, bottom; };
    const Wave waves[] = {
        {150, 14, 330, 0.6, QColor(255, 255, 255, 70), QColor(255, 255, 255, 0)},
        {206, 11, 260, 2.1, QColor(214, 226, 248, 80), QColor(240, 226, 240, 20)},
        {250, 9, 210, 4.0, QColor(255, 255, 255, 95), QColor(255, 244, 236, 30)},
        {420, 16, 300, 1.3, QColor(244, 208, 196, 55), QColor(240, 206, 214, 25)},
        {560, 12, 240, 3.2, QColor(255, 255, 255, 70), QColor(255, 255, 255, 15)},
    };
    for (const Wave &wv : waves) {
        QPainterPath crest;
        crest.moveTo(0, wv.y + wv.amp * std::sin(wv.phase));
        for (int x = 4; x <= w; x += 4)
            crest.lineTo(x, wv.y + wv.amp * std::sin(2 * kPi * x / wv.len + wv.phase));
        QPainterPath band = crest;
        band.lineTo(w, h);
        band.lineTo(0, h);
        band.closeSubpath();
        QLinearGradient g(0, wv.y - wv.amp, 0, wv.y + 220);
        g.setColorAt(0, wv.top);
        g.setColorAt(1, wv.bottom);
        p.fillPath(band, g);
        // A thin bright line along the crest.
        p.strokePath(crest, QPen(QColor(255, 255, 255, 110), 1.2));
    }

    // Bokeh: translucent discs with a soft rim, half of them in the
    // visible corner so the skin looks alive where it is actually seen.
    std::mt19937 rng(20240517u);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const QColor tints[] = {QColor(255, 255, 255), QColor(255, 226, 190),
                            QColor(206, 222, 255), QColor(255, 210, 222)};
    for (int i = 0; i < 46; ++i) {
        const bool corner = i % 2 == 0;
        const double x = corner ? unit(rng) * 246 : unit(rng) * w;
        const double y = corner ? unit(rng) * 278 : unit(rng) * h;
        const double r = 6 + std::pow(unit(rng), 2.0) * (corner ? 26 : 40);
        const QColor c = tints[std::uniform_int_distribution<int>(0, 3)(rng)];
        const int a = 40 + int(unit(rng) * 50);
        QRadialGradient disc(QPointF(x, y), r);
        disc.setColorAt(0.0, QColor(c.red(), c.green(), c.blue(), a / 2));
        disc.setColorAt(0.82, QColor(c.red(), c.green(), c.blue(), a));
        disc.setColorAt(1.0, QColor(c.red(), c.green(), c.blue(), 0));
        p.setBrush(disc);
        p.drawEllipse(QPointF(x, y), r, r);
    }

    // Tiny sparkles, mostly within the visible corner.
    for (int i = 0; i < 40; ++i) {
        const double x = unit(rng) * (i < 28 ? 246 : w);
        const double y = unit(rng) * (i < 28 ? 278 : h);
        const double r = 0.8 + unit(rng) * 1.4;
        p.setBrush(QColor(255, 255, 255, 120 + int(unit(rng) * 100)));
        p.drawEllipse(QPointF(x, y), r, r);
    }
    return img;
}

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

// --------------------------------------------------------------------- output

bool fail(const QString &what)
{
    std::fprintf(stderr, "make_pictures: %s\n", qPrintable(what));
    return false;
}

bool writeImage(const QImage &img, const QString &path, const char *format, int quality = -1)
{
    QImageWriter writer(path, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(img))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, writer.errorString()));
    return true;
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

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(header + dir + data) != headerSize + dir.size() + data.size()
        || !file.flush())
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

} // namespace

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

    bool ok = writeImage(makeBackground(), out.filePath("background.jpg"), "jpg", 90);
    std::vector<QImage> icons;
    for (int size : {16, 32, 48, 128}) {
        icons.push_back(makeIcon(size));
        ok = writeImage(icons.back(), out.filePath(QStringLiteral("icon-%1.png").arg(size)), "png")
             && ok;
    }
    ok = writeIco(icons, out.filePath("icon.ico")) && ok;
    return ok ? 0 : 1;
}
