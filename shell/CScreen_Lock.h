#pragma once

#include <QPixmap>
#include <QWidget>

// The banner across the bottom of the screen while the board reports its
// lock, saying so in words as well. It takes no input; the main window
// shows, places and hides it. Assistive technology hears it as a status.
class CScreen_Lock final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 10;

    explicit CScreen_Lock(QWidget* pParent);

    const QPixmap& Banner() const { return m_banner; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QPixmap m_banner;
    QString m_strText;
    QRect m_rcText;
};
