#pragma once

#include <QFont>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QTreeWidget>
#include <QWidget>

#include "data/CProfileFile.h"

class CDeviceLink;
class IMainWindow;
class IMessageBox;

// What the save and load profile screens share: a framed panel with a
// title, a three-column list of every over-clock item (ratios, then
// frequencies, then voltages), an action button and Cancel. The main window
// opens one with a profile number; it closes itself and gives the soft keys
// back. Main thread only.
class CProfileScreen : public QWidget {
    Q_OBJECT
public:
    // Sets the title and the profile (1 or 2), then fills the list from the
    // file and the link.
    void Open(int nProfile, const QString& strTitle);
    int Profile() const { return m_nProfile; }
    const QString& Title() const { return m_strTitle; }

    // The action waits while the over-clock page waits on the board: the
    // link's values are in flux, and the page's result would overwrite a load.
    void SetBoardBusy(bool bBusy);

    QTreeWidget& List() const { return *m_pList; }
    QPushButton& ActionButton() const { return *m_pAction; }
    QPushButton& CancelButton() const { return *m_pCancel; }

protected:
    enum class EKind { Save, Load };

    CProfileScreen(EKind kind, CDeviceLink& link, IMainWindow& mainWindow, IMessageBox& messageBox,
                   QWidget* pParent);

    // Fills the list; called by Open.
    virtual void Fill() = 0;
    // Save or Load.
    virtual void OnAction() = 0;

    // One row per over-clock item: its name, its value in the profile and
    // its current value, in the screen's column order ("--" for a current
    // value not known). True when any current value is known.
    bool AddItemRows();
    // Whether the file and the link allow the action at all.
    void SetActionAvailable(bool bAvailable);
    // Hides the screen and lets the main window restore its soft keys.
    void Close();

    void paintEvent(QPaintEvent* pEvent) override;

    CDeviceLink& m_link;
    IMessageBox& m_messageBox;
    CProfileFile m_file;

private:
    void Refill();
    // Breaks a name too long for its column onto a second line.
    void WrapNames();

    const EKind m_kind;
    IMainWindow& m_mainWindow;
    QTreeWidget* m_pList = nullptr;
    QPushButton* m_pAction = nullptr;
    QPushButton* m_pCancel = nullptr;
    QFont m_listFont;
    QString m_strTitle;
    int m_nProfile = CProfileFile::kFirstProfile;
    int m_nBorder = 0;
    QRect m_rcTitle;
    QPoint m_ruleFrom;
    QPoint m_ruleTo;
    bool m_bAvailable = true;
    // In the small layout each name has a line of its own, its values below.
    bool m_bNamesAbove = false;
    bool m_bBoardBusy = false;
};
