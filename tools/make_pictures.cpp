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

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QDir>
#include <QFont>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>
#include <QTransform>
#include <QtEndian>

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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
QImage makeBackground(int scale)
{
    const int w = 480, h = 720;
    QImage img(w * scale, h * scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(scale); // drawn in the 1x coordinates
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

// ------------------------------------------------------------ shared helpers

// A deterministic random source. The standard distributions are not specified
// bit for bit, so the numbers are derived from the raw mt19937 output, which
// is: a seed gives the same sequence with every standard library.
class Dice
{
public:
    explicit Dice(std::uint32_t seed) : gen_(seed) {}
    double unit() { return double(gen_() >> 8) * (1.0 / 16777216.0); }  // [0, 1)
    double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // Roughly normal, mean 0 and deviation 1 (sum of four uniforms).
    double bell() { return (unit() + unit() + unit() + unit() - 2.0) * 1.732; }

private:
    std::mt19937 gen_;
};

// The icon drawn at `size` x `scale` pixels, to be painted `size` wide.
QImage scaledIcon(int size, int scale)
{
    QImage icon = makeIcon(size * scale);
    icon.setDevicePixelRatio(scale);
    return icon;
}

QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(std::clamp(alpha, 0, 255));
    return c;
}

// The main window shows the top-left 246 x 278 pixels of a skin. These are
// the opaque controls in that corner: the two frames, the three button rows,
// the wide button and the bottom row. Everything else shows the picture.
constexpr int kClientWidth = 246, kClientHeight = 278;
const QRectF kControls[] = {
    {8, 8, 129, 57},   {144, 8, 97, 57},                       // frames
    {8, 64, 73, 25},   {88, 64, 73, 25},  {168, 64, 73, 25},   // first row
    {8, 96, 73, 25},   {88, 96, 73, 25},  {168, 96, 73, 25},   // second row
    {8, 128, 233, 17},                                         // wide button
    {8, 152, 65, 33},  {80, 152, 81, 33}, {168, 152, 73, 33},  // bottom row
};

// True when a point of the client area lies in a gap between the controls
// (at least `margin` pixels away from each of them).
bool inControlGap(QPointF pt, double margin)
{
    if (pt.x() < 0 || pt.y() < 0 || pt.x() >= kClientWidth || pt.y() >= kClientHeight)
        return false;
    for (const QRectF &r : kControls)
        if (r.adjusted(-margin, -margin, margin, margin).contains(pt))
            return false;
    return true;
}

// A band under a curve y(x), sampled every 2 px across the picture width and
// closed down to `bottom`.
template <typename Curve>
QPainterPath bandBelow(double width, double bottom, Curve curve)
{
    QPainterPath band;
    band.moveTo(0, curve(0.0));
    for (double x = 2; x <= width + 2; x += 2)
        band.lineTo(x, curve(x));
    band.lineTo(width + 2, bottom);
    band.lineTo(0, bottom);
    band.closeSubpath();
    return band;
}

// A curve y(x) along the picture width, as an open path (for strokes).
template <typename Curve>
QPainterPath curveAlong(double x0, double x1, Curve curve)
{
    QPainterPath line;
    line.moveTo(x0, curve(x0));
    for (double x = x0 + 2; x <= x1; x += 2)
        line.lineTo(x, curve(x));
    return line;
}

// ------------------------------------------------------------ skin: 星空

// A star with a soft halo; bright ones get a four-pointed glint.
void drawStar(QPainter &p, QPointF at, double r, QColor colour, bool glint)
{
    p.setPen(Qt::NoPen);
    QRadialGradient halo(at, r * 4);
    halo.setColorAt(0.0, withAlpha(colour, colour.alpha() * 2 / 3));
    halo.setColorAt(0.3, withAlpha(colour, colour.alpha() / 5));
    halo.setColorAt(1.0, withAlpha(colour, 0));
    p.setBrush(halo);
    p.drawEllipse(at, r * 4, r * 4);
    p.setBrush(colour);
    p.drawEllipse(at, r, r);
    if (glint) {
        for (int axis = 0; axis < 2; ++axis) {
            const QPointF d = axis ? QPointF(0, r * 5.5) : QPointF(r * 5.5, 0);
            QLinearGradient fade(at - d, at + d);
            fade.setColorAt(0.0, withAlpha(colour, 0));
            fade.setColorAt(0.5, colour);
            fade.setColorAt(1.0, withAlpha(colour, 0));
            p.setPen(QPen(QBrush(fade), std::max(0.7, r * 0.45)));
            p.drawLine(at - d, at + d);
        }
        p.setPen(Qt::NoPen);
    }
}

// A small snow-laden fir: a dark trunk and three tiers with white on top.
void drawSnowyFir(QPainter &p, double x, double base, double height)
{
    const double half = height * 0.30;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(44, 36, 46));
    p.drawRect(QRectF(x - height * 0.035, base - height * 0.14, height * 0.07, height * 0.16));
    for (int tier = 0; tier < 3; ++tier) {
        const double top = base - height + tier * height * 0.26;
        const double bottom = base - height * 0.12 - (2 - tier) * height * 0.22;
        const double spread = half * (0.55 + 0.225 * tier);
        QPainterPath cone;
        cone.moveTo(x, top);
        cone.lineTo(x + spread, bottom);
        cone.quadTo(x, bottom - height * 0.05, x - spread, bottom);
        cone.closeSubpath();
        p.setBrush(QColor(30, 52, 70));
        p.drawPath(cone);
        QPainterPath snow;
        snow.moveTo(x, top);
        snow.lineTo(x + spread * 0.62, top + (bottom - top) * 0.62);
        snow.quadTo(x, top + (bottom - top) * 0.42, x - spread * 0.62, top + (bottom - top) * 0.62);
        snow.closeSubpath();
        p.setBrush(QColor(236, 242, 252));
        p.drawPath(snow);
    }
}

