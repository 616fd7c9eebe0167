#include "shell/COverClockController.h"

#include <utility>

#include "link/CDeviceLink.h"
#include "screens/CSubScreen_OverClock_Control.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"
#include "shell/CTunevoDlg.h"

COverClockController::COverClockController(CTunevoDlg& dlg, CDeviceLink& link,
                                           IMessageBox& messageBox)
    : m_dlg(dlg), m_link(link), m_messageBox(messageBox) {}

void COverClockController::OnCommand(int nKind) {
    // Taps are filtered while the board is locked; keys and assistive
    // technology reach the bar directly, so the lock is kept here as well.
    if (m_dlg.IsBoardLocked() || m_dlg.IsReconnecting()) {
        return;
    }
    CSubScreen_OverClock& page = m_dlg.OverClockPage();
    switch (nKind) {
        case CSubScreen_OverClock_Control::kCommandRefresh:
            page.RefreshFromBoard();
            break;
        case CSubScreen_OverClock_Control::kCommandApply:
            // Through a description the board did not send whole this time a
            // letter may mean another item: nothing is written until it has.
            if (!m_link.IsDescriptionConfirmed()) {
                if (m_messageBox.AskYesNo(LocaleText(u"STR_DESC_UNCONFIRMED_MSG"))) {
                    m_dlg.ReloadBoard();
                }
                break;
            }
            if (!m_dlg.SafetyNet().MayApply()) {
                break;
            }
            m_dlg.SafetyNet().BeforeApply();
            page.ApplyToBoard();
            break;
        case CSubScreen_OverClock_Control::kCommandCancel:
            page.RevertAll();
            break;
        default:
            break;
    }
}

void COverClockController::OnRefreshed(bool bOk) {
    m_dlg.OverClockPage().HideWaiting();
    if (m_dlg.IsReconnecting()) {
        return;  // the values are read anew once the board is back
    }
    if (!bOk) {
        m_messageBox.ShowMessage(LocaleText(u"STR_REFRESH_ERROR_MSG"));
        return;
    }
    UpdateRows();
}

void COverClockController::OnApplied(bool bOk) {
    if (bOk && m_dlg.IsReconnecting()) {
        return;  // the rows read what the board holds once it is back
    }
    if (!bOk) {
        m_dlg.OverClockPage().HideWaiting();
        m_messageBox.ShowMessage(LocaleText(u"STR_APPLY_ERROR_MSG"));
        return;
    }
    // The page waits on for the read-back the link makes next.
    UpdateRows();
}

void COverClockController::UpdateRows(CSubScreen_OverClock::EEdits edits) {
    CSubScreen_OverClock& page = m_dlg.OverClockPage();
    page.UpdateFromArray(EBoardArray::OverVolt, m_link.GetOverVolt(), edits);
    page.UpdateFromArray(EBoardArray::OverFreq, m_link.GetOverFreq(), edits);
    page.UpdateFromArray(EBoardArray::OverRatio, m_link.GetOverRatio(), edits);
}

void COverClockController::ExpectFirstValues() {
    m_bFirstValuesToCome = true;
    m_nRatioRowsBuilt = m_link.ArraySize(EBoardArray::OverRatio);
}

void COverClockController::OnValuesProgress() {
    // Each step of the values begins when the arrays before it are read.
    if (m_bFirstValuesToCome) {
        UpdateRows(CSubScreen_OverClock::EEdits::Keep);
    }
}

bool COverClockController::EndFirstValues() {
    if (!std::exchange(m_bFirstValuesToCome, false)) {
        return false;
    }
    if (m_link.ArraySize(EBoardArray::OverRatio) != m_nRatioRowsBuilt) {
        m_dlg.OverClockPage().RebuildItemControls();
    }
    UpdateRows(CSubScreen_OverClock::EEdits::Keep);
    return true;
}
