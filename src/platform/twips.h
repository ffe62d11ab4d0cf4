#pragma once
// Every length of the program's layout is written in twips, the unit of the
// original window designs; this is the one place they become Qt pixels.

#include <QPoint>
#include <QRect>
#include <QSize>

namespace platform {

inline constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips)
{
    // Round half away from zero, so that -7 and 7 twips both land on 0 px.
    return twips >= 0 ? (twips + kTwipsPerPixel / 2) / kTwipsPerPixel
                      : -((-twips + kTwipsPerPixel / 2) / kTwipsPerPixel);
}

constexpr int twips(int pixels) { return pixels * kTwipsPerPixel; }

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

inline QPoint twipsPoint(int x, int y) { return QPoint(px(x), px(y)); }
inline QSize twipsSize(int width, int height) { return QSize(px(width), px(height)); }

} // namespace platform
