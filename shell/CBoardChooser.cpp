#include "shell/CBoardChooser.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "screens/ScreenPainting.h"
#include "widgets/ScreenLayout.h"

namespace {
constexpr int kMargin = 10;
constexpr int kFontHeight = 18;
constexpr int kFontHeightSmall = 12;
}  // namespace

CBoardChooser::CBoardChooser(QWidget* pParent) : QWidget(pParent) {
    hide();
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    setFont(ScreenFont(bSmall ? kFontHeightSmall : kFontHeight));
    // Light text on the dark panel, and rows tall enough to tap.
    setStyleSheet(
        QStringLiteral(
            "QLabel, QCheckBox { color: white; }"
            "QListWidget { background: #202020; color: white; border: 1px solid #808080; }"
            "QListWidget::item { padding: %1px; }"
            "QListWidget::item:selected { background: #2f6fb5; color: white; }"
            "QPushButton { min-height: %2px; }")
            .arg(bSmall ? 3 : 8)
            .arg(bSmall ? 20 : 36));
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(2 * kMargin, 2 * kMargin, 2 * kMargin, 2 * kMargin);
    m_pTitle = new QLabel(LocaleText(u"STR_CHOOSE_BOARD"), this);
    m_pTitle->setWordWrap(true);
    m_pList = new QListWidget(this);
    m_pList->setAccessibleName(m_pTitle->text());
    m_pTitle->setBuddy(m_pList);
    m_pRemember = new QCheckBox(LocaleText(u"STR_REMEMBER_BOARD"), this);
    m_pRemember->setChecked(true);
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
