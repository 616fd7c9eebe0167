#pragma once

#include <QString>
#include <QWidget>

// Saves what the user sees of a window as a PNG: the window, with a modal
// box that is up drawn over its centre. False when the file cannot be written.
bool SaveScreenshot(QWidget& window, const QString& strPath);
