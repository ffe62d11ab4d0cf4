#include "painting.h"

#include <QLinearGradient>
#include <QRadialGradient>

#include <cmath>

Canvas::Canvas(int w, int h, int scale, QImage::Format format)
    : image(w * scale, h * scale, format)
{
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    p.begin(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
}

QLinearGradient linear(QPointF from, QPointF to, const QGradientStops &stops)
{
    QLinearGradient gradient(from, to);
    gradient.setStops(stops);
    return gradient;
}

QLinearGradient vertical(double top, double bottom, const QGradientStops &stops)
{
    return linear(QPointF(0, top), QPointF(0, bottom), stops);
}

QRadialGradient radial(QPointF centre, double radius, const QGradientStops &stops)
{
    QRadialGradient gradient(centre, radius);
    gradient.setStops(stops);
    return gradient;
}

void drawGlow(QPainter &p, QPointF at, double radius, const QGradientStops &stops)
{
    p.setBrush(radial(at, radius, stops));
    p.drawEllipse(at, radius, radius);
}

void paintSky(QPainter &p, const Sky &sky)
{
    p.fillRect(sky.area, linear(QPointF(0, 0), sky.towards, sky.colours));
    if (!sky.glow.isEmpty())
        p.fillRect(sky.glowArea.isEmpty() ? sky.area : sky.glowArea,
                   radial(sky.sun, sky.glowRadius, sky.glow));
    p.setPen(Qt::NoPen);
    if (sky.rays > 0)
        p.setBrush(radial(sky.sun, sky.rayFadeRadius, sky.rayFade));
    for (int i = 0; i < sky.rays; ++i) {
        const double a = (i * 360.0 / sky.rays + sky.rayDegrees) * kPi / 180;
        const double spread = sky.raySpread + sky.raySpreadStep * (i % 3);
        QPainterPath ray(sky.sun);
        ray.lineTo(polar(sky.sun, a - spread, sky.rayLength));
        ray.lineTo(polar(sky.sun, a + spread, sky.rayLength));
        ray.closeSubpath();
        p.drawPath(ray);
    }
}

QFont cjkFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void drawDial(QPainter &p, QPointF c, double r, int alpha)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, alpha / 2), 1.2));
    p.drawEllipse(c, r, r);
    for (int i = 0; i < 60; ++i) {
        const double a = i * kPi / 30;
        const bool hour = i % 5 == 0;
        const double r0 = r - (hour ? 9 : 4);
        drawStroke(p, polar(c, a, r0), polar(c, a, r - 1.5),
                   QColor(255, 255, 255, hour ? alpha : alpha / 2), hour ? 2.4 : 1.0);
    }
}

void drawTitle(QPainter &p, QPointF at, int size, const QRectF &rule, QPointF below,
               const QString &subtitle)
{
    const QString title = QStringLiteral("关机工具");
    p.setFont(cjkFont(size, true));
    p.setPen(QColor(255, 255, 255, 200));
    p.drawText(at + QPointF(1.5, 1.5), title);
    p.setPen(QColor(30, 42, 118));
    p.drawText(at, title);
    p.fillRect(rule, linear(QPointF(at.x(), 0), QPointF(300, 0),
                            {{0, QColor(255, 190, 60, 230)}, {1, QColor(255, 190, 60, 0)}}));
    p.setFont(cjkFont(15, false));
    p.setPen(QColor(70, 82, 132));
    p.drawText(below, subtitle);
}

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
