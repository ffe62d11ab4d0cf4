#include "painting.h"
#include "pictures.h"

#include <QList>

#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <map>

// The splash picture (500 x 200). Light on the left for the large title and
// the red line at the bottom left, deepening into the icon's blue and purple
// on the right, where the program icon glows inside a clock dial and the
// white version label sits at the bottom right. A mid-tone plate in the
// top-left corner carries the window's black and near-white labels. Frame 1
// moves the glow behind the icon and lights the dial's next hour tick.
QImage makeSplashFrame(int frame, int scale)
{
    const int w = 500, h = 200;
    Canvas canvas(w, h, scale);
    QPainter &p = canvas.p;

    // Light to dark from left to right; the sky's glow is a deeper shade in
    // the bottom-right corner, under the version label.
    paintSky(p, {.colours = {{0.00, QColor(238, 242, 251)}, {0.42, QColor(218, 226, 246)},
                             {0.60, QColor(132, 148, 222)}, {0.72, QColor(64, 78, 184)},
                             {1.00, QColor(42, 30, 110)}},
                 .towards = QPointF(w, 0), .area = QRectF(0, 0, w, h), .sun = QPointF(w, h),
                 .glowRadius = 230,
                 .glow = {{0.0, QColor(16, 12, 52, 140)}, {1.0, QColor(16, 12, 52, 0)}}});

    // Soft diagonal light streaks over the gradient.
    drawLightStreaks(p, 4, 230, 46, 22, -60, -82, h);

    const QPointF iconCentre(420, 86);
    const QPointF glowAt = iconCentre + (frame == 0 ? QPointF(-14, -10) : QPointF(14, 10));
    drawGlow(p, glowAt, 96, {{0.0, QColor(170, 196, 255, frame == 0 ? 170 : 190)},
                             {0.5, QColor(140, 150, 255, 60)}, {1.0, QColor(120, 120, 255, 0)}});
    drawDial(p, iconCentre, 70, 110);
    // One hour tick of the dial lit in amber; it moves on by one in frame 1.
    const double tick = (frame == 0 ? -60 : -30) * kPi / 180;
    drawStroke(p, polar(iconCentre, tick, 61), polar(iconCentre, tick, 68.5), kAmber, 3.0);
    p.drawImage(QPointF(iconCentre.x() - 48, iconCentre.y() - 48), scaledIcon(96, scale));

    drawTitle(p, QPointF(40, 104), 64, QRectF(42, 118, 258, 2.5), QPointF(43, 143),
              QStringLiteral("Vesperon  定时关机 · 倒计时 · 提醒"));

    // The mid-tone plate in the top-left corner.
    QPainterPath plate;
    plate.moveTo(0, 0);
    plate.lineTo(124, 0);
    plate.quadTo(118, 21, 100, 21);
    plate.lineTo(0, 21);
    plate.closeSubpath();
    p.fillPath(plate, vertical(0, 21, {{0, QColor(116, 124, 152)}, {1, QColor(102, 110, 140)}}));
    return canvas.done();
}

// ------------------------------------------------------------------ gif