// Night sky over moonlit snow. Stars fill the sky that shows between the
// controls; in the strip under the buttons a shooting star crosses and the
// full moon rises behind a snowy hill, whose pale, calm slope carries the
// clock line and the notes. Off the visible corner the hill falls away to the
// right into a far plain under more sky.
QImage makeStarrySkin(int scale)
{
    const int w = 480, h = 720;
    const double horizon = 197;
    QImage img(w * scale, h * scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(scale); // drawn in the 1x coordinates
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Dice dice(0x5ea51001u);

    // The sky runs down to the far horizon, which only shows on the right
    // where the hill in front falls away; a band of haze lies over the
    // hill's crest under the visible corner.
    const double farHorizon = 468;
    QLinearGradient sky(0, 0, 0, farHorizon);
    sky.setColorAt(0.00, QColor(6, 9, 32));
    sky.setColorAt(0.30, QColor(14, 21, 60));
    sky.setColorAt(0.70, QColor(26, 36, 92));
    sky.setColorAt(0.92, QColor(48, 60, 122));
    sky.setColorAt(1.00, QColor(84, 96, 158));
    p.fillRect(QRectF(0, 0, w, farHorizon + 6), sky);
    QRadialGradient haze(QPointF(0, 0), 1);
    haze.setColorAt(0, QColor(70, 84, 150, 150));
    haze.setColorAt(1, QColor(70, 84, 150, 0));
    QBrush hazeBrush(haze);
    hazeBrush.setTransform(QTransform::fromTranslate(140, horizon + 4).scale(250, 34));
    p.fillRect(QRectF(0, horizon - 34, w, 72), hazeBrush);

    // The Milky Way: a faint diagonal haze dusted with tiny stars.
    p.save();
    p.translate(150, 120);
    p.rotate(-32);
    QLinearGradient band(0, -55, 0, 55);
    band.setColorAt(0.0, QColor(140, 150, 220, 0));
    band.setColorAt(0.5, QColor(150, 160, 228, 44));
    band.setColorAt(1.0, QColor(140, 150, 220, 0));
    p.fillRect(QRectF(-500, -55, 1000, 110), band);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 700; ++i) {
        const QPointF at(dice.range(-500, 500), dice.bell() * 22);
        p.setBrush(QColor(220, 226, 255, int(dice.range(50, 150))));
        const double r = dice.range(0.3, 0.7);
        p.drawEllipse(at, r, r);
    }
    p.restore();

    // Field stars over the whole sky.
    const QColor tints[] = {QColor(255, 255, 255), QColor(210, 224, 255), QColor(255, 240, 214)};
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 1000; ++i) {
        const QPointF at(dice.unit() * w, dice.unit() * (farHorizon - 2));
        const double r = 0.45 + std::pow(dice.unit(), 3.0) * 0.9;
        QColor c = tints[int(dice.unit() * 3)];
        p.setBrush(withAlpha(c, int(dice.range(110, 255))));
        p.drawEllipse(at, r, r);
    }

    // Bright stars, placed where the controls leave the sky visible.
    for (int placed = 0; placed < 26;) {
        const QPointF at(dice.unit() * kClientWidth, dice.unit() * (horizon - 4));
        if (!inControlGap(at, 1.5))
            continue;
        const double r = dice.range(0.9, 1.7);
        drawStar(p, at, r, tints[placed % 3], r > 1.2);
        ++placed;
    }
    for (int i = 0; i < 24; ++i) {
        const QPointF at(kClientWidth + dice.unit() * (w - kClientWidth), dice.unit() * (farHorizon - 60));
        const double r = dice.range(0.9, 1.8);
        drawStar(p, at, r, tints[i % 3], r > 1.3);
    }

    // A shooting star in the strip under the buttons, above the rule there.
    {
        const QPointF head(76, 189.6), tail(12, 185.8);
        QLinearGradient trail(tail, head);
        trail.setColorAt(0, QColor(255, 255, 255, 0));
        trail.setColorAt(1, QColor(255, 255, 255, 240));
        p.setPen(QPen(QBrush(trail), 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(tail, head);
        drawStar(p, head, 1.2, QColor(255, 255, 255), false);
    }

    // The snowy hill in front: its crest runs level under the visible corner
    // and falls away to the right, where a far plain lies under the sky.
    auto ridge = [&](double x) {
        const double t = std::clamp((x - 250) / 220, 0.0, 1.0);
        const double fall = (farHorizon + 6 - horizon) * t * t * (3 - 2 * t);
        return horizon + 1.4 * std::sin(x / 37 + 0.4) + 0.9 * std::sin(x / 13 + 1.7) + fall;
    };
    auto farEdge = [&](double x) { return farHorizon + 2.0 * std::sin(x / 53 + 1.0); };
    QLinearGradient plain(0, farHorizon - 2, 0, h);
    plain.setColorAt(0.0, QColor(150, 164, 208));
    plain.setColorAt(0.3, QColor(194, 204, 234));
    plain.setColorAt(1.0, QColor(214, 222, 244));
    p.fillPath(bandBelow(w, h, farEdge), plain);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(34, 48, 86));
    for (double x = 262; x < w; x += dice.range(5, 11)) {
        const double base = farEdge(x) + 1, th = dice.range(5, 12);
        QPainterPath fir;
        fir.moveTo(x, base - th);
        fir.lineTo(x + th * 0.28, base);
        fir.lineTo(x - th * 0.28, base);
        fir.closeSubpath();
        p.drawPath(fir);
    }

    // The full moon rising behind the hill: its upper part shows in the strip
    // between the bottom buttons and the snow, and lights the sky around it.
    {
        const QPointF moon(206, 204);
        const double r = 20;
        QRadialGradient glow(moon, r * 3.4);
        glow.setColorAt(0.0, QColor(255, 246, 214, 150));
        glow.setColorAt(0.45, QColor(210, 214, 240, 50));
        glow.setColorAt(1.0, QColor(200, 206, 240, 0));
        p.setBrush(glow);
        p.drawEllipse(moon, r * 3.4, r * 3.4);
        QRadialGradient lit(moon + QPointF(-r * 0.3, -r * 0.4), r * 1.3);
        lit.setColorAt(0, QColor(255, 252, 236));
        lit.setColorAt(1, QColor(246, 230, 180));
        p.setBrush(lit);
        p.drawEllipse(moon, r, r);
        // A few darker seas on the disc.
        p.setBrush(QColor(214, 204, 170, 120));
        p.drawEllipse(moon + QPointF(-7, -12), 4.5, 3.0);
        p.drawEllipse(moon + QPointF(5, -14), 3.0, 2.2);
        p.drawEllipse(moon + QPointF(9, -7), 3.5, 2.6);
        p.drawEllipse(moon + QPointF(-12, -5), 2.4, 2.0);
    }

    // The hill itself, pale and blue in the moonlight.
    const QPainterPath hill = bandBelow(w, h, ridge);
    QLinearGradient snow(0, horizon - 3, 0, h);
    snow.setColorAt(0.00, QColor(190, 202, 232));
    snow.setColorAt(0.02, QColor(208, 216, 240));
    snow.setColorAt(0.10, QColor(226, 232, 247));
    snow.setColorAt(0.40, QColor(236, 240, 250));
    snow.setColorAt(1.00, QColor(242, 244, 251));
    p.fillPath(hill, snow);
    p.strokePath(curveAlong(0, w, ridge), QPen(QColor(246, 248, 255, 170), 1.0));

    // Soft drifts on the hill: a faint blue shadow under a few low crests.
    p.save();
    p.setClipPath(hill);
    struct Drift { double y, amp, len, phase; };
    const Drift drifts[] = {{228, 3, 150, 0.3}, {262, 4, 190, 2.0}, {310, 5, 230, 4.1},
                            {380, 6, 260, 1.2}, {470, 7, 300, 3.3}, {580, 8, 320, 0.8}};
    for (const Drift &d : drifts) {
        auto crest = [&](double x) { return d.y + d.amp * std::sin(2 * kPi * x / d.len + d.phase); };
        QLinearGradient shade(0, d.y - d.amp, 0, d.y + d.amp + 22);
        shade.setColorAt(0.0, QColor(150, 168, 214, 34));
        shade.setColorAt(1.0, QColor(150, 168, 214, 0));
        p.fillPath(bandBelow(w, d.y + d.amp + 22, crest), shade);
        p.strokePath(curveAlong(0, w, crest), QPen(QColor(255, 255, 255, 120), 1.0));
    }
    // Moonlight glittering on the snow.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 160; ++i) {
        const QPointF at(dice.unit() * w, horizon + 4 + dice.unit() * (h - horizon - 4));
        p.setBrush(i % 3 ? QColor(255, 255, 255, 210) : QColor(170, 190, 240, 120));
        const double r = dice.range(0.4, 0.9);
        p.drawEllipse(at, r, r);
    }
    p.restore();

    // One small fir in the free corner right of the notes, more down the
    // slope further out.
    drawSnowyFir(p, 236, 253, 31);
    for (const QPointF &fir : {QPointF(292, 30), QPointF(318, 42), QPointF(352, 54),
                               QPointF(384, 40), QPointF(420, 62), QPointF(456, 50)})
        drawSnowyFir(p, fir.x(), ridge(fir.x()) + fir.y() * 0.25, fir.y());
    return img;
}

