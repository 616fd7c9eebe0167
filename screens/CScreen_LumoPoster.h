#pragma once

#include <QPushButton>
#include <QRect>
#include <QWidget>
#include <string>

class CDeviceLink;
class CImageButton;
class IMainWindow;
class IMessageBox;
class QLineEdit;

// Shows what the board's POST display shows, as text (mode 0) or as a
// four-digit hexadecimal code (mode 1), and switches that mode after a
// confirmation. It stays up while the board is locked.
class CScreen_LumoPoster final : public QWidget {
    Q_OBJECT
public:
    static constexpr int IDC_MODE_TEXT = 10007;
    static constexpr int IDC_MODE_CODE = 10008;
    static constexpr int IDC_CLOSE = 10009;
    static constexpr int kModeText = 0;
    static constexpr int kModeCode = 1;

    CScreen_LumoPoster(CDeviceLink& link, IMainWindow& mainWindow, IMessageBox& messageBox,
                       QWidget* pParent);

    void ClearText();
    // One poster report: the code in code mode, else the text (UTF-8).
    void ShowInfo(int nCode, bool bCodeMode, const std::string& strText);
    // Marks the button of mode 0 or 1; other modes change nothing.
    void SetMode(int nMode);

    // Runs a command as its button or the close area would.
    void OnCommand(int nId);

    QString Text() const;
    // The mode the radio icons show.
    int Mode() const { return m_nMode; }
    CImageButton* Button(int nId) const;
    QPushButton& CloseButton() const { return *m_pClose; }
    const QString& Title() const { return m_strTitle; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    CImageButton* CreateButton(const QString& strLabel, const QRect& rc, int nId);
    void Close();

    CDeviceLink& m_link;
    IMainWindow& m_mainWindow;
    IMessageBox& m_messageBox;
    int m_nMode = kModeText;
    QLineEdit* m_pText = nullptr;
    CImageButton* m_pModeText = nullptr;
    CImageButton* m_pModeCode = nullptr;
    QPushButton* m_pClose = nullptr;
    int m_nMargin = 10;
    QRect m_rcTitle;
    QRect m_rcInfo;
    QRect m_rcTextBox;
    QRect m_rcMode;
    QPoint m_firstLineFrom;
    QPoint m_secondLineFrom;
    QString m_strTitle;
    QString m_strInfo;
    QString m_strMode;
    QString m_strConfirm;
};