namespace {

// The splash window keys out RGB(88, 88, 88); no pixel of the splash may
// have that colour.
constexpr QRgb kTransparencyKey = 0xff585858;

// A palette of at most `count` colours for all frames together, by median
// cut: the box of colours with the widest spread (weighted by how many
// pixels it holds) is split at the median of its widest channel until there
// are enough boxes; each box gives its mean colour.
// giflib's GifQuantizeBuffer (deprecated in gif_lib.h) does not replace it:
// it keeps 5 bits of each channel and maps each pixel by its 5-bit cell, so
// the splash's gradients come out in visible bands and its white as
// RGB(248, 248, 248): 33.8 dB against 43.9 dB here (frame 0 at 1x, both
// frames quantized together). Its colours can fall on the key as well.
QList<QRgb> medianCutPalette(const std::vector<QImage> &frames, int count)
{
    std::map<QRgb, qint64> histogram;  // in colour order
    for (const QImage &frame : frames) {
        const QImage rgb = frame.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
            for (int x = 0; x < rgb.width(); ++x)
                ++histogram[rgb.pixel(x, y)];
    }
    struct Entry { int c[3]; qint64 weight; };
    std::vector<Entry> entries;
    for (const auto &[rgb, weight] : histogram)
        entries.push_back({{qRed(rgb), qGreen(rgb), qBlue(rgb)}, weight});

    // A box: a run of entries, their weight, the channel they spread widest in
    // and how wide.
    struct Box { size_t begin, end; qint64 weight; int channel, range; };
    auto box = [&](size_t begin, size_t end) {
        Box b{begin, end, 0, 0, 0};
        int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
        for (size_t i = begin; i < end; ++i) {
            b.weight += entries[i].weight;
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], entries[i].c[k]);
                hi[k] = std::max(hi[k], entries[i].c[k]);
            }
        }
        for (int k = 1; k < 3; ++k)
            if (hi[k] - lo[k] > hi[b.channel] - lo[b.channel])
                b.channel = k;
        b.range = hi[b.channel] - lo[b.channel];
        return b;
    };

    std::vector<Box> boxes{box(0, entries.size())};
    while (int(boxes.size()) < count) {
        int pick = -1;
        double bestScore = 0;
        for (int i = 0; i < int(boxes.size()); ++i) {
            const Box &b = boxes[size_t(i)];
            const double score = double(b.range) * std::sqrt(double(b.weight));
            if (b.end - b.begin >= 2 && b.range > 0 && score > bestScore) {
                bestScore = score;
                pick = i;
            }
        }
        if (pick < 0)
            break;  // every box holds a single colour
        const Box b = boxes[size_t(pick)];
        // Sort by the channel, ties by the whole colour, so the order is total.
        std::sort(entries.begin() + qsizetype(b.begin), entries.begin() + qsizetype(b.end),
                  [channel = b.channel](const Entry &x, const Entry &y) {
                      if (x.c[channel] != y.c[channel])
                          return x.c[channel] < y.c[channel];
                      return std::lexicographical_compare(x.c, x.c + 3, y.c, y.c + 3);
                  });
        qint64 run = 0;
        size_t cut = b.begin;
        while (cut < b.end - 1 && run + entries[cut].weight <= b.weight / 2)
            run += entries[cut++].weight;
        cut = std::clamp(cut, b.begin + 1, b.end - 1);
        boxes[size_t(pick)] = box(b.begin, cut);
        boxes.push_back(box(cut, b.end));
    }

    QList<QRgb> palette;
    for (const Box &b : boxes) {
        double sum[3] = {0, 0, 0};
        for (size_t i = b.begin; i < b.end; ++i)
            for (int k = 0; k < 3; ++k)
                sum[k] += entries[i].c[k] * double(entries[i].weight);
        const double total = double(b.weight);
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

} // namespace

// An animated GIF89a with one global palette, looping, `delay` hundredths of
// a second per frame. Qt maps the pixels to the palette; giflib encodes.
bool writeGif(const std::vector<QImage> &frames, int delay, const QString &path)
{
    const int w = frames.front().width(), h = frames.front().height();
    const QList<QRgb> palette = medianCutPalette(frames, 256);
    if (palette.contains(kTransparencyKey))  // then no pixel can have the key colour
        return fail(QStringLiteral("%1: the transparency key in the palette").arg(path));
    std::vector<QImage> indexed;
    for (const QImage &frame : frames) {
        if (frame.size() != frames.front().size())
            return fail(QStringLiteral("%1: frames differ in size").arg(path));
        indexed.push_back(frame.convertToFormat(QImage::Format_RGB32)
                              .convertToFormat(QImage::Format_Indexed8, palette,
                                               Qt::ThresholdDither | Qt::AvoidDither));
        if (indexed.back().format() != QImage::Format_Indexed8
            || indexed.back().colorTable() != palette)
            return fail(QStringLiteral("%1: unexpected result from the colour mapping").arg(path));
    }

    // giflib wants a power of two entries; the padding is black, never used.
    ColorMapObject *map = GifMakeMapObject(256, nullptr);
    if (!map)
        return fail(QStringLiteral("%1: out of memory for the colour map").arg(path));
    for (qsizetype i = 0; i < palette.size(); ++i)
        map->Colors[i] = {GifByteType(qRed(palette[i])), GifByteType(qGreen(palette[i])),
                          GifByteType(qBlue(palette[i]))};

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
    for (QImage &img : indexed) {
        if (!problem.isEmpty())
            break;
        GraphicsControlBlock gcb{DISPOSE_DO_NOT, false, delay, NO_TRANSPARENT_COLOR};
        GifByteType ext[4];
        const size_t extLength = EGifGCBToExtension(&gcb, ext);
        if (!check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(extLength), ext),
                   "graphics control")
            || !check(EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr), "image descriptor"))
            break;
        for (int y = 0; y < h; ++y)
            if (!check(EGifPutLine(gif, img.scanLine(y), w), "image data"))
                break;
    }
    GifFreeMapObject(map);
    int closeError = 0;
    if (EGifCloseFile(gif, &closeError) != GIF_OK && problem.isEmpty())
        problem = QStringLiteral("finishing: %1").arg(gifError(closeError));
    if (!problem.isEmpty())
        return fail(QStringLiteral("cannot encode %1: %2").arg(path, problem));
    return writeFile(path, bytes);
}
