#pragma once

#include "screens/CProfileScreen.h"

// Save Profile I or II: lists each item's stored value beside its current
// one, and Save stores the current values, and the board version, in the
// profile. A value the board has not reported is not stored.
class CScreen_SaveProfile final : public CProfileScreen {
    Q_OBJECT
public:
    CScreen_SaveProfile(CDeviceLink& link, IMainWindow& mainWindow, IMessageBox& messageBox,
                        QWidget* pParent);

protected:
    void Fill() override;
    void OnAction() override;

private:
    QString m_strSaved;
    QString m_strSaveFailed;
};
