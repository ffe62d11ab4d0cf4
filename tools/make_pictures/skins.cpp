#include "painting.h"
#include "pictures.h"

#include <QTransform>

#include <algorithm>
#include <cmath>

namespace {

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

// A star with a soft halo; bright ones get a four-pointed glint.
void drawStar(QPainter &p, QPointF at, double r, QColor colour, bool glint)
{
    p.setPen(Qt::NoPen);
    drawGlow(p, at, r * 4,
             {{0.0, withAlpha(colour, colour.alpha() * 2 / 3)},
              {0.3, withAlpha(colour, colour.alpha() / 5)}, {1.0, withAlpha(colour, 0)}});
    p.setBrush(colour);
    p.drawEllipse(at, r, r);
    if (glint) {
        for (int axis = 0; axis < 2; ++axis) {
            const QPointF d = axis ? QPointF(0, r * 5.5) : QPointF(r * 5.5, 0);
            const QColor edge = withAlpha(colour, 0);
            const QLinearGradient fade = linear(at - d, at + d, {{0, edge}, {0.5, colour}, {1, edge}});
            drawStroke(p, at - d, at + d, fade, std::max(0.7, r * 0.45), Qt::SquareCap);
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
    p.setPen(Qt::NoPen);
    p.fillPath(cloud, linear(box.topLeft(), QPointF(box.left() + box.width() * 0.25, box.bottom()),
                             {{0.0, light}, {0.55, light}, {1.0, shade}}));
}

// A starfish lying on the sand.
void drawStarfish(QPainter &p, QPointF at, double r, double degrees)
{
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double a = (degrees + i * 36 - 90) * kPi / 180;
        const double rr = i % 2 ? r * 0.42 : r;
        const QPointF pt = polar(at, a, rr);
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(196, 92, 60), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(radial(at, r, {{0, QColor(252, 168, 112)}, {1, QColor(238, 120, 80)}}));
    p.drawPath(star);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 226, 196));
    for (int i = 0; i < 5; ++i) {
        const double a = (degrees + i * 72 - 90) * kPi / 180;
        p.drawEllipse(polar(at, a, r * 0.5), r * 0.07, r * 0.07);
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

} // namespace

// ------------------------------------------------------------ skin: 星空

// Night sky over moonlit snow. Stars fill the sky that shows between the
// controls; in the strip under the buttons a shooting star crosses and the
// full moon rises behind a snowy hill, whose pale, calm slope carries the
// clock line and the notes. Off the visible corner the hill falls away to the
// right into a far plain under more sky.
QImage makeStarrySkin(int scale)
{
    const int w = 480, h = 720;
    const double horizon = 197;
    Canvas canvas(w, h, scale);
    QPainter &p = canvas.p;
    Dice dice(0x5ea51001u);

    // The sky runs down to the far horizon, which only shows on the right
    // where the hill in front falls away; a band of haze lies over the
    // hill's crest under the visible corner.
    const double farHorizon = 468;
    paintSky(p, {.colours = {{0.00, QColor(6, 9, 32)}, {0.30, QColor(14, 21, 60)},
                             {0.70, QColor(26, 36, 92)}, {0.92, QColor(48, 60, 122)},
                             {1.00, QColor(84, 96, 158)}},
                 .towards = QPointF(0, farHorizon), .area = QRectF(0, 0, w, farHorizon + 6)});
    QBrush hazeBrush(
        radial(QPointF(0, 0), 1, {{0, QColor(70, 84, 150, 150)}, {1, QColor(70, 84, 150, 0)}}));
    hazeBrush.setTransform(QTransform::fromTranslate(140, horizon + 4).scale(250, 34));
    p.fillRect(QRectF(0, horizon - 34, w, 72), hazeBrush);

    // The Milky Way: a faint diagonal haze dusted with tiny stars.
    p.save();
    p.translate(150, 120);
    p.rotate(-32);
    p.fillRect(QRectF(-500, -55, 1000, 110),
               vertical(-55, 55, {{0.0, QColor(140, 150, 220, 0)}, {0.5, QColor(150, 160, 228, 44)},
                                  {1.0, QColor(140, 150, 220, 0)}}));
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
        const QGradientStops fade = {{0, QColor(255, 255, 255, 0)}, {1, QColor(255, 255, 255, 240)}};
        drawStroke(p, tail, head, linear(tail, head, fade), 1.5);
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
    p.fillPath(bandBelow(w, h, farEdge),
               vertical(farHorizon - 2, h,
                        {{0.0, QColor(150, 164, 208)}, {0.3, QColor(194, 204, 234)},
                         {1.0, QColor(214, 222, 244)}}));
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
        drawGlow(p, moon, r * 3.4,
                 {{0.0, QColor(255, 246, 214, 150)}, {0.45, QColor(210, 214, 240, 50)},
                  {1.0, QColor(200, 206, 240, 0)}});
        p.setBrush(radial(moon + QPointF(-r * 0.3, -r * 0.4), r * 1.3,
                          {{0, QColor(255, 252, 236)}, {1, QColor(246, 230, 180)}}));
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
    p.fillPath(hill, vertical(horizon - 3, h,
                              {{0.00, QColor(190, 202, 232)}, {0.02, QColor(208, 216, 240)},
                               {0.10, QColor(226, 232, 247)}, {0.40, QColor(236, 240, 250)},
                               {1.00, QColor(242, 244, 251)}}));
    p.strokePath(curveAlong(0, w, ridge), QPen(QColor(246, 248, 255, 170), 1.0));

    // Soft drifts on the hill: a faint blue shadow under a few low crests.
    p.save();
    p.setClipPath(hill);
    const Wave drifts[] = {{228, 3, 150, 0.3}, {262, 4, 190, 2.0}, {310, 5, 230, 4.1},
                           {380, 6, 260, 1.2}, {470, 7, 300, 3.3}, {580, 8, 320, 0.8}};
    for (const Wave &d : drifts) {
        p.fillPath(bandBelow(w, d.y + d.amp + 22, d),
                   vertical(d.y - d.amp, d.y + d.amp + 22,
                            {{0.0, QColor(150, 168, 214, 34)}, {1.0, QColor(150, 168, 214, 0)}}));
        p.strokePath(curveAlong(0, w, d), QPen(QColor(255, 255, 255, 120), 1.0));
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
    return canvas.done();
}

// ------------------------------------------------------------ skin: 天空

// A clear blue day: a bright sun between the two frames, small clouds
// drifting between the controls, and a bank of white cumulus whose tops rise
// into the strip under the buttons and which fills the text band.
QImage makeDaySkySkin(int scale)
{
    const int w = 480, h = 720;
    Canvas canvas(w, h, scale);
    QPainter &p = canvas.p;
    Dice dice(0x5ea52002u);

    paintSky(p, {.colours = {{0.00, QColor(44, 116, 214)}, {0.20, QColor(86, 156, 232)},
                             {0.28, QColor(132, 188, 244)}, {1.00, QColor(188, 218, 250)}},
                 .towards = QPointF(0, h), .area = QRectF(0, 0, w, h),
                 .sun = QPointF(140, 26), .glowRadius = 160,
                 .glow = {{0.00, QColor(255, 255, 244, 255)}, {0.08, QColor(255, 252, 226, 230)},
                          {0.22, QColor(255, 248, 220, 110)}, {0.55, QColor(255, 255, 255, 30)},
                          {1.00, QColor(255, 255, 255, 0)}},
                 .rays = 12, .rayDegrees = 8, .raySpread = 0.05, .rayLength = 260,
                 .rayFadeRadius = 260,
                 .rayFade = {{0.0, QColor(255, 255, 255, 70)}, {1.0, QColor(255, 255, 255, 0)}}});

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
        p.fillRect(QRectF(0, base - 1, w, h - base + 1),
                   vertical(base - 1, base + 70, {{0, shade}, {1, QColor(240, 245, 253)}}));
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
    return canvas.done();
}

// ------------------------------------------------------------ skin: 大海

// The sea: a light sky and the horizon in the gap between the first and the
// second button row, the sun in the gap between the two frames, deep water
// with white crests between the controls, surf in the strip under the
// buttons, and a pale beach under the clock line and the notes.
QImage makeSeaSkin(int scale)
{
    const int w = 480, h = 720;
    const double horizon = 92, shore = 199;
    Canvas canvas(w, h, scale);
    QPainter &p = canvas.p;
    Dice dice(0x5ea53003u);

    const QPointF sun(140, 50);
    paintSky(p, {.colours = {{0.0, QColor(96, 162, 226)}, {0.7, QColor(170, 210, 242)},
                             {1.0, QColor(222, 236, 248)}},
                 .towards = QPointF(0, horizon), .area = QRectF(0, 0, w, horizon + 1),
                 .sun = sun, .glowRadius = 90,
                 .glow = {{0.00, QColor(255, 255, 240, 255)}, {0.12, QColor(255, 250, 222, 240)},
                          {0.30, QColor(255, 246, 214, 90)}, {1.00, QColor(255, 255, 255, 0)}},
                 .glowArea = QRectF(0, 0, w, horizon)});
    for (const QRectF &c :
         {QRectF(40, 40, 80, 18), QRectF(250, 30, 90, 20), QRectF(400, 60, 120, 24)})
        drawCloud(p, c.topLeft(), c.width(), c.height(), dice, Qt::white, QColor(226, 236, 248));

    p.fillRect(QRectF(0, horizon, w, shore - horizon + 8),
               vertical(horizon, shore, {{0.00, QColor(22, 78, 142)}, {0.30, QColor(20, 92, 156)},
                                         {0.65, QColor(26, 120, 174)}, {0.88, QColor(44, 156, 186)},
                                         {1.00, QColor(92, 192, 200)}}));
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
        p.fillPath(bandBelow(w, y0 + 9, edge),
                   vertical(y0 - 2, y0 + 8, {{0, QColor(255, 255, 255, 150 + layer * 18)},
                                             {1, QColor(210, 240, 244, 60)}}));
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
    p.fillPath(bandBelow(w, h, reach),
               vertical(shore - 2, h, {{0.00, QColor(216, 214, 196)}, {0.04, QColor(232, 224, 202)},
                                       {0.09, QColor(243, 234, 210)}, {0.50, QColor(246, 238, 216)},
                                       {1.00, QColor(240, 228, 202)}}));
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
    return canvas.done();
}
