#include "screens/CSubScreen_OverClock.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWheelEvent>
#include <algorithm>

#include "data/CProfileFile.h"
#include "data/IniPaths.h"
#include "data/TextCase.h"
#include "link/CDeviceLink.h"
#include "link/ItemText.h"
#include "screens/COCControl.h"
#include "screens/IMainWindow.h"
#include "screens/ScreenPainting.h"
#include "widgets/CMyButton.h"
#include "widgets/CSreenWaiting.h"
#include "widgets/ScreenLayout.h"

namespace {

constexpr int kScrollBarWidth = 30;
constexpr int kScrollBarWidthSmall = 10;

// Where the waiting box goes in each layout, in page coordinates. The medium
// page is 412 pixels high, so the large layout's place would hide the box.
LayoutRect WaitingRect(uint8_t nLayout) {
    if (nLayout == LayoutSmall) {
        return {0, 128, 240, 188};
    }
    if (nLayout == LayoutMedium) {
        return {0, 146, 480, 266};
    }
    return {0, 396, 480, 516};
}

}  // namespace

CSubScreen_OverClock::CSubScreen_OverClock(CDeviceLink& link, IMainWindow& mainWindow,
                                           QWidget* pParent)
    : QWidget(pParent), m_link(link), m_mainWindow(mainWindow) {
    FillWithPageColour(*this);

    m_pWaiting = new CSreenWaiting(this);
    m_pWaiting->setAccessibleName(LocaleText(u"STR_WAITING"));
    m_pScrollBar = new QScrollBar(Qt::Vertical, this);
    // A dragged thumb scrolls where it is let go; arrows, clicks beside the
    // thumb and the wheel scroll at once.
    m_pScrollBar->setTracking(false);
    m_pScrollBar->setSingleStep(RowRect(1).y() - RowRect(0).y());
    m_pScrollBar->hide();
    connect(m_pScrollBar, &QScrollBar::valueChanged, this, &CSubScreen_OverClock::OnScrollValue);
    // Whatever moves the focus (Tab, the arrows, assistive technology) brings its row into view.
    m_focusFollower = connect(qApp, &QApplication::focusChanged, this,
                              [this](QWidget*, QWidget* pNow) { ShowRowOf(pNow); });

    BuildItemControls();
    const std::u16string version = m_link.GetBoardVersion();
    m_displayMap = m_displayFile.ChooseForOverclock(m_defaultMap, version);
    LayoutItems(m_displayMap);
    m_strProfileMovedTo =
        CProfileFile::MoveAsideIfStale(MakeIniPath(g_szProgramDir, kProfileFileName), version)
            .value_or(std::string());
}

QRect CSubScreen_OverClock::RowRect(int nRow) {
    if (g_nScreenLayout == LayoutSmall) {
        return QRect(5, 32 * nRow + 5, 220, 25);
    }
    return QRect(5, 70 * nRow + 20, 440, 50);
}

void CSubScreen_OverClock::BuildItemControls() {
    m_rows.clear();
    m_defaultMap.clear();
    AddControls(EBoardArray::OverRatio, m_link.GetOverRatio());
    AddControls(EBoardArray::OverFreq, m_link.GetOverFreq());
    AddControls(EBoardArray::OverVolt, m_link.GetOverVolt());
    g_rcWaiting = WaitingRect(g_nScreenLayout);
}

void CSubScreen_OverClock::AddControls(EBoardArray array, const BoardItemArray& items) {
    for (size_t i = 0; i < items.size(); ++i) {
        const BoardItem& item = items[i];
        auto* pControl = new COCControl(m_mainWindow, this);
        pControl->SetName(item.Name);
        pControl->SetMin(item.Min);
        pControl->SetMax(item.Max);
        pControl->SetThreshold1(item.Threshold1);
        pControl->SetThreshold2(item.Threshold2);
        pControl->SetMul(item.Mul);
        pControl->SetDiv(item.Div);
        const std::string_view unit = UnitOf(array);
        pControl->SetUnit(std::u16string(unit.begin(), unit.end()));
        pControl->SetKnown(HasKnownValue(item), HasKnownRange(item));
        pControl->LoadValue(item.Value);
        pControl->SetStepsEnabled(!IsWaiting());
        pControl->m_nItemIndex = static_cast<int>(i);
        pControl->show();
        m_defaultMap[item.Name] = item.DefaultShown;
        m_rows.push_back({pControl, array, -1});
    }
}

