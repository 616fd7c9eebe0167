#include "widgets/ValueColours.h"

#include <algorithm>
#include <cmath>

namespace {
double Linear(double dChannel) {
    return dChannel <= 0.04045 ? dChannel / 12.92 : std::pow((dChannel + 0.055) / 1.055, 2.4);
}
double Luminance(const QColor& colour) {
    return 0.2126 * Linear(colour.redF()) + 0.7152 * Linear(colour.greenF()) +
           0.0722 * Linear(colour.blueF());
}
}  // namespace

double ContrastRatio(const QColor& first, const QColor& second) {
    const double dFirst = Luminance(first);
    const double dSecond = Luminance(second);
    return (std::max(dFirst, dSecond) + 0.05) / (std::min(dFirst, dSecond) + 0.05);
}
