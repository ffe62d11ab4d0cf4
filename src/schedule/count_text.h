#pragma once
// The custom countdown keeps its seconds as the text of its box. These two
// functions read that text as a number and write a number back as text.

#include <QChar>
#include <QString>

#include <optional>

namespace schedule {

// The number a text stands for: optional spaces, an optional sign, digits
// with an optional fraction (after '.' or `decimalPoint`) and an optional
// exponent, optional spaces. Leading zeros are fine ("0060" is 60). Returns
// nothing for a text that is no number: empty, spaces, a lone sign, letters,
// or a value too large for a double.
std::optional<double> readCount(const QString& text, QChar decimalPoint = u'.');

// Plain decimal text: no leading zeros, no spaces, a leading '-' for a
// negative number, no decimal point for a whole number; a fraction uses
// `decimalPoint`. Whole numbers of 15 digits and more, and very small
// fractions, take an exponent.
QString writeCount(double value, QChar decimalPoint = u'.');

} // namespace schedule
