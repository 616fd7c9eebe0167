#pragma once

#include <cstddef>

#include "screens/CSubScreen_OverClock.h"

class CDeviceLink;
class CTunevoDlg;
class IMessageBox;

// The over-clock page's work with the board as the main window runs it:
// Refresh, Apply and Cancel from the control bar, their results, and the
// rows filled from the link's arrays. An apply ends with a read of every
// value, so the rows show what the board really holds. Main thread only;
// owned by the window.
class COverClockController {
public:
    COverClockController(CTunevoDlg& dlg, CDeviceLink& link, IMessageBox& messageBox);

    // A command of the control bar (CSubScreen_OverClock_Control::kCommand...).
    void OnCommand(int nKind);
    void OnRefreshed(bool bOk);
    void OnApplied(bool bOk);
    // The rows from the link's arrays: voltages, frequencies, ratios.
    void UpdateRows(CSubScreen_OverClock::EEdits edits = CSubScreen_OverClock::EEdits::Drop);

    // A window opened before the board's first values: the rows fill in as
    // each array is read; once all are, EndFirstValues shows the rest (the
    // ratio items the board does not use go) and says whether it was such a window.
    void ExpectFirstValues();
    void OnValuesProgress();
    bool EndFirstValues();

private:
    CTunevoDlg& m_dlg;
    CDeviceLink& m_link;
    IMessageBox& m_messageBox;
    bool m_bFirstValuesToCome = false;
    size_t m_nRatioRowsBuilt = 0;
};