std::vector<COCControl*> CSubScreen_OverClock::Controls() const {
    std::vector<COCControl*> controls;
    for (const Row& row : m_rows) {
        controls.push_back(row.pControl);
    }
    return controls;
}

bool CSubScreen_OverClock::HasUnappliedEdits() const {
    return std::ranges::any_of(m_rows, [](const Row& row) { return row.pControl->IsEdited(); });
}

void CSubScreen_OverClock::RebuildItemControls() {
    for (const Row& row : m_rows) {
        row.pControl->hide();
        delete row.pControl;
    }
    BuildItemControls();
    LoadDisplaySettings();
    LayoutItems(m_displayMap);
    m_mainWindow.RestoreSoftKeys();
}

void CSubScreen_OverClock::LayoutItems(const DisplayMap& map) {
    int nShown = 0;
    m_nScrollPosition = 0;
    for (Row& row : m_rows) {
        if (CDisplaySettingsFile::IsShown(map, row.pControl->GetName())) {
            row.nShownRow = nShown++;
            row.pControl->setGeometry(RowRect(row.nShownRow));
            row.pControl->show();
        } else {
            row.nShownRow = -1;
            row.pControl->hide();
        }
    }
    m_nContentHeight = RowRect(nShown).y();
    PlaceScrollBar();
    {
        // The position is set here, not scrolled to: the rows are in place.
        const QSignalBlocker quiet(m_pScrollBar);
        m_pScrollBar->setValue(0);
    }
    update();
}

void CSubScreen_OverClock::PlaceScrollBar() {
    const int nWidth = g_nScreenLayout == LayoutSmall ? kScrollBarWidthSmall : kScrollBarWidth;
    m_pScrollBar->setGeometry(width() - nWidth, 0, nWidth, height());
    if (m_nContentHeight > height()) {
        m_pScrollBar->setRange(0, m_nContentHeight - height());
        m_pScrollBar->setPageStep(height());
        m_pScrollBar->show();
    } else {
        m_pScrollBar->hide();
        ScrollTo(0);
    }
}

void CSubScreen_OverClock::resizeEvent(QResizeEvent* pEvent) {
    QWidget::resizeEvent(pEvent);
    PlaceScrollBar();
}

void CSubScreen_OverClock::wheelEvent(QWheelEvent* pEvent) {
    if (m_pScrollBar->isVisible()) {
        QCoreApplication::sendEvent(m_pScrollBar, pEvent);
    }
}

void CSubScreen_OverClock::keyPressEvent(QKeyEvent* pEvent) {
    const int nKey = pEvent->key();
    QWidget* pFocus = focusWidget();
    const auto from = std::ranges::find_if(m_rows, [pFocus](const Row& row) {
        return row.nShownRow >= 0 && row.pControl->isAncestorOf(pFocus);
    });
    if ((nKey != Qt::Key_Up && nKey != Qt::Key_Down) || from == m_rows.end()) {
        QWidget::keyPressEvent(pEvent);
        return;
    }
    const int nTarget = from->nShownRow + (nKey == Qt::Key_Down ? 1 : -1);
    const auto to = std::ranges::find_if(
        m_rows, [nTarget](const Row& row) { return row.nShownRow == nTarget; });
    if (to == m_rows.end()) {
        return;
    }
    const bool bMinus = pFocus == static_cast<QWidget*>(&from->pControl->MinusButton());
    CMyButton& target = bMinus ? to->pControl->MinusButton() : to->pControl->PlusButton();
    target.setFocus(Qt::TabFocusReason);
}

CSubScreen_OverClock::~CSubScreen_OverClock() {
    disconnect(m_focusFollower);
}

void CSubScreen_OverClock::ShowRowOf(const QWidget* pWidget) {
    if (pWidget == nullptr || !isAncestorOf(pWidget)) {
        return;
    }
    const auto row = std::ranges::find_if(m_rows, [pWidget](const Row& candidate) {
        return candidate.nShownRow >= 0 && (candidate.pControl == pWidget ||
                                            candidate.pControl->isAncestorOf(pWidget));
    });
    if (row == m_rows.end() || !m_pScrollBar->isVisible()) {
        return;
    }
    const QRect rcRow = RowRect(row->nShownRow);
    const int nPosition = std::clamp(m_nScrollPosition, rcRow.bottom() + 1 - height(), rcRow.top());
    m_pScrollBar->setValue(std::clamp(nPosition, 0, m_pScrollBar->maximum()));
}

