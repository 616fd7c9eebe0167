#include "screens/CSubScreen_Monitor.h"

#include <QPainter>
#include <algorithm>

#include "data/TextCase.h"
#include "link/CDeviceLink.h"
#include "link/ItemText.h"
#include "screens/IMainWindow.h"
#include "screens/ScreenPainting.h"
#include "widgets/Accessibility.h"
#include "widgets/CHistoryGraph.h"
#include "widgets/CMyListCtrl.h"
#include "widgets/ScreenLayout.h"

namespace {

struct CategoryLayout {
    int nNumber;
    const char16_t* pszTabKey;
    LayoutRect tab;
    LayoutRect tabSmall;
    std::array<int, 3> widths;
    std::array<int, 3> widthsSmall;
};

// In the order the tabs are hit-tested: number, tab text, tab in the large
// and medium layouts, in the small one, column widths in each.
// clang-format off
constexpr std::array<CategoryLayout, 4> kLayouts = {{
    {CSubScreen_Monitor::kCategoryFan,  u"STR_FAN",  {5, 5, 234, 50},     {5, 5, 114, 24},    {200, 100, 100}, {100, 55, 40}},
    {CSubScreen_Monitor::kCategoryFreq, u"STR_FREQ", {240, 5, 460, 50},   {120, 5, 220, 24},  {150, 130, 100}, {80, 65, 50}},
    {CSubScreen_Monitor::kCategoryVolt, u"STR_VOLT", {5, 52, 234, 104},   {5, 26, 114, 46},   {150, 230, 80},  {90, 80, 35}},
    {CSubScreen_Monitor::kCategoryTemp, u"STR_TEMP", {240, 52, 460, 104}, {120, 26, 220, 46}, {220, 130, 100}, {100, 65, 40}},
}};
// clang-format on

// Rebuilds walk the categories in this order.
constexpr std::array<int, 4> kRebuildOrder = {
    CSubScreen_Monitor::kCategoryVolt, CSubScreen_Monitor::kCategoryTemp,
    CSubScreen_Monitor::kCategoryFreq, CSubScreen_Monitor::kCategoryFan};

// The categories whose values can alarm; frequencies never do.
constexpr std::array<int, 3> kWatched = {CSubScreen_Monitor::kCategoryVolt,
                                         CSubScreen_Monitor::kCategoryTemp,
                                         CSubScreen_Monitor::kCategoryFan};

constexpr int kListFontHeight = 22;
constexpr int kListFontHeightSmall = 12;
constexpr int kGraphFontHeight = 14;
constexpr int kGraphFontHeightSmall = 10;
// The graph under the list: at least this high, the list scrolling if need
// be, and no higher than this however few the rows.
constexpr int kGraphLeast = 150;
constexpr int kGraphMost = 280;
// The strip of page buttons under the list.
constexpr int kStripHeight = 32;
constexpr int kStripHeightSmall = 20;

bool IsSmall() {
    return g_nScreenLayout == LayoutSmall;
}

}  // namespace

