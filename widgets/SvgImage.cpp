#include "widgets/SvgImage.h"

#include <QPainter>
#include <QSvgRenderer>

QPixmap RenderSvg(const QString& strResource, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(strResource);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    return pixmap;
}
