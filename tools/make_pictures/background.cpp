#include "painting.h"
#include "pictures.h"

#include <cmath>
#include <random>

// A calm dusk sky: pale blue fading into a warm peach horizon, a low sun glow
// with faint rays, a few translucent waves and soft bokeh lights. Only the
// top-left 246 x 278 pixels are visible in the main window, so the sun and
// the first wave crest sit inside that corner; contrast stays low everywhere
// so black and red label text remain readable on top.
QImage makeBackground(int scale)
{
    const int w = 480, h = 720;
    Canvas canvas(w, h, scale);
    QPainter &p = canvas.p;

    // The sun glows near the upper right of the visible corner, its faint
    // rays fanning out over the whole picture.
    paintSky(p, {.colours = {{0.00, QColor(214, 231, 250)}, {0.22, QColor(232, 236, 252)},
                             {0.40, QColor(250, 238, 236)}, {0.70, QColor(253, 233, 216)},
                             {1.00, QColor(246, 226, 230)}},
                 .towards = QPointF(w * 0.35, h), .area = QRectF(0, 0, w, h),
                 .sun = QPointF(196, 58), .glowRadius = 170,
                 .glow = {{0.00, QColor(255, 252, 238, 235)}, {0.18, QColor(255, 244, 220, 150)},
                          {0.55, QColor(255, 236, 214, 45)}, {1.00, QColor(255, 236, 214, 0)}},
                 .rays = 11, .rayDegrees = 12, .raySpread = 0.07, .raySpreadStep = 0.035,
                 .rayLength = 900, .rayFadeRadius = 420,
                 .rayFade = {{0.0, QColor(255, 255, 255, 0)}, {0.12, QColor(255, 255, 255, 60)},
                             {1.0, QColor(255, 255, 255, 0)}}});

    // Layered soft waves; each is a sine band filled down to the bottom edge.
    struct Band { Wave wave; QColor top, bottom; };
    const Band bands[] = {
        {{150, 14, 330, 0.6}, QColor(255, 255, 255, 70), QColor(255, 255, 255, 0)},
        {{206, 11, 260, 2.1}, QColor(214, 226, 248, 80), QColor(240, 226, 240, 20)},
        {{250, 9, 210, 4.0}, QColor(255, 255, 255, 95), QColor(255, 244, 236, 30)},
        {{420, 16, 300, 1.3}, QColor(244, 208, 196, 55), QColor(240, 206, 214, 25)},
        {{560, 12, 240, 3.2}, QColor(255, 255, 255, 70), QColor(255, 255, 255, 15)},
    };
    for (const Band &b : bands) {
        const QPainterPath crest = curveAlong(0, w, b.wave, 4);
        const Wave &v = b.wave;
        p.fillPath(closedDown(crest, w, h),
                   vertical(v.y - v.amp, v.y + 220, {{0, b.top}, {1, b.bottom}}));
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
        drawGlow(p, QPointF(x, y), r,
                 {{0.0, withAlpha(c, a / 2)}, {0.82, withAlpha(c, a)}, {1.0, withAlpha(c, 0)}});
    }

    // Tiny sparkles, mostly within the visible corner.
    for (int i = 0; i < 40; ++i) {
        const double x = unit(rng) * (i < 28 ? 246 : w);
        const double y = unit(rng) * (i < 28 ? 278 : h);
        const double r = 0.8 + unit(rng) * 1.4;
        p.setBrush(QColor(255, 255, 255, 120 + int(unit(rng) * 100)));
        p.drawEllipse(QPointF(x, y), r, r);
    }
    return canvas.done();
}
