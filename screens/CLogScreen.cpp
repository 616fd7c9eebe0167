#include "screens/CLogScreen.h"

#include <QDateTime>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

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

CLogScreen::CLogScreen(IMainWindow& mainWindow, const QString& strTitle, QWidget* pParent)
    : QWidget(pParent), m_mainWindow(mainWindow), m_strTitle(strTitle) {
    hide();
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    setFont(ScreenFont(bSmall ? kTitleHeightSmall : kTitleHeight));
    m_nMargin = bSmall ? 5 : 10;
    m_rcTitle = bSmall ? QRect(0, 15, 170, 25) : QRect(0, 14, 380, 34);
    m_nRuleY = bSmall ? 40 : 55;
    m_pClose = AddCloseButton(*this, bSmall ? QPoint(170, 10) : QPoint(380, 12),
                              bSmall ? kCloseSizeSmall : kCloseSize);
    connect(m_pClose, &QPushButton::clicked, this, &CLogScreen::Close);
    m_pList = new QListWidget(this);
    m_pList->setAccessibleName(m_strTitle);
    m_pList->setFrameShape(QFrame::NoFrame);
    m_pList->setWordWrap(true);
    m_pList->setSpacing(2);  // entries of several lines stay apart
    m_pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pList->setFont(ScreenFont(bSmall ? kFontHeightSmall : kFontHeight));
    SetListColours(*m_pList);
    QPalette colours = m_pList->palette();
    colours.setColor(QPalette::Highlight, QColor(150, 60, 60));
    colours.setColor(QPalette::HighlightedText, Qt::white);
    m_pList->setPalette(colours);
}

QString CLogScreen::LocalTimeText(std::chrono::system_clock::time_point time,
                                  const QString& strFormat) {
    const auto nSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
    return QDateTime::fromSecsSinceEpoch(nSeconds).toString(strFormat);
}

void CLogScreen::Open() {
    m_pList->clear();
    Fill(*m_pList);
    m_pList->setCurrentRow(0);
}

void CLogScreen::AddNote(const QString& strText) {
    auto* pNote = new QListWidgetItem(strText, m_pList);
    pNote->setFlags(Qt::NoItemFlags);
}

void CLogScreen::Close() {
    // A hidden list's current row would still be reported as focused.
    m_pList->setCurrentItem(nullptr);
    hide();
    m_mainWindow.RestoreSoftKeys();
}

void CLogScreen::resizeEvent(QResizeEvent*) {
    m_pList->setGeometry(
        rect().adjusted(m_nMargin + 4, m_nRuleY + 6, -m_nMargin - 4, -m_nMargin - 4));
}

void CLogScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    PaintTitledPanel(painter, rect(), m_nMargin, m_rcTitle, m_strTitle, QPoint(m_nMargin, m_nRuleY),
                     QPoint(width() - m_nMargin, m_nRuleY));
}
