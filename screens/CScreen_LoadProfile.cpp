#include "screens/CScreen_LoadProfile.h"

#include "link/CDeviceLink.h"
#include "link/ProfileValues.h"
#include "screens/CSubScreen_OverClock.h"

CScreen_LoadProfile::CScreen_LoadProfile(CDeviceLink& link, IMainWindow& mainWindow,
                                         IMessageBox& messageBox, CSubScreen_OverClock& overClock,
                                         QWidget* pParent)
    : CProfileScreen(EKind::Load, link, mainWindow, messageBox, pParent), m_overClock(overClock) {}

void CScreen_LoadProfile::Fill() {
    const bool bLoaded = m_file.LoadForBoard(m_link.GetBoardVersion());
    AddItemRows();
    SetActionAvailable(bLoaded && m_file.HasProfile(Profile()));
}

void CScreen_LoadProfile::OnAction() {
    const std::map<EBoardArray, BoardItemArray> arrays = LoadProfile(m_file, Profile(), m_link);
    for (EBoardArray array : kProfileArrays) {
        m_overClock.UpdateFromArray(array, arrays.at(array));
    }
    Close();
}
