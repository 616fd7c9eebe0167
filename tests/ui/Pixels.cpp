#include "tests/ui/Pixels.h"

#include <algorithm>
#include <cmath>

bool IsAlarmRed(const QColor& colour) {
    // The alarm red has some green and blue in it, to read on dark grounds.
    return colour.red() > 200 && colour.green() < 110 && colour.blue() < 110;
}

bool IsTextWhite(const QColor& colour) {
    return colour.red() > 200 && colour.green() > 200 && colour.blue() > 200;
}

int CountPixels(const QImage& image, const QRect& rc, bool (*pMatches)(const QColor&)) {
    int nCount = 0;
    const QRect rcInside = rc.intersected(image.rect());
    for (int y = rcInside.top(); y <= rcInside.bottom(); ++y) {
        for (int x = rcInside.left(); x <= rcInside.right(); ++x) {
            nCount += pMatches(image.pixelColor(x, y)) ? 1 : 0;
        }
    }
    return nCount;
}

std::string TextColourIn(const QImage& image, const QRect& rc) {
    const int nRed = CountPixels(image, rc, IsAlarmRed);
    const int nWhite = CountPixels(image, rc, IsTextWhite);
    if (nRed == 0 && nWhite == 0) {
        return "none";
    }
    if (nRed > 0 && nWhite > 0) {
        return "mixed";
    }
    return nRed > 0 ? "red" : "white";
}

namespace {
double Luminance(const QColor& colour) {
    const auto channel = [](int nValue) {
        const double d = nValue / 255.0;
        return d <= 0.04045 ? d / 12.92 : std::pow((d + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) +
           0.0722 * channel(colour.blue());
}
}  // namespace

double ContrastRatio(const QColor& first, const QColor& second) {
    const double dFirst = Luminance(first);
    const double dSecond = Luminance(second);
    return (std::max(dFirst, dSecond) + 0.05) / (std::min(dFirst, dSecond) + 0.05);
}

double TextContrastIn(const QImage& image, const QRect& rc, const QColor& background) {
    double dMost = 1.0;
    for (int y = rc.top(); y <= rc.bottom(); ++y) {
        for (int x = rc.left(); x <= rc.right(); ++x) {
            dMost = std::max(dMost, ContrastRatio(image.pixelColor(x, y), background));
        }
    }
    return dMost;
}