CSubScreen_Monitor::CSubScreen_Monitor(CDeviceLink& link, IMainWindow& mainWindow, QWidget* pParent)
    : QWidget(pParent), m_link(link), m_mainWindow(mainWindow) {
    m_tabFont = TabFont();
    m_strNotReadTip = LocaleText(u"STR_NOT_READ_TIP");
    m_strLastReadTip = LocaleText(u"STR_LAST_READ_TIP");
    m_strAlarmNotice = LocaleText(u"STR_ALARM_NOTICE");
    // In the small layout three figures would be cut: the average goes, the
    // bounds a user tunes against stay.
    m_strFigures = LocaleText(IsSmall() ? u"STR_FIGURES_SMALL" : u"STR_FIGURES");
    const QFont listFont = ScreenFont(IsSmall() ? kListFontHeightSmall : kListFontHeight);
    for (size_t i = 0; i < kLayouts.size(); ++i) {
        const CategoryLayout& layout = kLayouts[i];
        CategoryList& category = m_categories[i];
        category.nNumber = layout.nNumber;
        category.strTab = LocaleText(layout.pszTabKey);
        category.strUnit = WithDrawableSigns(
            QString::fromUtf8(UnitOf(static_cast<EBoardArray>(layout.nNumber)).data()), listFont);
        category.pList = new CMyListCtrl(this);
        CMyListCtrl& list = *category.pList;
        list.setFont(listFont);
        list.SetShowsFigures(true);
        list.SetColours(kPageColor, Qt::white);
        const std::array<int, 3>& widths = IsSmall() ? layout.widthsSmall : layout.widths;
        list.SetColumnWidths(widths[0], widths[1], widths[2]);
        // Not shown, but read out by assistive technology as the columns' names.
        list.setHeaderLabels({LocaleText(u"STR_COL_NAME"), LocaleText(u"STR_COL_VALUE"),
                              LocaleText(u"STR_COL_UNIT")});
        list.setAccessibleName(category.strTab);
        // Fans alarm when slow; frequencies never alarm.
        list.SetFanRule(layout.nNumber == kCategoryFan);
        list.SetColourRule(layout.nNumber != kCategoryFreq);
        list.SetChoosable(true);
        connect(&list, &CMyListCtrl::RowChosen, this, &CSubScreen_Monitor::ChooseRow);
        list.hide();
        // The tab is drawn by paintEvent; the button takes taps and keys and
        // tells assistive technology which list is shown.
        category.pTab = new CPageTab(category.strTab, false, this);
        category.pTab->setGeometry(TabRect(layout.nNumber));
        const int nNumber = layout.nNumber;
        connect(category.pTab, &QPushButton::clicked, this, [this, nNumber] {
            if (!m_mainWindow.IsScreenLocked()) {
                ShowCategory(nNumber);
            }
        });
    }
    m_pGraph = new CHistoryGraph(
        {LocaleText(u"STR_GRAPH_HEAD"), LocaleText(u"STR_GRAPH_SPAN"), LocaleText(u"STR_GRAPH_NOW"),
         LocaleText(u"STR_GRAPH_NAME"), LocaleText(u"STR_GRAPH_DESCRIPTION"),
         LocaleText(u"STR_GRAPH_ALARM_ABOVE"), LocaleText(u"STR_GRAPH_ALARM_BELOW"),
         LocaleText(u"STR_GRAPH_GAPS"), LocaleText(u"STR_GRAPH_EMPTY")},
        this);
    m_pGraph->setFont(ScreenFont(IsSmall() ? kGraphFontHeightSmall : kGraphFontHeight));
    // The refresh reads every two seconds; a few missed periods are a gap.
    m_pGraph->SetGapAfter(std::chrono::milliseconds(3 * kRefreshPeriodMs));
    m_pGraph->hide();
    const QFont buttonFont = ScreenFont(IsSmall() ? kGraphFontHeightSmall : kGraphFontHeight);
    // The small layout shows a word of each; assistive technology reads them whole.
    m_pReset = AddTextButton(
        *this, LocaleText(IsSmall() ? u"STR_RESET_FIGURES_SMALL" : u"STR_RESET_FIGURES"),
        buttonFont);
    m_pReset->setAccessibleName(LocaleText(u"STR_RESET_FIGURES"));
    connect(m_pReset, &QPushButton::clicked, this, &CSubScreen_Monitor::ResetFigures);
    m_pCloseGraph = AddTextButton(
        *this, LocaleText(IsSmall() ? u"STR_GRAPH_BACK_SMALL" : u"STR_GRAPH_BACK"), buttonFont);
    m_pCloseGraph->setAccessibleName(LocaleText(u"STR_GRAPH_BACK"));
    m_pCloseGraph->hide();
    connect(m_pCloseGraph, &QPushButton::clicked, this, &CSubScreen_Monitor::CloseGraph);
    m_nCategory = kCategoryVolt;
    m_timerRefresh.setInterval(kRefreshPeriodMs);
    connect(&m_timerRefresh, &QTimer::timeout, this, &CSubScreen_Monitor::OnTimerRefresh);
    connect(&m_timerWatch, &QTimer::timeout, this, &CSubScreen_Monitor::OnTimerWatch);
    ShowCategory(m_nCategory);
}

CSubScreen_Monitor::CategoryList& CSubScreen_Monitor::CategoryOf(int nCategory) {
    return const_cast<CategoryList&>(std::as_const(*this).CategoryOf(nCategory));
}

const CSubScreen_Monitor::CategoryList& CSubScreen_Monitor::CategoryOf(int nCategory) const {
    for (const CategoryList& category : m_categories) {
        if (category.nNumber == nCategory) {
            return category;
        }
    }
    return m_categories[0];
}

CMyListCtrl& CSubScreen_Monitor::List(int nCategory) const {
    return *CategoryOf(nCategory).pList;
}

