#pragma once

#include <QObject>

class CTunevoDlg;

// The main window's own keys: Escape closes the screen on top, F10 and the
// Menu key open the soft-key menu, Ctrl+Tab and Ctrl+Shift+Tab walk the
// over-clock page and the monitor's categories. Main thread only; owned by
// the window, whose shortcuts it makes.
class CWindowKeys final : public QObject {
public:
    explicit CWindowKeys(CTunevoDlg& dlg);

    // Opens the soft-key menu above its key, as a tap on it does.
    void OpenSoftKeyMenu();
    // Through the over-clock page and the monitor's categories, by nStep.
    void StepTab(int nStep);

private:
    CTunevoDlg& m_dlg;
};
