#include "fitting_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QScopedValueRollback>
#include <QStyle>

#include <algorithm>
#include <cmath>

namespace platform {

FittingLabel::FittingLabel(QWidget* parent) : Label(parent), fullSize_(font())
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void FittingLabel::setText(const QString& text)
{
    const QString before = QLabel::text();
    if (text == before)
        return;
    // QLabel repaints its whole box for a new text. A line whose beginning
    // stays as it was (the clock's date, from one second to the next) needs
    // only its changed end drawn and sent to the screen again, so the
    // label's own repaint is held back and the changed part asked for.
    const QFont drawnIn = font();
    const bool ownRepaint = updatesEnabled();
    if (ownRepaint)
        setAttribute(Qt::WA_UpdatesDisabled, true);
    QLabel::setText(text);
    if (ownRepaint)
        setAttribute(Qt::WA_UpdatesDisabled, false);
    fit(); // a new size repaints the whole line itself
    if (ownRepaint && font() == drawnIn)
        update(changedPart(before, text));
}

void FittingLabel::changeEvent(QEvent* event)
{
    // A font given to the label from outside (its own, or the window's) is
    // the new full size; our own reductions are not.
    if (event->type() == QEvent::FontChange) {
        keptBeginning_.clear();
        if (!fitting_) {
            fullSize_ = font();
            advances_.clear();
            fit();
        }
    }
    QLabel::changeEvent(event);
}

void FittingLabel::paintEvent(QPaintEvent*)
{
    // The one line of plain text, drawn by the style as QLabel draws it, but
    // without the frame, the document and the options it has no use for here
    // (the clock line is drawn each second).
    const QString& line = QLabel::text();
    QPainter painter(this);
    const int m = margin();
    const Qt::LayoutDirection direction = line.isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
    const int flags = int(QStyle::visualAlignment(direction, alignment()))
                      | (direction == Qt::LeftToRight ? Qt::TextForceLeftToRight : Qt::TextForceRightToLeft);
    style()->drawItemText(&painter, contentsRect().adjusted(m, m, -m, -m), flags, palette(), isEnabled(), line,
                          foregroundRole());
}

void FittingLabel::fit()
{
    const double room = contentsRect().width() - 2 * margin() - 1;
    QFont font = fullSize_;
    double size = fullSize_.pointSizeF();
    // Kerning and shaping move a line by a pixel or two at most: one whose
    // advances leave more room than that fits without being shaped (the
    // clock line, each second).
    constexpr double kShapingSlack = 4;
    const std::optional<double> quick = quickWidth(QLabel::text());
    if (size > 0 && !(quick && *quick <= room - kShapingSlack)) {
        const double wide = QFontMetricsF(font).horizontalAdvance(QLabel::text());
        if (wide > room && room > 0) {
            // Start from the proportional size and step down until it fits:
            // glyph widths do not scale exactly with the point size.
            size = std::max(kSmallestPointSize, std::floor(size * room / wide * 4) / 4);
            font.setPointSizeF(size);
            while (size > kSmallestPointSize && QFontMetricsF(font).horizontalAdvance(QLabel::text()) > room) {
                size = std::max(kSmallestPointSize, size - 0.25);
                font.setPointSizeF(size);
            }
        }
    }
    if (font != QLabel::font()) {
        const QScopedValueRollback guard(fitting_, true);
        setFont(font);
    }
}

QRect FittingLabel::changedPart(const QString& before, const QString& after)
{
    const QRect whole = contentsRect();
    // Only a single line drawn left to right from the left edge keeps its
    // unchanged beginning where it was.
    const auto single = [](const QString& line) {
        return !line.isRightToLeft() && std::none_of(line.cbegin(), line.cend(), [](QChar c) {
                   return c.unicode() < 0x20 || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
               });
    };
    if (!(alignment() & Qt::AlignLeft) || !single(before) || !single(after))
        return whole;
    qsizetype same = 0;
    while (same < before.size() && same < after.size() && before[same] == after[same])
        ++same;
    // Kerning and shaping work within a word: the repaint begins with the
    // word in which the texts part.
    const qsizetype word = same > 0 ? before.lastIndexOf(QLatin1Char(' '), same - 1) + 1 : 0;
    if (word == 0)
        return whole;
    const QString kept = after.left(word);
    if (kept != keptBeginning_) {
        keptBeginning_ = kept;
        keptWidth_ = QFontMetricsF(font()).horizontalAdvance(kept);
    }
    // A glyph may reach a little to the left of where its word begins.
    constexpr int kOverhang = 4;
    const int left = margin() + int(std::floor(keptWidth_)) - kOverhang;
    return left > 0 ? whole.adjusted(left, 0, 0, 0) : whole;
}

std::optional<double> FittingLabel::quickWidth(const QString& text)
{
    double width = 0;
    for (const QChar c : text) {
        if (c.isSurrogate())
            return std::nullopt;
        auto known = advances_.constFind(c);
        if (known == advances_.cend())
            known = advances_.insert(c, QFontMetricsF(fullSize_).horizontalAdvance(c));
        width += *known;
    }
    return width;
}

} // namespace platform
