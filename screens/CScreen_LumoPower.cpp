#include "screens/CScreen_LumoPower.h"

#include <QPainter>
#include <atomic>
#include <memory>

#include "link/CDeviceLink.h"
#include "screens/CBackgroundWork.h"
#include "screens/IMainWindow.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"
#include "widgets/CImageButton.h"
#include "widgets/Images.h"
#include "widgets/ScreenLayout.h"

namespace {

struct ActionButton {
    int nId;
    std::u16string_view label;
    std::u16string_view confirmation;
    int nPowerCode;
    int nIcon;
    int nIconSmall;
    LayoutRect rcLarge;
    LayoutRect rcSmall;
};

// Power codes from switching off (2: off, 3: force off, 4: clear CMOS, 5:
// reset) on: each stops what runs on the PC.
constexpr int kFirstStoppingAction = 2;

// Buttons 10001 and 10002 share a place: only one of them shows at a time.
const std::array<ActionButton, 5> kButtons{{
    {CScreen_LumoPower::IDC_POWER_ON,
     u"STR_POWER_ON",
     u"STR_POWER_ON_MSG",
     1,
     IconPowerOn,
     IconPowerOnSmall,
     {5, 100, 105, 250},
     {20, 50, 90, 120}},
    {CScreen_LumoPower::IDC_POWER_OFF,
     u"STR_POWER_OFF",
     u"STR_POWER_OFF_MSG",
     2,
     IconPowerOff,
     IconPowerOffSmall,
     {5, 100, 105, 250},
     {20, 50, 90, 120}},
    {CScreen_LumoPower::IDC_FORCE_SHUTDOWN,
     u"STR_FORCE_SHUTDOWN",
     u"STR_POWER_FORCESHUTDOWN_MSG",
     3,
     IconForceShutdown,
     IconForceShutdownSmall,
     {106, 100, 236, 250},
     {95, 50, 185, 120}},
    {CScreen_LumoPower::IDC_CLEAR_CMOS,
     u"STR_CLEARCMOS",
     u"STR_POWER_CLEARCMOS_MSG",
     4,
     IconClearCmos,
     IconClearCmosSmall,
     {237, 100, 337, 250},
     {95, 130, 185, 200}},
    {CScreen_LumoPower::IDC_RESET,
     u"STR_RESET",
     u"STR_POWER_RESET_MSG",
     5,
     IconReset,
     IconResetSmall,
     {338, 100, 438, 250},
     {20, 130, 90, 200}},
}};

constexpr int kMargin = 5;
constexpr QSize kIconSize(60, 60);
constexpr QSize kIconSizeSmall(32, 32);
constexpr int kCloseSize = 40;
constexpr int kCloseSizeSmall = 28;
constexpr int kFontHeight = 20;
constexpr int kFontHeightSmallChinese = 14;
constexpr int kFontHeightSmall = 12;
constexpr int kFontWeight = 600;
constexpr QRect kInitialGeometry(15, 198, 450, 440);

size_t IndexOf(int nId) {
    return static_cast<size_t>(nId - CScreen_LumoPower::IDC_POWER_ON);
}

}  // namespace

CScreen_LumoPower::CScreen_LumoPower(CDeviceLink& link, IMainWindow& mainWindow,
                                     IMessageBox& messageBox, CBackgroundWork& work,
                                     QWidget* pParent)
    : QWidget(pParent), m_link(link), m_mainWindow(mainWindow), m_messageBox(messageBox) {
    hide();
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    m_rcTitle = bSmall ? QRect(0, 15, 200, 25) : QRect(0, 10, 480, 30);
    m_underlineFrom = bSmall ? QPoint(5, 40) : QPoint(10, 50);
    m_underlineTo = QPoint(440, m_underlineFrom.y());
    const bool bChinese = IsChineseLanguage();
    setFont(
        ScreenFont(bSmall ? (bChinese ? kFontHeightSmallChinese : kFontHeightSmall) : kFontHeight,
                   kFontWeight));
    m_pClose = AddCloseButton(*this, bSmall ? QPoint(160, 10) : QPoint(380, 10),
                              bSmall ? kCloseSizeSmall : kCloseSize);
    connect(m_pClose, &QPushButton::clicked, this, [this] { OnCommand(IDC_CLOSE); });

    m_strTitle = LocaleText(u"STR_LUMOREMOTE");
    for (size_t i = 0; i < kButtons.size(); ++i) {
        m_confirmations[i] = LocaleText(kButtons[i].confirmation);
    }
    setGeometry(kInitialGeometry);
    for (size_t i = 0; i < kButtons.size(); ++i) {
        CreateButton(static_cast<int>(i));
    }
    // Off until the board says otherwise.
    ShowPowerButtons(false);

    auto pOn = std::make_shared<std::atomic<bool>>(false);
    work.Run([&link, pOn] { pOn->store(link.QueryPowerStatus()); },
             [this, pOn] {
                 if (!m_bPolled) {
                     ShowPowerButtons(pOn->load());
                 }
             });
}

