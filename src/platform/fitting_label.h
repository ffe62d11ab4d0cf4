#pragma once

#include "label.h"

namespace platform {

// A one-line label that never cuts its text: when a text is wider than the
// label's box it is drawn in a smaller size of the label's font, down to a
// floor that stays legible. The width is measured only when the text
// changes, so setting the same text again costs nothing.
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

private:
    void fit();

    QFont fullSize_;
    bool fitting_ = false;
};

} // namespace platform
