#include "shell/CSoftKeyBar.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPushButton>

namespace {
const QColor kBarColor(24, 24, 24);
const char* const kKeyStyle =
    "QPushButton { color: white; background: transparent; border: none; padding: 0 18px; }"
    "QPushButton:pressed { background: #505050; }"
    "QPushButton:disabled { color: #6e6e6e; }"
    "QPushButton::menu-indicator { image: none; width: 0; }";
}  // namespace

CSoftKeyBar::CSoftKeyBar(const MenuResource& menu, QWidget* pParent) : QWidget(pParent) {
    auto* pLayout = new QHBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);

    m_pMenu = new QMenu(this);
    for (const MenuItem& item : menu.items) {
        if (item.nCommand == 0) {
            m_pMenu->addSeparator();
            continue;
        }
        QAction* pAction = m_pMenu->addAction(item.strText);
        pAction->setData(item.nCommand);
        const int nCommand = item.nCommand;
        connect(pAction, &QAction::triggered, this, [this, nCommand] { emit Command(nCommand); });
    }

    for (size_t i = 0; i < m_keys.size(); ++i) {
        m_keys[i] = new QPushButton(this);
        m_keys[i]->setStyleSheet(QString::fromLatin1(kKeyStyle));
        m_keys[i]->setFocusPolicy(Qt::TabFocus);
        m_keys[i]->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Expanding);
    }
    m_keys[0]->setText(menu.strTitle);
    m_keys[0]->setMenu(m_pMenu);
    // The menus use only the left key; the right one keeps its place.
    m_keys[1]->setVisible(false);
    pLayout->addWidget(m_keys[0]);
    pLayout->addStretch();
    pLayout->addWidget(m_keys[1]);
}

void CSoftKeyBar::EnableSoftkey(int nIndex, bool bEnable) {
    if (nIndex >= 0 && nIndex < kKeyCount) {
        m_keys[static_cast<size_t>(nIndex)]->setEnabled(bEnable);
    }
}

bool CSoftKeyBar::IsSoftkeyEnabled(int nIndex) const {
    return nIndex >= 0 && nIndex < kKeyCount && m_keys[static_cast<size_t>(nIndex)]->isEnabled();
}

QAction* CSoftKeyBar::Action(int nCommand) const {
    for (QAction* pAction : m_pMenu->actions()) {
        if (!pAction->isSeparator() && pAction->data().toInt() == nCommand) {
            return pAction;
        }
    }
    return nullptr;
}

void CSoftKeyBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kBarColor);
}
