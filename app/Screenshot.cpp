#include "app/Screenshot.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>

bool SaveScreenshot(QWidget& window, const QString& strPath) {
    QPixmap image = window.grab();
    QWidget* pModal = QApplication::activeModalWidget();
    if (pModal != nullptr && pModal != &window && pModal->isVisible()) {
        const QPixmap box = pModal->grab();
        QPainter painter(&image);
        painter.drawPixmap((image.width() - box.width()) / 2, (image.height() - box.height()) / 2,
                           box);
    }
    return image.save(strPath, "PNG");
}
