#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

// Renders one of our SVG images at an exact pixel size, so it is crisp in
// every layout. An image that cannot be read gives an empty, transparent pixmap.
QPixmap RenderSvg(const QString& strResource, QSize size);
