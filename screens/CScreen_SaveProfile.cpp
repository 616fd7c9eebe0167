#include "screens/CScreen_SaveProfile.h"

#include <optional>
#include <string>

#include "link/CDeviceLink.h"
#include "link/ProfileValues.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"

CScreen_SaveProfile::CScreen_SaveProfile(CDeviceLink& link, IMainWindow& mainWindow,
                                         IMessageBox& messageBox, QWidget* pParent)
    : CProfileScreen(EKind::Save, link, mainWindow, messageBox, pParent),
      m_strSaved(LocaleText(u"STR_SAVEPROFILE_OK_MSG")),
      m_strSaveFailed(LocaleText(u"STR_SAVEPROFILE_ERROR_MSG")) {}

void CScreen_SaveProfile::Fill() {
    // A file of another board version is forgotten: saving writes this
    // board's profile alone.
    m_file.LoadForBoard(m_link.GetBoardVersion());
    SetActionAvailable(AddItemRows());
}

void CScreen_SaveProfile::OnAction() {
    // Another board's profiles, there since the screen opened, keep a file of their own.
    const std::optional<std::string> aside =
        CProfileFile::MoveAsideIfStale(m_file.Path(), m_link.GetBoardVersion());
    StoreProfile(m_file, Profile(), m_link);
    m_messageBox.ShowMessage(m_file.Save() ? m_strSaved : m_strSaveFailed);
    if (aside) {
        m_messageBox.ShowMessage(
            LocaleText(u"STR_PROFILE_MOVED_MSG").arg(QString::fromStdString(*aside)));
    }
    Close();
}