// ------------------------------------------------------------ skin: 天空

// A cumulus cloud: overlapping puffs above a flat base, lit from the top left
// and shaded towards the base.
void drawCloud(QPainter &p, QPointF base, double width, double height, Dice &dice,
               QColor light = QColor(255, 255, 255), QColor shade = QColor(214, 226, 244))
{
    QPainterPath cloud;
    cloud.setFillRule(Qt::WindingFill);  // the puffs overlap; fill their union
    const int puffs = 5 + int(dice.unit() * 3);
    for (int i = 0; i < puffs; ++i) {
        const double t = (i + 0.5) / puffs * 2 - 1;  // -1 .. 1 across the cloud
        const double r = height * (0.34 + 0.5 * (1 - t * t)) * dice.range(0.85, 1.1);
        const QPointF c(base.x() + t * width * 0.42, base.y() - r * 0.78);
        cloud.addEllipse(c, r, r);
    }
    cloud.addRoundedRect(QRectF(base.x() - width * 0.5, base.y() - height * 0.32, width,
                                height * 0.32),
                         height * 0.16, height * 0.16);
    cloud = cloud.simplified();
    const QRectF box = cloud.boundingRect();
    QLinearGradient fill(box.topLeft(), QPointF(box.left() + box.width() * 0.25, box.bottom()));
    fill.setColorAt(0.0, light);
    fill.setColorAt(0.55, light);
    fill.setColorAt(1.0, shade);
    p.setPen(Qt::NoPen);
    p.fillPath(cloud, fill);
}