QRect CSubScreen_Monitor::TabRect(int nCategory) const {
    for (const CategoryLayout& layout : kLayouts) {
        if (layout.nNumber == nCategory) {
            return (IsSmall() ? layout.tabSmall : layout.tab).ToQRect();
        }
    }
    return {};
}

void CSubScreen_Monitor::StartRefresh() {
    if (!m_timerRefresh.isActive()) {
        m_timerRefresh.start();
    }
}

void CSubScreen_Monitor::StopRefresh() {
    m_timerRefresh.stop();
}

void CSubScreen_Monitor::OnTimerRefresh() {
    m_link.RequestRefreshArray(m_nCategory);
}

void CSubScreen_Monitor::StartWatch() {
    if (!m_timerWatch.isActive()) {
        m_nQuickWatchTurns = kWatched.size();
        m_timerWatch.start(kRefreshPeriodMs);
    }
}

void CSubScreen_Monitor::StopWatch() {
    m_timerWatch.stop();
}

void CSubScreen_Monitor::OnTimerWatch() {
    // In fast timing a category costs a few milliseconds: every one is read
    // each refresh period, so an alarm behind another tab shows within one.
    if (m_link.Timing() == ELinkTiming::Fast) {
        m_timerWatch.setInterval(kRefreshPeriodMs);
        for (const int nCategory : kWatched) {
            const bool bReadAnyway = IsRefreshRunning() && nCategory == m_nCategory;
            if (!bReadAnyway && m_link.ArraySize(static_cast<EBoardArray>(nCategory)) > 0) {
                m_link.RequestRefreshArray(nCategory);
            }
        }
        return;
    }
    // The first round goes at the refresh period, later ones slower; so
    // does a round after a fall back from fast timing.
    if (m_nQuickWatchTurns > 0) {
        --m_nQuickWatchTurns;
    }
    if (m_nQuickWatchTurns == 0 && m_timerWatch.interval() != kWatchPeriodMs) {
        m_timerWatch.setInterval(kWatchPeriodMs);
    }
    for (size_t nTried = 0; nTried < kWatched.size(); ++nTried) {
        const int nCategory = kWatched[m_nWatchNext];
        m_nWatchNext = (m_nWatchNext + 1) % kWatched.size();
        // The running refresh reads the shown category anyway, and an empty
        // one has nothing to read: the turn goes to the next.
        const bool bReadAnyway = IsRefreshRunning() && nCategory == m_nCategory;
        if (!bReadAnyway && m_link.ArraySize(static_cast<EBoardArray>(nCategory)) > 0) {
            m_link.RequestRefreshArray(nCategory);
            return;
        }
    }
}

void CSubScreen_Monitor::RebuildAll() {
    for (int nCategory : kRebuildOrder) {
        FillList(CategoryOf(nCategory), true);
    }
}

void CSubScreen_Monitor::UpdateCategory(int nCategory) {
    if (nCategory < kCategoryVolt || nCategory > kCategoryFreq) {
        return;
    }
    const auto array = static_cast<EBoardArray>(nCategory);
    m_history.Record(array, m_link.GetArray(array), CMonitorHistory::Clock::now());
    FillList(CategoryOf(nCategory), false);
    if (nCategory == m_nCategory) {
        UpdateGraph();
    }
}

void CSubScreen_Monitor::ChooseRow(int nRow) {
    const CMyListCtrl& list = List(m_nCategory);
    if (nRow < 0 || nRow >= list.RowCount()) {
        return;
    }
    m_chosen = static_cast<size_t>(nRow);
    PlaceLists();
    UpdateGraph();
    if (IsSmall()) {
        m_pGraph->setFocus();
    }
}

void CSubScreen_Monitor::CloseGraph() {
    if (!m_chosen) {
        return;
    }
    const bool bGraphHadFocus = m_pGraph->hasFocus() || m_pCloseGraph->hasFocus();
    m_chosen.reset();
    PlaceLists();
    if (bGraphHadFocus) {
        List(m_nCategory).setFocus();
    }
}

bool CSubScreen_Monitor::IsGraphShown() const {
    return m_chosen.has_value();
}

int CSubScreen_Monitor::ChosenRow() const {
    return m_chosen ? static_cast<int>(*m_chosen) : -1;
}

