#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <string>

// Reading colours off rendered screens. Text is antialiased, so a colour
// counts by its pure pixels: red means the value is drawn in the alarm
// colour, white that it is drawn in the normal one.
bool IsAlarmRed(const QColor& colour);
bool IsTextWhite(const QColor& colour);
int CountPixels(const QImage& image, const QRect& rc, bool (*pMatches)(const QColor&));

// "red" or "white" when the text in the rectangle is drawn in that colour
// alone; "none" when it holds no text; "mixed" otherwise.
std::string TextColourIn(const QImage& image, const QRect& rc);

// The WCAG contrast ratio of two colours, 1 to 21.
double ContrastRatio(const QColor& first, const QColor& second);
// The highest contrast any pixel of the rectangle has against the colour:
// that of the text drawn on it, at its pure pixels.
double TextContrastIn(const QImage& image, const QRect& rc, const QColor& background);
