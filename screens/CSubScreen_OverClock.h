#pragma once

#include <QScrollBar>
#include <QWidget>
#include <vector>

#include "data/CDisplaySettingsFile.h"
#include "link/BoardItem.h"

class CDeviceLink;
class COCControl;
class CSreenWaiting;
class IMainWindow;

// The over-clock page: one row per tunable item of the board, ratios first,
// then frequencies, then voltages, in a scrolling list. The display settings
// file decides which rows are shown. Refresh, Apply and Cancel come from the
// control bar through the main window; the link's reports come back through
// the main window too. Nothing here waits on the board. Main thread only.
class CSubScreen_OverClock final : public QWidget {
    Q_OBJECT
public:
    using DisplayMap = CDisplaySettingsFile::DisplayMap;

    // Builds the rows from the link's arrays and lays them out by the display
    // settings, and drops a profile file saved for another board version.
    CSubScreen_OverClock(CDeviceLink& link, IMainWindow& mainWindow, QWidget* pParent);
    ~CSubScreen_OverClock() override;

    // Creates the rows from the link's three over-clock arrays.
    void BuildItemControls();
    // Deletes the rows and builds them again, laid out by the display settings file.
    void RebuildItemControls();
    // Shows the rows whose name the map flags "1", in order, and hides the others.
    void LayoutItems(const DisplayMap& map);
    // Loads each row of the array's kind whose item, at the row's index,
    // carries the row's name (regardless of case): range, thresholds and
    // value, which becomes the value Cancel returns to. With EEdits::Keep a
    // row the user stepped and did not apply keeps showing its step.
    enum class EEdits { Drop, Keep };
    void UpdateFromArray(EBoardArray array, const BoardItemArray& items,
                         EEdits edits = EEdits::Drop);
    // Chooses the display map anew from the file: its entries when it was
    // written for this board version, the items' defaults otherwise.
    void LoadDisplaySettings();
    // The map the page lays its rows out with.
    const DisplayMap& ShownMap() const { return m_displayMap; }
    // Writes a map and the board version into the display settings file.
    void SaveDisplaySettings(const DisplayMap& map);

    // The waiting box over the page while the board works; the rows' steps
    // are off meanwhile, so no edit is made that the result would overwrite.
    void ShowWaiting();
    void HideWaiting();
    bool IsWaiting() const;

    // The control bar's three operations.
    void RefreshFromBoard();
    void ApplyToBoard();
    void RevertAll();

    // Moves the rows so that the list is seen from this offset down.
    void ScrollTo(int nPosition);

    // The rows in their order: ratios, frequencies, voltages.
    std::vector<COCControl*> Controls() const;
    // Whether a row holds a step the user has not applied.
    bool HasUnappliedEdits() const;
    // Where the profiles of another board version went at start, to be told;
    // empty when there were none.
    const std::string& ProfileMovedAside() const { return m_strProfileMovedTo; }
    QScrollBar& ScrollBar() const { return *m_pScrollBar; }
    CSreenWaiting& Waiting() const { return *m_pWaiting; }
    int ContentHeight() const { return m_nContentHeight; }
    int ScrollPosition() const { return m_nScrollPosition; }
    // Row n's place, before scrolling.
    static QRect RowRect(int nRow);

signals:
    // The waiting box came up or went away.
    void WaitingChanged(bool bWaiting);

protected:
    void resizeEvent(QResizeEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    // Up and Down take the focus to the same button of the row above or below.
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    struct Row {
        COCControl* pControl;
        EBoardArray array;
        int nShownRow;  // -1 while hidden
    };
    void AddControls(EBoardArray array, const BoardItemArray& items);
    void PlaceScrollBar();
    void OnScrollValue(int nPosition);
    // Scrolls just far enough to show whole the row holding the widget, so
    // that the focus never rests on a row nobody can see.
    void ShowRowOf(const QWidget* pWidget);
    // Ended before the widget's own teardown, which moves the focus too.
    QMetaObject::Connection m_focusFollower;

    CDeviceLink& m_link;
    IMainWindow& m_mainWindow;
    std::vector<Row> m_rows;
    QScrollBar* m_pScrollBar = nullptr;
    CSreenWaiting* m_pWaiting = nullptr;
    DisplayMap m_defaultMap;
    DisplayMap m_displayMap;
    CDisplaySettingsFile m_displayFile;
    int m_nScrollPosition = 0;
    int m_nContentHeight = 0;
    std::string m_strProfileMovedTo;
};
