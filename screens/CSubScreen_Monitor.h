#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QTime>
#include <QTimer>
#include <QWidget>
#include <array>
#include <optional>
#include <set>
#include <vector>

#include "link/BoardItem.h"
#include "link/CMonitorHistory.h"

class CDeviceLink;
class CHistoryGraph;
class CMyListCtrl;
class QPushButton;
class CPageTab;
class IMainWindow;

// The monitor page: the board's voltages, temperatures, fans and
// frequencies, one category at a time in a list chosen by four tabs. While
// its refresh runs it asks the link every two seconds to read the shown
// category again; the main window hands each result to UpdateCategory.
// Its watch reads the other categories that can alarm, one at a time and
// seldom, so an alarm shows on its tab whichever page or tab is up.
// Main thread only.
class CSubScreen_Monitor final : public QWidget {
    Q_OBJECT
public:
    // Categories are numbered as the link numbers its arrays.
    static constexpr int kCategoryVolt = static_cast<int>(EBoardArray::HwVolt);
    static constexpr int kCategoryTemp = static_cast<int>(EBoardArray::HwTemp);
    static constexpr int kCategoryFan = static_cast<int>(EBoardArray::HwFan);
    static constexpr int kCategoryFreq = static_cast<int>(EBoardArray::HwFrq);
    static constexpr int kRefreshPeriodMs = 2000;
    // A value whose reads failed this many times in a row is greyed.
    static constexpr int kStaleAfterMissedReads = 3;
    // A category takes the link about a second to read; one watch read in
    // this period leaves the shown category's refresh nearly its whole link.
    static constexpr int kWatchPeriodMs = 10000;

    CSubScreen_Monitor(CDeviceLink& link, IMainWindow& mainWindow, QWidget* pParent);

    // Starts the two-second refresh unless it runs already.
    void StartRefresh();
    void StopRefresh();
    bool IsRefreshRunning() const { return m_timerRefresh.isActive(); }
    // Starts the watch unless it runs already. Its first round comes at the
    // refresh's pace, so an alarm shows a few seconds after start or unlock.
    void StartWatch();
    void StopWatch();
    bool IsWatchRunning() const { return m_timerWatch.isActive(); }

    // Rebuilds the four lists from the link's arrays, rows and all.
    void RebuildAll();
    // Puts the link's latest values of one category into its list, in
    // place, and into each item's history: the link has just read them.
    void UpdateCategory(int nCategory);

    // Shows a category's list, rebuilt, as a tap on its tab does; other
    // numbers keep the current one.
    void ShowCategory(int nCategory);
    int Category() const { return m_nCategory; }
    CMyListCtrl& List(int nCategory) const;
    QRect TabRect(int nCategory) const;
    QRect ListRect() const { return m_rcList; }
    // Whether any list shows a value in alarm.
    bool HasAnyAlarm() const;
    // Every item's minimum, average and maximum start again from the next read.
    void ResetFigures();
    const CMonitorHistory& History() const { return m_history; }

    // Shows the graph of a row of the shown category, as a tap or Enter on
    // the row does: under the list, or over it in the small layout.
    void ChooseRow(int nRow);
    void CloseGraph();
    bool IsGraphShown() const;
    // The chosen row of the shown category; -1 while no graph is shown.
    int ChosenRow() const;
    CHistoryGraph& Graph() const { return *m_pGraph; }
    QPushButton& ResetButton() const { return *m_pReset; }
    // The small layout's way back from the graph to the list.
    QPushButton& CloseGraphButton() const { return *m_pCloseGraph; }

signals:
    // An item's value has come into its alarm; said once until it leaves it.
    void ItemEnteredAlarm(const QString& strText);
    // The same coming into alarm, for the alarm log: the item's name, its
    // value as shown and its plain unit.
    void AlarmEntered(const QString& strItem, const QString& strValue, const QString& strUnit);
    // A category's alarm mark came or went.
    void AlarmMarksChanged();

public slots:
    // Asks the link to read the shown category again.
    void OnTimerRefresh();
    // Asks the link to read the next category the watch takes in turn.
    void OnTimerWatch();

protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void resizeEvent(QResizeEvent* pEvent) override;

private:
    struct CategoryList {
        int nNumber = 0;
        CMyListCtrl* pList = nullptr;
        CPageTab* pTab = nullptr;
        QString strUnit;
        QString strTab;
        // The link's items as last read; the list's colours read their thresholds.
        BoardItemArray items;
        // When each row's value was last read from the board, by row.
        std::vector<QTime> lastRead;
        // The labels of the rows whose values are in alarm.
        std::set<QString> inAlarm;
    };

    CategoryList& CategoryOf(int nCategory);
    const CategoryList& CategoryOf(int nCategory) const;
    // Fills a list from the link's array: all rows anew, or only the values.
    void FillList(CategoryList& category, bool bInsert);
    void PlaceLists();
    // Notes which rows came into alarm, and whether the tab's mark changed.
    void TrackAlarms(CategoryList& category);
    // Gives the graph the chosen item's history as it now stands.
    void UpdateGraph();

    CDeviceLink& m_link;
    IMainWindow& m_mainWindow;
    // In the order of the tabs' hit test: fan, frequency, voltage, temperature.
    std::array<CategoryList, 4> m_categories;
    int m_nCategory = kCategoryVolt;
    QRect m_rcList;
    QFont m_tabFont;
    QTimer m_timerRefresh{this};
    QTimer m_timerWatch{this};
    size_t m_nWatchNext = 0;        // index into the watched categories
    size_t m_nQuickWatchTurns = 0;  // turns left of the first round
    QString m_strNotReadTip;
    QString m_strLastReadTip;  // %1: the time of the last good read
    QString m_strAlarmNotice;  // %1 name, %2 value, %3 unit
    QString m_strFigures;      // minimum, average, maximum; the small layout leaves out the average
    CMonitorHistory m_history;
    CHistoryGraph* m_pGraph = nullptr;
    QPushButton* m_pReset = nullptr;
    QPushButton* m_pCloseGraph = nullptr;
    // The item whose graph is shown: its place in the shown category.
    std::optional<size_t> m_chosen;
    // The figures line of an item's row.
    QString FiguresOf(EBoardArray array, size_t nIndex) const;
};
