// Drawing helpers shared by the pictures: the canvas, the random source,
// gradients, strokes and glows, the sky, curves across a picture, and what
// the splash and about pictures have in common.

#pragma once

#include <QFont>
#include <QGradient>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

constexpr double kPi = std::numbers::pi;

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

inline QColor withAlpha(QColor c, int alpha)
{
    c.setAlpha(std::clamp(alpha, 0, 255));
    return c;
}

// A picture being drawn: a w x h image at `scale` device pixels a point,
// cleared, under the antialiased painter `p` in its 1x coordinates.
struct Canvas {
    Canvas(int w, int h, int scale, QImage::Format format = QImage::Format_RGB32);
    QImage done() { p.end(); return image; }
    QImage image;
    QPainter p;
};

// The point `r` from `c` in the direction `radians` (clockwise from the right).
inline QPointF polar(QPointF c, double radians, double r)
{
    return c + QPointF(std::cos(radians), std::sin(radians)) * r;
}

// Gradients given their stops, {position, colour} pairs; vertical() runs from
// y = top to y = bottom.
QLinearGradient linear(QPointF from, QPointF to, const QGradientStops &stops);
QLinearGradient vertical(double top, double bottom, const QGradientStops &stops);
QRadialGradient radial(QPointF centre, double radius, const QGradientStops &stops);

// A straight stroke from a to b, `width` wide, with round (or `cap`) ends;
// the painter keeps the pen.
inline void drawStroke(QPainter &p, QPointF a, QPointF b, const QBrush &brush, double width,
                       Qt::PenCapStyle cap = Qt::RoundCap)
{
    p.setPen(QPen(brush, width, Qt::SolidLine, cap));
    p.drawLine(a, b);
}

// A glow, halo or soft disc: a disc of `radius` filled with a radial
// gradient from its centre (with the painter's pen).
void drawGlow(QPainter &p, QPointF at, double radius, const QGradientStops &stops);

// A sky, as every picture paints its own: `colours` from the top-left corner
// towards `towards` over `area`; then, when `glow` has stops, the sun's glow
// out to `glowRadius` over `glowArea` (or `area`); then `rays` faint rays
// from the sun, the first at `rayDegrees` (clockwise from the right), ray i
// reaching `raySpread + raySpreadStep * (i % 3)` radians to either side of
// its direction and `rayLength` far, lit by `rayFade` out to `rayFadeRadius`.
struct Sky {
    QGradientStops colours{};
    QPointF towards{};
    QRectF area{};
    QPointF sun{};
    double glowRadius = 0;
    QGradientStops glow{};
    QRectF glowArea{};
    int rays = 0;
    double rayDegrees = 0, raySpread = 0, raySpreadStep = 0, rayLength = 0, rayFadeRadius = 0;
    QGradientStops rayFade{};
};

// Paints the sky; leaves the painter's pen off.
void paintSky(QPainter &p, const Sky &sky);

// A sine wave y(x) about `y`: `amp` high, `len` long, starting at `phase`.
struct Wave {
    double y, amp, len, phase;
    double operator()(double x) const { return y + amp * std::sin(2 * kPi * x / len + phase); }
};

// A curve y(x) from x0 to x1, sampled every `step` px, as an open path.
template <typename Curve>
QPainterPath curveAlong(double x0, double x1, Curve curve, double step = 2)
{
    QPainterPath line;
    line.moveTo(x0, curve(x0));
    for (double x = x0 + step; x <= x1; x += step)
        line.lineTo(x, curve(x));
    return line;
}

// A path from x = 0 to x = `right` closed down to y = `bottom`.
inline QPainterPath closedDown(QPainterPath path, double right, double bottom)
{
    path.lineTo(right, bottom);
    path.lineTo(0, bottom);
    path.closeSubpath();
    return path;
}

// A band under a curve y(x) across the picture width, down to `bottom`.
template <typename Curve>
QPainterPath bandBelow(double width, double bottom, Curve curve)
{
    return closedDown(curveAlong(0, width + 2, curve), width + 2, bottom);
}

// The amber of the icon's clock hand.
inline const QColor kAmber(255, 196, 70);

// What the splash and about pictures have in common: the font, the dial,
// the title and the light streaks.
QFont cjkFont(int pixelSize, bool bold);

// A faint clock dial: a thin ring with sixty ticks, the hours longer.
void drawDial(QPainter &p, QPointF c, double r, int alpha);

// The program's name in `size` px at `at` with a soft shadow, under it a thin
// amber rule over `rule` fading out at x = 300, and `subtitle` at `below`.
void drawTitle(QPainter &p, QPointF at, int size, const QRectF &rule, QPointF below,
               const QString &subtitle);

// Soft diagonal streaks of light from the top edge to the bottom one (y = h):
// streak i starts at x = x0 + i * step, is `top` + 6i wide at the top, and
// runs from x + leanFar to x + lean + 6i at the bottom.
void drawLightStreaks(QPainter &p, int count, double x0, double step, double top, double lean,
                      double leanFar, double h);