void CSubScreen_OverClock::OnScrollValue(int nPosition) {
    ScrollTo(std::min(nPosition, m_pScrollBar->maximum()));
}

void CSubScreen_OverClock::ScrollTo(int nPosition) {
    m_nScrollPosition = nPosition;
    for (const Row& row : m_rows) {
        if (row.nShownRow >= 0) {
            row.pControl->move(RowRect(row.nShownRow).topLeft() - QPoint(0, nPosition));
        }
    }
}

void CSubScreen_OverClock::UpdateFromArray(EBoardArray array, const BoardItemArray& items,
                                           EEdits edits) {
    for (const Row& row : m_rows) {
        COCControl& control = *row.pControl;
        const auto nIndex = static_cast<size_t>(control.m_nItemIndex);
        if (row.array != array || nIndex >= items.size() ||
            !EqualsNoCase(items[nIndex].Name, control.GetName())) {
            continue;
        }
        const BoardItem& item = items[nIndex];
        control.SetMin(item.Min);
        control.SetMax(item.Max);
        control.SetThreshold1(item.Threshold1);
        control.SetThreshold2(item.Threshold2);
        control.SetMul(item.Mul);
        control.SetDiv(item.Div);
        control.SetKnown(HasKnownValue(item), HasKnownRange(item));
        if (edits == EEdits::Keep) {
            control.LoadKeepingEdit(item.Value);
        } else {
            control.LoadValue(item.Value);
        }
    }
}

void CSubScreen_OverClock::LoadDisplaySettings() {
    m_displayMap = m_displayFile.ChooseForOverclock(m_defaultMap, m_link.GetBoardVersion());
}

void CSubScreen_OverClock::SaveDisplaySettings(const DisplayMap& map) {
    for (const auto& [name, value] : map) {
        m_displayFile.SetEntry(name, value);
    }
    m_displayFile.SetVersion(m_link.GetBoardVersion());
    m_displayFile.Save();
}

void CSubScreen_OverClock::ShowWaiting() {
    m_pWaiting->StartAnimation();
    m_pWaiting->setGeometry(g_rcWaiting.ToQRect());
    m_pWaiting->raise();
    for (const Row& row : m_rows) {
        row.pControl->SetStepsEnabled(false);
    }
    emit WaitingChanged(true);
}

void CSubScreen_OverClock::HideWaiting() {
    m_pWaiting->StopAnimation();
    m_pWaiting->setGeometry(g_rcWaiting.ToQRect());
    for (const Row& row : m_rows) {
        row.pControl->SetStepsEnabled(true);
    }
    emit WaitingChanged(false);
}

bool CSubScreen_OverClock::IsWaiting() const {
    return m_pWaiting->isVisibleTo(this);
}

void CSubScreen_OverClock::RefreshFromBoard() {
    ShowWaiting();
    m_link.RequestRefreshOverclock();
}

void CSubScreen_OverClock::ApplyToBoard() {
    ShowWaiting();
    BoardItemArray overVolt = m_link.GetOverVolt();
    BoardItemArray overFreq = m_link.GetOverFreq();
    BoardItemArray overRatio = m_link.GetOverRatio();
    const auto take = [this](EBoardArray array, BoardItemArray& items) {
        for (const Row& row : m_rows) {
            const auto nIndex = static_cast<size_t>(row.pControl->m_nItemIndex);
            // An item takes the value of its own row, found by array and
            // position, so that two items of one name never swap values.
            if (row.array == array && nIndex < items.size() &&
                EqualsNoCase(items[nIndex].Name, row.pControl->GetName())) {
                items[nIndex].PrevValue = items[nIndex].Value;
                items[nIndex].Value = row.pControl->GetRawValue();
            }
        }
    };
    take(EBoardArray::OverVolt, overVolt);
    take(EBoardArray::OverFreq, overFreq);
    take(EBoardArray::OverRatio, overRatio);
    m_link.RequestApply(std::move(overVolt), std::move(overFreq), std::move(overRatio));
}

void CSubScreen_OverClock::RevertAll() {
    for (const Row& row : m_rows) {
        row.pControl->Revert();
    }
}
