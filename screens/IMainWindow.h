#pragma once

// What the overlay screens ask of the main window.
class IMainWindow {
public:
    virtual ~IMainWindow() = default;

    // Both soft keys on or off.
    virtual void EnableSoftKeys(bool bEnable) = 0;
    // After an overlay closes: unlocked, the soft keys come back unless the
    // power or poster screen is still up; locked, nothing changes.
    virtual void RestoreSoftKeys() = 0;
    // While the board is locked, closing the power screen (1) opens the
    // poster and closing the poster (0) opens the power screen.
    virtual void SwapLockedScreen(int nWhich) = 0;
    virtual void ShowPowerScreen() = 0;
    // The over-clock control bar: 1 refresh, 2 apply, 3 revert.
    virtual void OnOverClockCommand(int nKind) = 0;
    // The application's screen lock flag, set while the board is locked.
    virtual bool IsScreenLocked() const = 0;
    // A power action is about to be sent, for the journal and the start-up watch.
    virtual void OnPowerRequested(int /*nCode*/) {}
};
