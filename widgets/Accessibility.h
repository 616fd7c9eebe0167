#pragma once

#include <QAccessible>
#include <QPushButton>
#include <initializer_list>

class QWidget;

// Gives a widget the role assistive technology announces it by, where Qt's
// own guess is wrong: a painted tab is a page tab, the waiting box and the
// lock banner are status messages. Buttons keep their press action.
void SetAccessibleRole(QWidget& widget, QAccessible::Role role);

// Names the widget anew and tells assistive technology that its name
// changed, as a status or alert whose name is its text must.
void AnnounceName(QWidget& widget, const QString& strName);

// Tab walks the widgets in this order.
void SetTabOrder(std::initializer_list<QWidget*> widgets);

// A tab that chooses a page: checkable, one of its group checked, announced
// as a page tab with its selected state. Some tabs are drawn by the screen
// beneath them (the main window's and the monitor's); those pass bDrawn
// false and the button only takes taps, keys and the focus.
class CPageTab final : public QPushButton {
    Q_OBJECT
public:
    CPageTab(const QString& strName, bool bDrawn, QWidget* pParent);

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    const bool m_bDrawn;
};