// A clear blue day: a bright sun between the two frames, small clouds
// drifting between the controls, and a bank of white cumulus whose tops rise
// into the strip under the buttons and which fills the text band.
QImage makeDaySkySkin(int scale)
{
    const int w = 480, h = 720;
    QImage img(w * scale, h * scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(scale); // drawn in the 1x coordinates
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Dice dice(0x5ea52002u);

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.00, QColor(44, 116, 214));
    sky.setColorAt(0.20, QColor(86, 156, 232));
    sky.setColorAt(0.28, QColor(132, 188, 244));
    sky.setColorAt(1.00, QColor(188, 218, 250));
    p.fillRect(img.rect(), sky);

    const QPointF sun(140, 26);
    QRadialGradient glow(sun, 160);
    glow.setColorAt(0.00, QColor(255, 255, 244, 255));
    glow.setColorAt(0.08, QColor(255, 252, 226, 230));
    glow.setColorAt(0.22, QColor(255, 248, 220, 110));
    glow.setColorAt(0.55, QColor(255, 255, 255, 30));
    glow.setColorAt(1.00, QColor(255, 255, 255, 0));
    p.fillRect(img.rect(), glow);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        const double a = (i * 30 + 8) * kPi / 180;
        QPainterPath ray(sun);
        ray.lineTo(sun + QPointF(std::cos(a - 0.05), std::sin(a - 0.05)) * 260);
        ray.lineTo(sun + QPointF(std::cos(a + 0.05), std::sin(a + 0.05)) * 260);
        ray.closeSubpath();
        QRadialGradient fade(sun, 260);
        fade.setColorAt(0.0, QColor(255, 255, 255, 70));
        fade.setColorAt(1.0, QColor(255, 255, 255, 0));
        p.setBrush(fade);
        p.drawPath(ray);
    }

    // Small clouds in the upper sky; their edges show between the controls.
    struct Puff { double x, y, w, h; };
    const Puff high[] = {{30, 96, 90, 30},  {200, 92, 110, 34}, {120, 150, 130, 36},
                         {4, 160, 60, 22},  {236, 152, 70, 26}, {60, 30, 80, 26},
                         {300, 70, 150, 44}, {420, 140, 120, 40}, {350, 200, 110, 34}};
    for (const Puff &c : high)
        drawCloud(p, QPointF(c.x, c.y), c.w, c.h, dice);

    // The cloud bank: rows of big puffs, each row in front of the one above
    // it, with the space under a row's flat base filled in its shade colour.
    // The first row is low: only its tops rise into the strip under the
    // buttons, so the text band below is white.
    for (int row = 0; row < 9; ++row) {
        const double base = row == 0 ? 212 : 190 + row * 58;
        const QColor shade = row == 0 ? QColor(226, 234, 248) : QColor(230, 237, 250);
        for (double x = -30 + row * 23; x < w + 60;) {
            const double cw = row == 0 ? dice.range(50, 80) : dice.range(100, 140);
            const double ch = row == 0 ? dice.range(11, 14) : dice.range(28, 40);
            drawCloud(p, QPointF(x, base), cw, ch, dice, QColor(255, 255, 255), shade);
            x += cw * dice.range(0.55, 0.75);
        }
        QLinearGradient under(0, base - 1, 0, base + 70);
        under.setColorAt(0, shade);
        under.setColorAt(1, QColor(240, 245, 253));
        p.fillRect(QRectF(0, base - 1, w, h - base + 1), under);
    }

    // A pair of birds in the strip under the buttons.
    p.setPen(QPen(QColor(56, 72, 104), 1.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (const QPointF &b : {QPointF(34, 191), QPointF(47, 189)}) {
        QPainterPath bird;
        bird.moveTo(b + QPointF(-4.5, 0.8));
        bird.quadTo(b + QPointF(-2.5, -2.6), b);
        bird.quadTo(b + QPointF(2.5, -2.6), b + QPointF(4.5, 0.8));
        p.drawPath(bird);
    }
    return img;
}

// ------------------------------------------------------------ skin: 大海

// A starfish lying on the sand.
void drawStarfish(QPainter &p, QPointF at, double r, double degrees)
{
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double a = (degrees + i * 36 - 90) * kPi / 180;
        const double rr = i % 2 ? r * 0.42 : r;
        const QPointF pt = at + QPointF(std::cos(a), std::sin(a)) * rr;
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(196, 92, 60), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QRadialGradient fill(at, r);
    fill.setColorAt(0, QColor(252, 168, 112));
    fill.setColorAt(1, QColor(238, 120, 80));
    p.setBrush(fill);
    p.drawPath(star);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 226, 196));
    for (int i = 0; i < 5; ++i) {
        const double a = (degrees + i * 72 - 90) * kPi / 180;
        p.drawEllipse(at + QPointF(std::cos(a), std::sin(a)) * r * 0.5, r * 0.07, r * 0.07);
    }
}

// A scallop shell.
void drawShell(QPainter &p, QPointF at, double r, double degrees)
{
    p.save();
    p.translate(at);
    p.rotate(degrees);
    QPainterPath fan;
    fan.moveTo(0, r * 0.45);
    fan.cubicTo(-r * 1.3, -r * 0.2, -r * 0.6, -r * 1.05, 0, -r * 0.95);
    fan.cubicTo(r * 0.6, -r * 1.05, r * 1.3, -r * 0.2, 0, r * 0.45);
    p.setPen(QPen(QColor(200, 150, 132), 1.0));
    p.setBrush(QColor(250, 226, 214));
    p.drawPath(fan);
    p.setPen(QPen(QColor(214, 170, 150), 0.8));
    for (int i = -2; i <= 2; ++i)
        p.drawLine(QPointF(0, r * 0.4), QPointF(i * r * 0.3, -r * 0.8 + std::abs(i) * r * 0.12));
    p.restore();
}

