#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <initializer_list>
#include <utility>
#include <vector>

// Keeps the keyboard inside the screen that lies over the pages: opening
// one moves the focus to its first control, Tab and Shift+Tab cycle within
// it, nothing behind it takes the focus, and closing it gives the focus back
// to where it was. The screens are child widgets, not dialogs, so Qt's own
// modality does not hold them. Main thread only.
class CFocusTrap final : public QObject {
    Q_OBJECT
public:
    CFocusTrap(QWidget& window, std::initializer_list<QWidget*> screens);
    ~CFocusTrap() override;

    // The screen holding the focus, or nullptr while none is open.
    QWidget* OpenScreen() const;
    // The screen's controls that Tab stops at, in Tab's order.
    static std::vector<QWidget*> TabStops(const QWidget& screen);
    // Focuses the first of them.
    static void FocusFirst(const QWidget& screen);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void Opened(QWidget& screen);
    void Closed(QWidget& screen);
    // Tab or Shift+Tab within the open screen.
    void Step(bool bForward);
    bool IsOurs(const QWidget* pWidget) const;

    QWidget& m_window;
    std::vector<QWidget*> m_screens;
    // The open screens in the order they opened, each with the widget that
    // had the focus before it.
    std::vector<std::pair<QPointer<QWidget>, QPointer<QWidget>>> m_open;
    // The last control of the window outside any screen to hold the focus:
    // a screen opened from the soft-key menu (whose popup holds the focus
    // meanwhile) gives it back there.
    QPointer<QWidget> m_pLastFocus;
};
