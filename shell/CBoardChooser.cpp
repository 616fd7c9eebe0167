#include "shell/CBoardChooser.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "screens/ScreenPainting.h"

namespace {
constexpr int kMargin = 10;
}  // namespace

CBoardChooser::CBoardChooser(QWidget* pParent) : QWidget(pParent) {
    hide();
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(2 * kMargin, 2 * kMargin, 2 * kMargin, 2 * kMargin);
    m_pTitle = new QLabel(LocaleText(u"STR_CHOOSE_BOARD"), this);
    m_pTitle->setWordWrap(true);
    m_pTitle->setStyleSheet(QStringLiteral("color: white;"));
    m_pList = new QListWidget(this);
    m_pList->setAccessibleName(m_pTitle->text());
    m_pTitle->setBuddy(m_pList);
    m_pRemember = new QCheckBox(LocaleText(u"STR_REMEMBER_BOARD"), this);
    m_pRemember->setChecked(true);
    m_pRemember->setStyleSheet(QStringLiteral("color: white;"));
    m_pConnect = new QPushButton(LocaleText(u"STR_CONNECT_BOARD"), this);
    m_pConnect->setDefault(true);
    pLayout->addWidget(m_pTitle);
    pLayout->addWidget(m_pList, 1);
    pLayout->addWidget(m_pRemember);
    pLayout->addWidget(m_pConnect);
    // Enter or a double tap on a board takes it, as the button does.
    connect(m_pList, &QListWidget::itemActivated, this, [this] { Choose(); });
    connect(m_pConnect, &QPushButton::clicked, this, [this] { Choose(); });
}

void CBoardChooser::Offer(const std::vector<std::string>& boards) {
    m_pList->clear();
    for (const std::string& strBoard : boards) {
        m_pList->addItem(QString::fromStdString(strBoard));
    }
    m_pList->setCurrentRow(0);
    show();
    raise();
    m_pList->setFocus(Qt::OtherFocusReason);
}

void CBoardChooser::Choose() {
    const int nRow = m_pList->currentRow();
    if (nRow < 0 || !isVisible()) {
        return;
    }
    hide();
    emit Chosen(nRow, m_pRemember->isChecked());
}

void CBoardChooser::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintPanel(painter, rect(), kMargin);
}