void CSubScreen_Monitor::UpdateGraph() {
    const CategoryList& category = CategoryOf(m_nCategory);
    if (!m_chosen || *m_chosen >= category.items.size()) {
        return;
    }
    const auto array = static_cast<EBoardArray>(m_nCategory);
    const BoardItem& item = category.items[*m_chosen];
    const CItemHistory* pHistory = m_history.Find(array, *m_chosen);
    m_pGraph->SetContent(
        {QString::fromStdU16String(item.Name), QString::fromStdString(PlainUnit(array)),
         pHistory != nullptr ? pHistory->Samples() : std::vector<CItemHistory::Sample>(),
         AlarmLineOf(array, item),
         [array](double dValue) { return QString::fromStdString(ShownNumberText(array, dValue)); },
         CMonitorHistory::Clock::now()});
}

void CSubScreen_Monitor::ResetFigures() {
    m_history.ResetFigures();
    for (const int nCategory : kRebuildOrder) {
        FillList(CategoryOf(nCategory), false);
    }
}

QString CSubScreen_Monitor::FiguresOf(EBoardArray array, size_t nIndex) const {
    const CItemHistory* pHistory = m_history.Find(array, nIndex);
    const QString strNone = QStringLiteral("--");
    if (pHistory == nullptr || pHistory->FiguresSinceReset().nCount == 0) {
        return IsSmall() ? m_strFigures.arg(strNone, strNone)
                         : m_strFigures.arg(strNone, strNone, strNone);
    }
    const CItemHistory::Figures& figures = pHistory->FiguresSinceReset();
    const auto text = [array](double dValue) {
        return QString::fromStdString(ShownNumberText(array, dValue));
    };
    return IsSmall()
               ? m_strFigures.arg(text(figures.dMin), text(figures.dMax))
               : m_strFigures.arg(text(figures.dMin), text(figures.dAverage), text(figures.dMax));
}

void CSubScreen_Monitor::FillList(CategoryList& category, bool bInsert) {
    const auto array = static_cast<EBoardArray>(category.nNumber);
    CMyListCtrl& list = *category.pList;
    category.items = m_link.GetArray(array);
    list.SetItems(&category.items);
    if (bInsert) {
        list.DeleteAllItems();
        category.lastRead.assign(category.items.size(), QTime());
    }
    // Inserting each row at the top while walking backwards leaves them in order.
    for (size_t i = category.items.size(); i-- > 0;) {
        const BoardItem& item = category.items[i];
        const QString label = QString::fromStdU16String(item.Name) + u':';
        // A value the board never sent is not shown; one not read for a few
        // periods is greyed, with the time of its last good read.
        const QString value =
            item.bValueRead ? QString::fromStdString(ShownText(array, item)) : QStringLiteral("--");
        if (item.bValueRead && item.nMissedReads == 0 && i < category.lastRead.size()) {
            category.lastRead[i] = QTime::currentTime();
        }
        const bool bStale = !item.bValueRead || item.nMissedReads >= kStaleAfterMissedReads;
        QString strTip;
        if (bStale) {
            const QTime lastRead = i < category.lastRead.size() ? category.lastRead[i] : QTime();
            strTip = lastRead.isValid()
                         ? m_strLastReadTip.arg(lastRead.toString(QStringLiteral("HH:mm:ss")))
                         : m_strNotReadTip;
        }
        // Each new row goes on top, so the item's row is the first one then.
        const int nRow = bInsert ? 0 : static_cast<int>(i);
        if (bInsert) {
            list.InsertRow(0, label, value, category.strUnit);
        } else if (EqualsNoCase(list.Text(nRow, CMyListCtrl::kColumnLabel).toStdU16String(),
                                label.toStdU16String())) {
            list.SetValueText(nRow, value);
        } else {
            continue;  // a row that no longer matches its item keeps its value
        }
        list.SetValueStale(nRow, bStale, strTip);
        list.SetFiguresText(nRow, FiguresOf(array, i));
    }
    TrackAlarms(category);
}

void CSubScreen_Monitor::TrackAlarms(CategoryList& category) {
    const CMyListCtrl& list = *category.pList;
    std::set<QString> inAlarm;
    for (int nRow = 0; nRow < list.RowCount(); ++nRow) {
        if (!list.IsValueInAlarm(nRow)) {
            continue;
        }
        const QString label = list.Text(nRow, CMyListCtrl::kColumnLabel);
        inAlarm.insert(label);
        if (!category.inAlarm.contains(label)) {
            const QString strValue = list.Text(nRow, CMyListCtrl::kColumnValue);
            emit ItemEnteredAlarm(
                m_strAlarmNotice.arg(label.chopped(1), strValue, category.strUnit));
            emit AlarmEntered(
                label.chopped(1), strValue,
                QString::fromStdString(PlainUnit(static_cast<EBoardArray>(category.nNumber))));
        }
    }
    const bool bMarkChanged = inAlarm.empty() != category.inAlarm.empty();
    category.inAlarm = std::move(inAlarm);
    if (bMarkChanged) {
        update();
        emit AlarmMarksChanged();
    }
}