void CScreen_LumoPower::CreateButton(int nIndex) {
    const ActionButton& spec = kButtons[static_cast<size_t>(nIndex)];
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    auto* pButton = new CImageButton(LocaleText(spec.label), this);
    pButton->setGeometry((bSmall ? spec.rcSmall : spec.rcLarge).ToQRect());
    pButton->SetFlat(true);
    pButton->setFont(font());
    pButton->SetAlign(CImageButton::AlignIconAbove);
    pButton->SetColor(CImageButton::ColorBackNormal, kPanelColor);
    pButton->SetColor(CImageButton::ColorTextNormal, Qt::white);
    // Hovered, the back turns dark red: the text stays white to be read.
    pButton->SetColor(CImageButton::ColorTextActive, Qt::white);
    pButton->SetButtonStyle(CImageButton::EButtonStyle::Push);
    const int nIcon = bSmall ? spec.nIconSmall : spec.nIcon;
    const QSize size = bSmall ? kIconSizeSmall : kIconSize;
    pButton->SetIcon(nIcon, size, nIcon, size, nIcon, size);
    const int nId = spec.nId;
    connect(pButton, &QAbstractButton::clicked, this, [this, nId] { OnCommand(nId); });
    m_buttons[static_cast<size_t>(nIndex)] = pButton;
}

CImageButton* CScreen_LumoPower::Button(int nId) const {
    const size_t nIndex = IndexOf(nId);
    return nIndex < m_buttons.size() ? m_buttons[nIndex] : nullptr;
}

void CScreen_LumoPower::SetPowerState(bool bOn) {
    m_bPolled = true;
    ShowPowerButtons(bOn);
    // A PC the board says is off has nothing to force off or reset.
    for (int nId : {IDC_FORCE_SHUTDOWN, IDC_RESET}) {
        m_buttons[IndexOf(nId)]->setEnabled(bOn);
    }
}

void CScreen_LumoPower::ShowPowerButtons(bool bOn) {
    m_buttons[IndexOf(IDC_POWER_ON)]->setVisible(!bOn);
    m_buttons[IndexOf(IDC_POWER_OFF)]->setVisible(bOn);
}

void CScreen_LumoPower::OnCommand(int nId) {
    if (nId == IDC_CLOSE) {
        Close();
        return;
    }
    const size_t nIndex = IndexOf(nId);
    if (nIndex >= kButtons.size()) {
        return;
    }
    // Only switching on stops nothing on the PC: for the rest Enter says No.
    const bool bStops = kButtons[nIndex].nPowerCode >= kFirstStoppingAction;
    if (!m_messageBox.AskYesNo(m_confirmations[nIndex],
                               bStops ? IMessageBox::EDefault::No : IMessageBox::EDefault::Yes)) {
        return;
    }
    m_mainWindow.OnPowerRequested(kButtons[nIndex].nPowerCode);
    m_link.RequestPower(kButtons[nIndex].nPowerCode);
    if (nId == IDC_RESET) {
        m_mainWindow.RestoreSoftKeys();
        m_mainWindow.SwapLockedScreen(1);
    }
}

void CScreen_LumoPower::Close() {
    m_link.StopPowerPolling();
    hide();
    m_bActive = false;
    m_mainWindow.RestoreSoftKeys();
    m_mainWindow.SwapLockedScreen(1);
}

void CScreen_LumoPower::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    PaintTitledPanel(painter, rect(), kMargin, m_rcTitle, m_strTitle, m_underlineFrom,
                     m_underlineTo);
}