// The sea: a light sky and the horizon in the gap between the first and the
// second button row, the sun in the gap between the two frames, deep water
// with white crests between the controls, surf in the strip under the
// buttons, and a pale beach under the clock line and the notes.
QImage makeSeaSkin(int scale)
{
    const int w = 480, h = 720;
    const double horizon = 92, shore = 199;
    QImage img(w * scale, h * scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(scale); // drawn in the 1x coordinates
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Dice dice(0x5ea53003u);

    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0.0, QColor(96, 162, 226));
    sky.setColorAt(0.7, QColor(170, 210, 242));
    sky.setColorAt(1.0, QColor(222, 236, 248));
    p.fillRect(QRectF(0, 0, w, horizon + 1), sky);

    const QPointF sun(140, 50);
    QRadialGradient glow(sun, 90);
    glow.setColorAt(0.00, QColor(255, 255, 240, 255));
    glow.setColorAt(0.12, QColor(255, 250, 222, 240));
    glow.setColorAt(0.30, QColor(255, 246, 214, 90));
    glow.setColorAt(1.00, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(0, 0, w, horizon), glow);
    drawCloud(p, QPointF(40, 40), 80, 18, dice, QColor(255, 255, 255), QColor(226, 236, 248));
    drawCloud(p, QPointF(250, 30), 90, 20, dice, QColor(255, 255, 255), QColor(226, 236, 248));
    drawCloud(p, QPointF(400, 60), 120, 24, dice, QColor(255, 255, 255), QColor(226, 236, 248));

    QLinearGradient sea(0, horizon, 0, shore);
    sea.setColorAt(0.00, QColor(22, 78, 142));
    sea.setColorAt(0.30, QColor(20, 92, 156));
    sea.setColorAt(0.65, QColor(26, 120, 174));
    sea.setColorAt(0.88, QColor(44, 156, 186));
    sea.setColorAt(1.00, QColor(92, 192, 200));
    p.fillRect(QRectF(0, horizon, w, shore - horizon + 8), sea);
    p.setPen(QPen(QColor(236, 244, 252, 170), 1.0));
    p.drawLine(QPointF(0, horizon + 0.5), QPointF(w, horizon + 0.5));

    // White crests: short arcs, larger and further apart towards the shore.
    p.setBrush(Qt::NoBrush);
    for (double y = horizon + 3; y < shore - 12;) {
        const double depth = (y - horizon) / (shore - horizon);  // 0 far, 1 near
        for (double x = dice.range(-20, 0); x < w; x += dice.range(14, 30) + depth * 40) {
            const double len = 6 + depth * 26 * dice.range(0.6, 1.2);
            QPainterPath crest;
            crest.moveTo(x, y + 1.5);
            crest.quadTo(x + len * 0.45, y - 1 - depth * 2.5, x + len, y + 1);
            p.setPen(QPen(QColor(236, 248, 255, int(70 + depth * 120)), 0.8 + depth * 1.4,
                          Qt::SolidLine, Qt::RoundCap));
            p.drawPath(crest);
        }
        y += 3 + depth * 9;
    }

    // The sun's glitter path on the water below it.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 260; ++i) {
        const double y = horizon + 1 + std::pow(dice.unit(), 1.4) * (shore - horizon - 20);
        const double spread = 5 + (y - horizon) * 0.35;
        const double x = sun.x() + dice.bell() * spread;
        const double len = 1.5 + dice.unit() * (2 + (y - horizon) * 0.06);
        p.setBrush(QColor(255, 252, 230, int(dice.range(120, 240))));
        p.drawRoundedRect(QRectF(x - len / 2, y, len, 1.1), 0.5, 0.5);
    }

    // Surf: layers of foam rolling in, the last one sliding over the sand.
    for (int layer = 0; layer < 5; ++layer) {
        const double y0 = 180 + layer * 4.2;
        const double len = 46 + layer * 9, phase = layer * 1.9;
        auto edge = [&](double x) {
            return y0 + 1.8 * std::sin(2 * kPi * x / len + phase)
                   + 0.8 * std::sin(2 * kPi * x / 17 + phase * 2);
        };
        QLinearGradient foam(0, y0 - 2, 0, y0 + 8);
        foam.setColorAt(0, QColor(255, 255, 255, 150 + layer * 18));
        foam.setColorAt(1, QColor(210, 240, 244, 60));
        p.fillPath(bandBelow(w, y0 + 9, edge), foam);
        p.strokePath(curveAlong(0, w, edge), QPen(QColor(255, 255, 255, 230), 1.0));
    }
    // Bubbles in the foam.
    for (int i = 0; i < 220; ++i) {
        const QPointF at(dice.unit() * w, 181 + dice.unit() * 18);
        const double r = dice.range(0.5, 1.6);
        p.setPen(QPen(QColor(120, 190, 204, 110), 0.6));
        p.setBrush(QColor(255, 255, 255, 150));
        p.drawEllipse(at, r, r);
    }

    // The beach: damp sand where the water runs back, then dry pale sand.
    auto reach = [&](double x) {
        return shore + 1.5 * std::sin(x / 31 + 0.7) + 1.0 * std::sin(x / 11 + 2.2);
    };
    QLinearGradient sand(0, shore - 2, 0, h);
    sand.setColorAt(0.00, QColor(216, 214, 196));
    sand.setColorAt(0.04, QColor(232, 224, 202));
    sand.setColorAt(0.09, QColor(243, 234, 210));
    sand.setColorAt(0.50, QColor(246, 238, 216));
    sand.setColorAt(1.00, QColor(240, 228, 202));
    p.fillPath(bandBelow(w, h, reach), sand);
    // A thin sheet of water over the damp sand, edged with lace.
    auto film = [&](double x) {
        return shore + 9 + 2.2 * std::sin(x / 23 + 1.1) + 1.2 * std::sin(x / 9 + 0.3);
    };
    QPainterPath sheet = bandBelow(w, h, reach).subtracted(bandBelow(w, h, film));
    p.fillPath(sheet, QColor(196, 232, 236, 70));
    p.strokePath(curveAlong(0, w, film), QPen(QColor(255, 255, 255, 200), 1.1));
    p.strokePath(curveAlong(0, w, reach), QPen(QColor(255, 255, 255, 235), 1.4));

    // Sand grain and ripples, kept faint for the text on top.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 1400; ++i) {
        const QPointF at(dice.unit() * w, shore + 14 + dice.unit() * (h - shore - 14));
        p.setBrush(i % 2 ? QColor(196, 176, 140, 40) : QColor(255, 255, 250, 70));
        p.drawEllipse(at, 0.6, 0.6);
    }
    for (int i = 0; i < 9; ++i) {
        const double y = 300 + i * 46;
        auto ripple = [&](double x) { return y + 3 * std::sin(x / 40 + i * 1.3); };
        p.strokePath(curveAlong(0, w, ripple), QPen(QColor(214, 196, 160, 60), 1.2));
    }

    drawStarfish(p, QPointF(236, 240), 8, 12);
    drawShell(p, QPointF(300, 270), 8, -20);
    drawStarfish(p, QPointF(400, 330), 12, -8);
    drawShell(p, QPointF(120, 420), 9, 15);
    drawShell(p, QPointF(360, 520), 7, 40);
    return img;
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

// ------------------------------------------------------- splash and about

