#include "screens/CScreen_AlarmLog.h"

#include <QDateTime>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <ranges>

#include "data/MonitorLog.h"
#include "screens/IMainWindow.h"
#include "screens/ScreenPainting.h"
#include "widgets/ScreenLayout.h"

namespace {
constexpr int kTitleHeight = 20;
constexpr int kTitleHeightSmall = 12;
constexpr int kFontHeight = 16;
constexpr int kFontHeightSmall = 11;
constexpr int kCloseSize = 40;
constexpr int kCloseSizeSmall = 28;
}  // namespace

CScreen_AlarmLog::CScreen_AlarmLog(IMainWindow& mainWindow, QWidget* pParent)
    : QWidget(pParent), m_mainWindow(mainWindow) {
    hide();
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    setFont(ScreenFont(bSmall ? kTitleHeightSmall : kTitleHeight));
    m_strTitle = LocaleText(u"STR_ALARM_LOG");
    m_strEntry = LocaleText(u"STR_ALARM_NOTICE");
    m_nMargin = bSmall ? 5 : 10;
    m_rcTitle = bSmall ? QRect(0, 15, 170, 25) : QRect(0, 14, 380, 34);
    m_nRuleY = bSmall ? 40 : 55;
    m_pClose = AddCloseButton(*this, bSmall ? QPoint(170, 10) : QPoint(380, 12),
                              bSmall ? kCloseSizeSmall : kCloseSize);
    connect(m_pClose, &QPushButton::clicked, this, &CScreen_AlarmLog::Close);
    m_pList = new QListWidget(this);
    m_pList->setAccessibleName(m_strTitle);
    m_pList->setFrameShape(QFrame::NoFrame);
    m_pList->setWordWrap(true);
    m_pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pList->setFont(ScreenFont(bSmall ? kFontHeightSmall : kFontHeight));
    SetListColours(*m_pList);
    QPalette colours = m_pList->palette();
    colours.setColor(QPalette::Highlight, QColor(150, 60, 60));
    colours.setColor(QPalette::HighlightedText, Qt::white);
    m_pList->setPalette(colours);
}

void CScreen_AlarmLog::Open() {
    m_pList->clear();
    const std::vector<AlarmEntry> entries = ReadAlarms();
    for (const AlarmEntry& entry : std::views::reverse(entries)) {
        const QString strWhen =
            QDateTime::fromSecsSinceEpoch(
                std::chrono::duration_cast<std::chrono::seconds>(entry.time.time_since_epoch())
                    .count())
                .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QString strWhat = m_strEntry.arg(QString::fromStdString(entry.strItem),
                                               QString::fromStdString(entry.strValue),
                                               QString::fromStdString(entry.strUnit));
        auto* pEntry = new QListWidgetItem(strWhen + u'\n' + strWhat, m_pList);
        pEntry->setToolTip(QString::fromStdString(entry.strBoard));
    }
    if (entries.empty()) {
        auto* pNone = new QListWidgetItem(LocaleText(u"STR_ALARM_LOG_EMPTY"), m_pList);
        pNone->setFlags(Qt::NoItemFlags);
    }
    m_pList->setCurrentRow(0);
}

void CScreen_AlarmLog::Close() {
    hide();
    m_mainWindow.RestoreSoftKeys();
}

void CScreen_AlarmLog::resizeEvent(QResizeEvent*) {
    m_pList->setGeometry(
        rect().adjusted(m_nMargin + 4, m_nRuleY + 6, -m_nMargin - 4, -m_nMargin - 4));
}

void CScreen_AlarmLog::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    PaintTitledPanel(painter, rect(), m_nMargin, m_rcTitle, m_strTitle, QPoint(m_nMargin, m_nRuleY),
                     QPoint(width() - m_nMargin, m_nRuleY));
}
