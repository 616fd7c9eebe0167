#pragma once

#include <QPointer>
#include <QWidget>

// A ring around the button that has the keyboard focus. The screens' flat
// buttons draw no focus of their own, and a keyboard user must see where
// Enter and Space will act. Lies over the window, never takes a tap.
class CFocusMark final : public QWidget {
    Q_OBJECT
public:
    explicit CFocusMark(QWidget& window);

    // The button ringed, or nullptr while none is.
    QWidget* Target() const { return m_pTarget.data(); }

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void Follow(QWidget* pFocus);
    void Place();
    // The target and the widgets holding it, whose moves move it.
    void Watch(bool bWatch);

    QPointer<QWidget> m_pTarget;
};
