#include "widgets/Accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QVariant>
#include <mutex>

namespace {

constexpr const char* kRoleProperty = "tunevoAccessibleRole";

// A widget with a role of our choosing; a button keeps its press action and
// reports its checked state as selected, as page tabs do.
class CRoleAccessible final : public QAccessibleWidget {
public:
    CRoleAccessible(QWidget* pWidget, QAccessible::Role role) : QAccessibleWidget(pWidget, role) {}

    QString text(QAccessible::Text type) const override {
        const QAbstractButton* pButton = Button();
        if (type == QAccessible::Name && pButton != nullptr &&
            widget()->accessibleName().isEmpty()) {
            return pButton->text();
        }
        return QAccessibleWidget::text(type);
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (const QAbstractButton* pButton = Button();
            pButton != nullptr && pButton->isCheckable()) {
            state.selectable = true;
            state.selected = pButton->isChecked();
            state.checkable = true;
            state.checked = pButton->isChecked();
        }
        return state;
    }

    QStringList actionNames() const override {
        return Button() != nullptr ? QStringList{pressAction()} : QAccessibleWidget::actionNames();
    }
    void doAction(const QString& strAction) override {
        if (QAbstractButton* pButton = Button();
            pButton != nullptr && strAction == pressAction() && pButton->isEnabled()) {
            pButton->click();
            return;
        }
        QAccessibleWidget::doAction(strAction);
    }

private:
    QAbstractButton* Button() const { return qobject_cast<QAbstractButton*>(widget()); }
};

QAccessibleInterface* RoleFactory(const QString&, QObject* pObject) {
    auto* pWidget = qobject_cast<QWidget*>(pObject);
    if (pWidget == nullptr) {
        return nullptr;
    }
    const QVariant role = pWidget->property(kRoleProperty);
    return role.isValid() ? new CRoleAccessible(pWidget, role.value<QAccessible::Role>()) : nullptr;
}

}  // namespace

void SetAccessibleRole(QWidget& widget, QAccessible::Role role) {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(RoleFactory); });
    widget.setProperty(kRoleProperty, QVariant::fromValue(role));
    // Setting a text may already have made and kept Qt's own interface.
    QAccessibleInterface* pKept = QAccessible::queryAccessibleInterface(&widget);
    if (pKept != nullptr && pKept->role() != role) {
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(pKept));
    }
}

void SetTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* pPrevious = nullptr;
    for (QWidget* pWidget : widgets) {
        if (pPrevious != nullptr) {
            QWidget::setTabOrder(pPrevious, pWidget);
        }
        pPrevious = pWidget;
    }
}

CPageTab::CPageTab(const QString& strName, bool bDrawn, QWidget* pParent)
    : QPushButton(strName, pParent), m_bDrawn(bDrawn) {
    setCheckable(true);
    setAutoExclusive(true);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(strName);
    SetAccessibleRole(*this, QAccessible::PageTab);
}

void CPageTab::paintEvent(QPaintEvent* pEvent) {
    if (m_bDrawn) {
        QPushButton::paintEvent(pEvent);
    }
}

void AnnounceName(QWidget& widget, const QString& strName) {
    widget.setAccessibleName(strName);
    QAccessibleEvent event(&widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
    widget.update();
}
