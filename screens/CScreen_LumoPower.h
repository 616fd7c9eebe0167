#pragma once

#include <QPushButton>
#include <QRect>
#include <QWidget>
#include <array>

class CBackgroundWork;
class CDeviceLink;
class CImageButton;
class IMainWindow;
class IMessageBox;

// The remote power screen: switch the PC on or off, force it off, clear its
// CMOS or reset it, each after a confirmation. While it is open the link
// polls the power state and the screen shows the on or the off button.
class CScreen_LumoPower final : public QWidget {
    Q_OBJECT
public:
    // Command ids: the five actions, and closing.
    static constexpr int IDC_POWER_ON = 10001;
    static constexpr int IDC_POWER_OFF = 10002;
    static constexpr int IDC_FORCE_SHUTDOWN = 10003;
    static constexpr int IDC_CLEAR_CMOS = 10004;
    static constexpr int IDC_RESET = 10005;
    static constexpr int IDC_CLOSE = 10006;

    // Created hidden. The power state is read once, off the main thread, and
    // chooses between the on and off buttons until the first poll result.
    CScreen_LumoPower(CDeviceLink& link, IMainWindow& mainWindow, IMessageBox& messageBox,
                      CBackgroundWork& work, QWidget* pParent);

    // Shows the on button while the PC is off, the off button while it is on.
    void SetPowerState(bool bOn);

    // Set by the main window when it opens the screen, cleared on closing.
    bool IsActive() const { return m_bActive; }
    void SetActive(bool bActive) { m_bActive = bActive; }

    // Runs a command as its button or the close area would.
    void OnCommand(int nId);

    CImageButton* Button(int nId) const;
    QPushButton& CloseButton() const { return *m_pClose; }
    const QString& Title() const { return m_strTitle; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void CreateButton(int nIndex);
    void ShowPowerButtons(bool bOn);
    void Close();

    CDeviceLink& m_link;
    IMainWindow& m_mainWindow;
    IMessageBox& m_messageBox;
    bool m_bActive = false;
    // A poll result outranks the state read at start, which may arrive later.
    bool m_bPolled = false;
    QPushButton* m_pClose = nullptr;
    QRect m_rcTitle;
    QPoint m_underlineFrom;
    QPoint m_underlineTo;
    QString m_strTitle;
    std::array<QString, 5> m_confirmations;
    std::array<CImageButton*, 5> m_buttons{};
};
