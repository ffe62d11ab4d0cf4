#include "fitting_label.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QScopedValueRollback>

#include <cmath>

namespace platform {

FittingLabel::FittingLabel(QWidget* parent) : Label(parent), fullSize_(font())
{
    setTextFormat(Qt::PlainText);
    setWordWrap(false);
}

void FittingLabel::setText(const QString& text)
{
    if (text == QLabel::text())
        return;
    QLabel::setText(text);
    fit();
}

void FittingLabel::changeEvent(QEvent* event)
{
    // A font given to the label from outside (its own, or the window's) is
    // the new full size; our own reductions are not.
    if (event->type() == QEvent::FontChange && !fitting_) {
        fullSize_ = font();
        fit();
    }
    QLabel::changeEvent(event);
}

void FittingLabel::fit()
{
    const double room = contentsRect().width() - 2 * margin() - 1;
    QFont font = fullSize_;
    double size = fullSize_.pointSizeF();
    if (size > 0) {
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

} // namespace platform
