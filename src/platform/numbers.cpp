#include "platform/numbers.h"

#include <QLocale>

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace numbers {
namespace {

// std::nearbyint honours the current rounding mode, which is to-nearest-even
// unless someone changed it; make that explicit for every call.
double roundHalfEven(double v) {
    const int mode = std::fegetround();
    if (mode != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    double r = std::nearbyint(v);
    if (mode != FE_TONEAREST)
        std::fesetround(mode);
    return r;
}

} // namespace

std::optional<std::int32_t> toInt32(const QString& text) {
    const QByteArray s = text.trimmed().toLatin1();
    if (s.isEmpty())
        return std::nullopt;
    // Only plain decimal text: a sign, digits, one point, an exponent.
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E'))
            return std::nullopt;
    }
    // strtod uses the C locale's decimal point unless a locale was set, and Qt
    // applications may set one: parse with the C locale explicitly.
    bool ok = false;
    double v = QLocale::c().toDouble(QString::fromLatin1(s), &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    double r = roundHalfEven(v);
    if (r < std::numeric_limits<std::int32_t>::min() ||
        r > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(r);
}

std::int16_t roundToInt16(double value) {
    if (std::isnan(value))
        return 0;
    double r = roundHalfEven(value);
    if (r < std::numeric_limits<std::int16_t>::min())
        return std::numeric_limits<std::int16_t>::min();
    if (r > std::numeric_limits<std::int16_t>::max())
        return std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(r);
}

QString toText(double value) {
    // Single precision, as a window position is kept: 7 significant digits.
    return QLocale::c().toString(static_cast<float>(value), 'g', 7);
}

} // namespace numbers