const QString kCjkFont = QStringLiteral("WenQuanYi Micro Hei");

QFont cjkFont(int pixelSize, bool bold)
{
    QFont font(kCjkFont);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

// A faint clock dial: a thin ring with twelve ticks, centred on the icon.
void drawDial(QPainter &p, QPointF c, double r, int alpha)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, alpha / 2), 1.2));
    p.drawEllipse(c, r, r);
    for (int i = 0; i < 60; ++i) {
        const double a = i * kPi / 30;
        const bool hour = i % 5 == 0;
        const double r0 = r - (hour ? 9 : 4);
        p.setPen(QPen(QColor(255, 255, 255, hour ? alpha : alpha / 2), hour ? 2.4 : 1.0,
                      Qt::SolidLine, Qt::RoundCap));
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * r0,
                   c + QPointF(std::cos(a), std::sin(a)) * (r - 1.5));
    }
}

// Text with a soft one-pixel shadow below and to the right.
void drawShadowedText(QPainter &p, QPointF at, const QString &text, const QFont &font,
                      QColor colour, QColor shadow)
{
    p.setFont(font);
    p.setPen(shadow);
    p.drawText(at + QPointF(1.5, 1.5), text);
    p.setPen(colour);
    p.drawText(at, text);
}

// Soft diagonal streaks of light from the top edge to the bottom one: streak
// i starts at x0 + i * step, is `top` wide at the top (6 more each streak) and
// leans `lean` to `lean - width` at the bottom.
void drawLightStreaks(QPainter &p, int count, double x0, double step, double top, double lean,
                      double leanFar, double h)
{
    p.setPen(Qt::NoPen);
    for (int i = 0; i < count; ++i) {
        QPainterPath streak;
        const double x = x0 + i * step;
        streak.moveTo(x, 0);
        streak.lineTo(x + top + i * 6, 0);
        streak.lineTo(x + lean + i * 6, h);
        streak.lineTo(x + leanFar, h);
        streak.closeSubpath();
        p.setBrush(QColor(255, 255, 255, 14 + i * 3));
        p.drawPath(streak);
    }
}

