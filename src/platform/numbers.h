#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Conversions with the rounding the stored settings and window units rely on:
// to the nearest whole number, halves to the even neighbour.
namespace numbers {

// Text to a 32-bit integer ("1234.5" gives 1234, "1235.5" gives 1236).
// Nothing when the text is no number or lies outside the 32-bit range, so the
// caller keeps its fallback.
std::optional<std::int32_t> toInt32(const QString& text);

// Rounds to a 16-bit integer, clamped to its range.
std::int16_t roundToInt16(double value);

// Decimal text of a number as the settings file stores it: no grouping, a
// leading "-" for negatives, a fraction only when there is one.
QString toText(double value);

} // namespace numbers
