#pragma once

#include <QLabel>

namespace platform {

// A label of the program's windows: its text is drawn from the top-left
// corner of its box, as the windows are designed (Qt's own labels centre
// their text vertically, which puts a line low, and cuts the top of a text
// of two lines in a box of one).
class Label : public QLabel {
public:
    explicit Label(const QString& text = QString(), QWidget* parent = nullptr) : QLabel(text, parent)
    {
        setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
    explicit Label(QWidget* parent) : Label(QString(), parent) {}
};

} // namespace platform