// The splash picture (500 x 200). Light on the left for the large title and
// the red line at the bottom left, deepening into the icon's blue and purple
// on the right, where the program icon glows inside a clock dial and the
// white version label sits at the bottom right. A mid-tone plate in the
// top-left corner carries the window's black and near-white labels. Frame 1
// moves the glow behind the icon and lights the dial's next hour tick.
QImage makeSplashFrame(int frame, int scale)
{
    const int w = 500, h = 200;
    QImage img(w * scale, h * scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(scale); // drawn in the 1x coordinates
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient bg(0, 0, w, 0);
    bg.setColorAt(0.00, QColor(238, 242, 251));
    bg.setColorAt(0.42, QColor(218, 226, 246));
    bg.setColorAt(0.60, QColor(132, 148, 222));
    bg.setColorAt(0.72, QColor(64, 78, 184));
    bg.setColorAt(1.00, QColor(42, 30, 110));
    p.fillRect(img.rect(), bg);
    // Deeper shade towards the bottom-right corner, under the version label.
    QRadialGradient floor(QPointF(w, h), 230);
    floor.setColorAt(0.0, QColor(16, 12, 52, 140));
    floor.setColorAt(1.0, QColor(16, 12, 52, 0));
    p.fillRect(img.rect(), floor);

    // Soft diagonal light streaks over the gradient.
    drawLightStreaks(p, 4, 230, 46, 22, -60, -82, h);

    const QPointF iconCentre(420, 86);
    const QPointF glowAt = iconCentre + (frame == 0 ? QPointF(-14, -10) : QPointF(14, 10));
    QRadialGradient glow(glowAt, 96);
    glow.setColorAt(0.0, QColor(170, 196, 255, frame == 0 ? 170 : 190));
    glow.setColorAt(0.5, QColor(140, 150, 255, 60));
    glow.setColorAt(1.0, QColor(120, 120, 255, 0));
    p.setBrush(glow);
    p.drawEllipse(glowAt, 96, 96);
    drawDial(p, iconCentre, 70, 110);
    // One hour tick of the dial lit in amber; it moves on by one in frame 1.
    {
        const double a = (frame == 0 ? -60 : -30) * kPi / 180;
        p.setPen(QPen(QColor(255, 196, 70), 3.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(iconCentre + QPointF(std::cos(a), std::sin(a)) * 61,
                   iconCentre + QPointF(std::cos(a), std::sin(a)) * 68.5);
    }
    p.drawImage(QPointF(iconCentre.x() - 48, iconCentre.y() - 48), scaledIcon(96, scale));

    // Title, a thin amber rule and the subtitle.
    drawShadowedText(p, QPointF(40, 104), QStringLiteral("关机工具"), cjkFont(64, true),
                     QColor(30, 42, 118), QColor(255, 255, 255, 200));
    QLinearGradient rule(40, 0, 300, 0);
    rule.setColorAt(0, QColor(255, 190, 60, 230));
    rule.setColorAt(1, QColor(255, 190, 60, 0));
    p.fillRect(QRectF(42, 118, 258, 2.5), rule);
    p.setFont(cjkFont(15, false));
    p.setPen(QColor(70, 82, 132));
    p.drawText(QPointF(43, 143), QStringLiteral("Vesperon  定时关机 · 倒计时 · 提醒"));

    // The mid-tone plate in the top-left corner.
    QPainterPath plate;
    plate.moveTo(0, 0);
    plate.lineTo(124, 0);
    plate.quadTo(118, 21, 100, 21);
    plate.lineTo(0, 21);
    plate.closeSubpath();
    QLinearGradient plateFill(0, 0, 0, 21);
    plateFill.setColorAt(0, QColor(116, 124, 152));
    plateFill.setColorAt(1, QColor(102, 110, 140));
    p.fillPath(plate, plateFill);
    p.end();
    return img;
}

// The about window's banner (500 x 200): the same motif as the splash. Light
// on the left, where the window's black label sits in the top-left corner,
// with the icon and the title; the dial in the middle; dark plum at the
// right end, under the white credit line, the near-white notes and the
// button, leading into the window's red background.
QImage makeAbout(int scale)
{
    const int w = 500, h = 200;
    QImage img(w * scale, h * scale, QImage::Format_RGB32);
    img.setDevicePixelRatio(scale); // drawn in the 1x coordinates
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient bg(0, 0, w, 0);
    bg.setColorAt(0.00, QColor(240, 243, 251));
    bg.setColorAt(0.40, QColor(220, 227, 246));
    bg.setColorAt(0.60, QColor(120, 134, 216));
    bg.setColorAt(0.76, QColor(60, 58, 164));
    bg.setColorAt(0.88, QColor(72, 26, 96));
    bg.setColorAt(1.00, QColor(138, 14, 38));
    p.fillRect(img.rect(), bg);

    drawLightStreaks(p, 3, 250, 50, 24, -56, -80, h);

    const QPointF dial(356, 100);
    QRadialGradient glow(dial, 90);
    glow.setColorAt(0.0, QColor(170, 196, 255, 120));
    glow.setColorAt(1.0, QColor(120, 120, 255, 0));
    p.setBrush(glow);
    p.drawEllipse(dial, 90, 90);
    drawDial(p, dial, 64, 110);
    // Clock hands on the dial: the amber hand of the icon and a white one.
    p.setPen(QPen(QColor(255, 255, 255, 200), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(dial, dial + QPointF(0, -40));
    p.setPen(QPen(QColor(255, 196, 70), 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(dial, dial + QPointF(std::cos(kPi / 6), std::sin(kPi / 6)) * 30);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255));
    p.drawEllipse(dial, 4, 4);

    p.drawImage(QPointF(26, 52), scaledIcon(96, scale));
    drawShadowedText(p, QPointF(140, 104), QStringLiteral("关机工具"), cjkFont(44, true),
                     QColor(30, 42, 118), QColor(255, 255, 255, 200));
    QLinearGradient rule(140, 0, 300, 0);
    rule.setColorAt(0, QColor(255, 190, 60, 230));
    rule.setColorAt(1, QColor(255, 190, 60, 0));
    p.fillRect(QRectF(141, 116, 150, 2.5), rule);
    p.setFont(cjkFont(15, false));
    p.setPen(QColor(70, 82, 132));
    p.drawText(QPointF(142, 140), QStringLiteral("Vesperon 定时关机"));
    p.end();
    return img;
}

// ------------------------------------------------------------ scalable icon

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

// --------------------------------------------------------------------- output

bool fail(const QString &what)
{
    std::fprintf(stderr, "make_pictures: %s\n", qPrintable(what));
    return false;
}

// Every file is encoded in memory first and then written in one go, so a
// full disk or a failing close is noticed rather than leaving a cut-off file
// behind a zero exit status.
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    // close() clears the error state, so the reason is taken before it.
    bool written = file.write(bytes) == bytes.size() && file.flush();
    QString reason = file.errorString();
    if (written) {
        file.close();
        written = file.error() == QFileDevice::NoError;
        reason = file.errorString();
    }
    if (!written)
        return fail(QStringLiteral("cannot write %1: %2").arg(path, reason));
    return true;
}

bool encodeImage(const QImage &img, const char *format, int quality, QByteArray *bytes,
                 const QString &path)
{
    QBuffer buf(bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(img))
        return fail(QStringLiteral("cannot encode %1: %2").arg(path, writer.errorString()));
    return true;
}

bool writeImage(const QImage &img, const QString &path, const char *format, int quality = -1)
{
    QByteArray bytes;
    return encodeImage(img, format, quality, &bytes, path) && writeFile(path, bytes);
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

// ------------------------------------------------------------------ gif

// The splash window keys out RGB(88, 88, 88); no pixel of the splash may
// have that colour.
constexpr QRgb kTransparencyKey = 0xff585858;

// A palette of at most `count` colours for all frames together, by median
// cut: the box of colours with the widest spread (weighted by how many
// pixels it holds) is split at the median of its widest channel until there
// are enough boxes; each box gives its mean colour.
QList<QRgb> medianCutPalette(const std::vector<QImage> &frames, int count)
{
    std::vector<QRgb> pixels;
    for (const QImage &frame : frames) {
        const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y) {
            const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
            pixels.insert(pixels.end(), line, line + rgb.width());
        }
    }
    std::sort(pixels.begin(), pixels.end());
    struct Entry { int c[3]; qint64 weight; };
    std::vector<Entry> entries;
    for (size_t i = 0; i < pixels.size();) {
        size_t j = i;
        while (j < pixels.size() && pixels[j] == pixels[i])
            ++j;
        entries.push_back({{qRed(pixels[i]), qGreen(pixels[i]), qBlue(pixels[i])}, qint64(j - i)});
        i = j;
    }

    struct Box { size_t begin, end; };
    auto spread = [&](const Box &b, int *channel) {
        int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        for (size_t i = b.begin; i < b.end; ++i)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], entries[i].c[k]);
                hi[k] = std::max(hi[k], entries[i].c[k]);
            }
        int best = 0;
        for (int k = 1; k < 3; ++k)
            if (hi[k] - lo[k] > hi[best] - lo[best])
                best = k;
        *channel = best;
        return hi[best] - lo[best];
    };
    auto weight = [&](const Box &b) {
        qint64 sum = 0;
        for (size_t i = b.begin; i < b.end; ++i)
            sum += entries[i].weight;
        return sum;
    };

    std::vector<Box> boxes{{0, entries.size()}};
    while (int(boxes.size()) < count) {
        int pick = -1, channel = 0;
        double bestScore = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            if (boxes[i].end - boxes[i].begin < 2)
                continue;
            int ch;
            const int range = spread(boxes[i], &ch);
            const double score = double(range) * std::sqrt(double(weight(boxes[i])));
            if (range > 0 && score > bestScore) {
                bestScore = score;
                pick = i;
                channel = ch;
            }
        }
        if (pick < 0)
            break;  // every box holds a single colour
        Box &b = boxes[size_t(pick)];
        // Sort by the channel, ties by the whole colour, so the order is total.
        std::sort(entries.begin() + qsizetype(b.begin), entries.begin() + qsizetype(b.end),
                  [channel](const Entry &x, const Entry &y) {
                      if (x.c[channel] != y.c[channel])
                          return x.c[channel] < y.c[channel];
                      return std::lexicographical_compare(x.c, x.c + 3, y.c, y.c + 3);
                  });
        const qint64 half = weight(b) / 2;
        qint64 run = 0;
        size_t cut = b.begin;
        while (cut < b.end - 1 && run + entries[cut].weight <= half)
            run += entries[cut++].weight;
        cut = std::clamp(cut, b.begin + 1, b.end - 1);
        const Box upper{cut, b.end};
        b.end = cut;
        boxes.push_back(upper);
    }

    QList<QRgb> palette;
    for (const Box &b : boxes) {
        double sum[3] = {0, 0, 0};
        const double total = double(weight(b));
        for (size_t i = b.begin; i < b.end; ++i)
            for (int k = 0; k < 3; ++k)
                sum[k] += entries[i].c[k] * double(entries[i].weight);
        QRgb colour = qRgb(int(std::lround(sum[0] / total)), int(std::lround(sum[1] / total)),
                           int(std::lround(sum[2] / total)));
        if (colour == kTransparencyKey)
            colour = qRgb(88, 88, 90);  // nudged off the key, invisibly
        palette.push_back(colour);
    }
    return palette;
}