bool CSubScreen_Monitor::HasAnyAlarm() const {
    return std::ranges::any_of(
        m_categories, [](const CategoryList& category) { return !category.inAlarm.empty(); });
}

void CSubScreen_Monitor::ShowCategory(int nCategory) {
    for (const CategoryList& category : m_categories) {
        if (category.nNumber == nCategory && nCategory != m_nCategory) {
            m_nCategory = nCategory;
            m_chosen.reset();  // the graph was of the other category's item
        }
    }
    for (const CategoryList& category : m_categories) {
        category.pTab->setChecked(category.nNumber == m_nCategory);
    }
    PlaceLists();
    // The new category's values are read again at the next tick; until then
    // its list shows what was read last.
    RebuildAll();
    UpdateGraph();
    update();
}

void CSubScreen_Monitor::PlaceLists() {
    const bool bSmall = IsSmall();
    // The page's lower edge holds its buttons; the list and the graph share the rest.
    const int nStrip = bSmall ? kStripHeightSmall : kStripHeight;
    const QRect rcArea = bSmall
                             ? LayoutRect{7, 49, width() - 25, height() - 8 - nStrip}.ToQRect()
                             : LayoutRect{5, 105, width() - 15, height() - 10 - nStrip}.ToQRect();
    const QRect rcStrip(rcArea.left(), rcArea.bottom() + 3, rcArea.width(), nStrip);
    const bool bGraph = m_chosen.has_value();
    CMyListCtrl& shown = List(m_nCategory);
    m_rcList = rcArea;
    if (bGraph && bSmall) {
        // A screen of its own: the small list leaves no room under it.
        m_pGraph->setGeometry(rcArea);
    } else if (bGraph) {
        const int nRows = shown.RowCount() * std::max(1, shown.sizeHintForRow(0)) + 4;
        const int nGraph = std::clamp(rcArea.height() - nRows, kGraphLeast, kGraphMost);
        m_pGraph->setGeometry(rcArea.left(), rcArea.bottom() + 1 - nGraph, rcArea.width(), nGraph);
        m_rcList.setBottom(rcArea.bottom() - nGraph - 4);
    }
    for (const CategoryList& category : m_categories) {
        category.pList->setGeometry(m_rcList);
        category.pList->setVisible(category.nNumber == m_nCategory && !(bGraph && bSmall));
        category.pList->SetChosenRow(category.nNumber == m_nCategory ? ChosenRow() : -1);
    }
    m_pGraph->setVisible(bGraph);
    if (bGraph && !bSmall) {
        shown.scrollToItem(shown.topLevelItem(ChosenRow()));
    }
    const auto place = [&rcStrip](QPushButton& button, bool bRight) {
        const int nWidth = button.sizeHint().width();
        button.setGeometry(bRight ? rcStrip.right() + 1 - nWidth : rcStrip.left(), rcStrip.top(),
                           nWidth, rcStrip.height());
    };
    place(*m_pReset, true);
    place(*m_pCloseGraph, false);
    m_pCloseGraph->setVisible(bGraph && bSmall);
}

void CSubScreen_Monitor::resizeEvent(QResizeEvent*) {
    PlaceLists();
}

void CSubScreen_Monitor::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.fillRect(rect().adjusted(5, 5, -5, -1), kPageColor);
    painter.setFont(m_tabFont);
    for (const CategoryList& category : m_categories) {
        const bool bCurrent = category.nNumber == m_nCategory;
        const QRect rcTab = TabRect(category.nNumber);
        painter.fillRect(rcTab, bCurrent ? kPageColor : kInactiveTabColor);
        painter.setPen(bCurrent ? QColor(Qt::white) : kInactiveTabText);
        painter.drawText(rcTab, Qt::AlignHCenter | Qt::AlignTop, category.strTab);
        if (!category.inAlarm.empty()) {
            PaintAlarmMark(painter, rcTab);
        }
    }
}
