#include "tests/ui/Pixels.h"

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