int appendToByteArray(GifFileType *gif, const GifByteType *data, int length)
{
    static_cast<QByteArray *>(gif->UserData)->append(reinterpret_cast<const char *>(data), length);
    return length;
}

QString gifError(int code)
{
    const char *text = GifErrorString(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("giflib error %1").arg(code);
}

// An animated GIF89a with one global palette, looping, `delay` hundredths of
// a second per frame. Qt maps the pixels to the palette; giflib encodes.
bool writeGif(const std::vector<QImage> &frames, int delay, const QString &path)
{
    const int w = frames.front().width(), h = frames.front().height();
    QList<QRgb> palette = medianCutPalette(frames, 256);
    std::vector<QImage> indexed;
    for (const QImage &frame : frames) {
        if (frame.size() != frames.front().size())
            return fail(QStringLiteral("%1: frames differ in size").arg(path));
        indexed.push_back(frame.convertToFormat(QImage::Format_RGB32)
                              .convertToFormat(QImage::Format_Indexed8, palette,
                                               Qt::ThresholdDither | Qt::AvoidDither));
        const QImage &img = indexed.back();
        if (img.format() != QImage::Format_Indexed8 || img.colorTable() != palette)
            return fail(QStringLiteral("%1: unexpected result from the colour mapping").arg(path));
        for (int y = 0; y < h; ++y) {
            const uchar *line = img.constScanLine(y);
            for (int x = 0; x < w; ++x)
                if (line[x] >= palette.size() || palette[line[x]] == kTransparencyKey)
                    return fail(QStringLiteral("%1: pixel with the transparency key").arg(path));
        }
    }

    // giflib wants a power of two entries; the padding is black, never used.
    std::vector<GifColorType> colours(256, GifColorType{0, 0, 0});
    for (qsizetype i = 0; i < palette.size(); ++i)
        colours[size_t(i)] = GifColorType{GifByteType(qRed(palette[i])),
                                          GifByteType(qGreen(palette[i])),
                                          GifByteType(qBlue(palette[i]))};
    ColorMapObject *map = GifMakeMapObject(256, colours.data());
    if (!map)
        return fail(QStringLiteral("%1: out of memory for the colour map").arg(path));

    QByteArray bytes;
    int error = 0;
    GifFileType *gif = EGifOpen(&bytes, appendToByteArray, &error);
    if (!gif) {
        GifFreeMapObject(map);
        return fail(QStringLiteral("cannot start %1: %2").arg(path, gifError(error)));
    }
    EGifSetGifVersion(gif, true);
    QString problem;
    auto check = [&](int rc, const char *step) {
        if (rc != GIF_OK && problem.isEmpty())
            problem = QStringLiteral("%1: %2").arg(QLatin1String(step), gifError(gif->Error));
        return problem.isEmpty();
    };

    if (check(EGifPutScreenDesc(gif, w, h, 8, 0, map), "screen descriptor")) {
        // NETSCAPE2.0 application extension: loop for ever.
        static const GifByteType app[11] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        static const GifByteType loop[3] = {1, 0, 0};
        check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE), "loop extension")
            && check(EGifPutExtensionBlock(gif, sizeof app, app), "loop extension")
            && check(EGifPutExtensionBlock(gif, sizeof loop, loop), "loop extension")
            && check(EGifPutExtensionTrailer(gif), "loop extension");
    }
    std::vector<GifPixelType> row(size_t(w), 0);
    for (const QImage &img : indexed) {
        if (!problem.isEmpty())
            break;
        GraphicsControlBlock gcb{DISPOSE_DO_NOT, false, delay, NO_TRANSPARENT_COLOR};
        GifByteType ext[4];
        const size_t extLength = EGifGCBToExtension(&gcb, ext);
        if (!check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extLength), ext),
                   "graphics control")
            || !check(EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr), "image descriptor"))
            break;
        for (int y = 0; y < h; ++y) {
            std::copy_n(img.constScanLine(y), w, row.begin());
            if (!check(EGifPutLine(gif, row.data(), w), "image data"))
                break;
        }
    }
    GifFreeMapObject(map);
    int closeError = 0;
    if (EGifCloseFile(gif, &closeError) != GIF_OK && problem.isEmpty())
        problem = QStringLiteral("finishing: %1").arg(gifError(closeError));
    if (!problem.isEmpty())
        return fail(QStringLiteral("cannot encode %1: %2").arg(path, problem));
    return writeFile(path, bytes);
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
