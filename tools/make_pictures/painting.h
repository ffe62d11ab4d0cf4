// Drawing helpers shared by the pictures: the random source, colours,
// curves across a picture, and the parts the splash and about pictures share.

#pragma once

#include <QColor>
#include <QFont>
#include <QGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

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

QColor withAlpha(QColor c, int alpha);

// Gradients given their stops, {position, colour} pairs.
QLinearGradient linear(QPointF from, QPointF to, const QGradientStops &stops);
QRadialGradient radial(QPointF centre, double radius, const QGradientStops &stops);

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

QFont cjkFont(int pixelSize, bool bold);

// A faint clock dial: a thin ring with twelve ticks, centred on the icon.
void drawDial(QPainter &p, QPointF c, double r, int alpha);

// Text with a soft one-pixel shadow below and to the right.
void drawShadowedText(QPainter &p, QPointF at, const QString &text, const QFont &font,
                      QColor colour, QColor shadow);

// Soft diagonal streaks of light from the top edge to the bottom one: streak
// i starts at x0 + i * step, is `top` wide at the top (6 more each streak) and
// leans `lean` to `lean - width` at the bottom.
void drawLightStreaks(QPainter &p, int count, double x0, double step, double top, double lean,
                      double leanFar, double h);
