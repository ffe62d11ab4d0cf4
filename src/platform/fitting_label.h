#pragma once

#include "label.h"

#include <QHash>

#include <optional>

namespace platform {

// A one-line label that never cuts its text: when a text is wider than the
// label's box it is drawn in a smaller size of the label's font, down to a
// floor that stays legible. The width is measured only when the text
// changes, so setting the same text again costs nothing; a text that is
// plainly narrower than the box (the sum of its characters' advances, kept
// for each character, with room to spare) is not shaped at all. A new text
// that keeps the old one's beginning repaints only the rest of the line.
class FittingLabel : public Label {
public:
    static constexpr double kSmallestPointSize = 7.0;

    explicit FittingLabel(QWidget* parent = nullptr);

    // Hides QLabel::setText on purpose: every text goes through the fitting.
    void setText(const QString& text);

    // The font the label is drawn in when its text fits (its own font).
    QFont fullSizeFont() const { return fullSize_; }

protected:
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void fit();
    // The width of the text at full size by its characters' advances, or
    // nothing where that cannot tell (characters outside the basic plane).
    std::optional<double> quickWidth(const QString& text);
    // The part of the label to draw again when its text changes from
    // `before` to `after`: from the word in which they part to the end of
    // the line, or the whole label.
    QRect changedPart(const QString& before, const QString& after);

    QFont fullSize_;
    QHash<QChar, double> advances_; // at full size
    bool fitting_ = false;
    QString keptBeginning_; // the beginning of the line measured last,
    double keptWidth_ = 0;  // and its width in the label's font
};

} // namespace platform
