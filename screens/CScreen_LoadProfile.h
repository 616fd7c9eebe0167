#pragma once

#include "screens/CProfileScreen.h"

class CSubScreen_OverClock;

// Load Profile I or II: lists each item's current value beside the
// profile's, and Load puts the profile's values into the over-clock page's
// rows as their loaded values. Nothing reaches the board until Apply.
class CScreen_LoadProfile final : public CProfileScreen {
    Q_OBJECT
public:
    CScreen_LoadProfile(CDeviceLink& link, IMainWindow& mainWindow, IMessageBox& messageBox,
                        CSubScreen_OverClock& overClock, QWidget* pParent);

protected:
    void Fill() override;
    void OnAction() override;

private:
    CSubScreen_OverClock& m_overClock;
};
