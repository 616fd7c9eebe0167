#pragma once

#include <QColor>

// The colours values are drawn in, chosen so that each reads at 4.5:1 or
// better against the box or page behind it: white is normal, yellow a
// warning, red an alarm, grey a value not read lately.
inline const QColor kValueNormal(255, 255, 255);
inline const QColor kValueWarning(255, 230, 0);
inline const QColor kValueAlarm(255, 70, 70);
inline const QColor kValueStale(150, 150, 150);
// The monitor's minimum, average and maximum under each value.
inline const QColor kFiguresText(200, 200, 200);
// The over-clock rows' value box.
inline const QColor kValueBox(32, 32, 32);
// The box's edge around a value stepped but not applied.
inline const QColor kValueEdited(0, 200, 255);

// The contrast ratio of two colours by their relative luminance, 1 to 21.
double ContrastRatio(const QColor& first, const QColor& second);
