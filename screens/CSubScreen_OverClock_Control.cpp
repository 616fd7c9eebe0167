#include "screens/CSubScreen_OverClock_Control.h"

#include "screens/IMainWindow.h"
#include "screens/ScreenPainting.h"
#include "widgets/ScreenLayout.h"

namespace {

struct BarGeometry {
    int nFirstX;
    int nDistance;
    int nY;
    int nWidth;
    int nHeight;
    int nFont;
};

BarGeometry GeometryOf(uint8_t nLayout) {
    if (nLayout == LayoutSmall) {
        return {30, 60, 10, 50, 25, 12};
    }
    return {50, 135, 25, 100, 40, 20};
}

}  // namespace

CSubScreen_OverClock_Control::CSubScreen_OverClock_Control(IMainWindow& mainWindow,
                                                           QWidget* pParent)
    : QWidget(pParent), m_mainWindow(mainWindow) {
    FillWithPageColour(*this);
    m_pRefresh = AddButton(u"STR_REFRESH", 0, kCommandRefresh);
    m_pApply = AddButton(u"STR_APPLY", 1, kCommandApply);
    m_pCancel = AddButton(u"STR_CANCEL", 2, kCommandCancel);
}

QPushButton* CSubScreen_OverClock_Control::AddButton(const char16_t* pszTextKey, int nPosition,
                                                     int nCommand) {
    const BarGeometry geometry = GeometryOf(g_nScreenLayout);
    auto* pButton = new QPushButton(LocaleText(pszTextKey), this);
    pButton->setGeometry(geometry.nFirstX + nPosition * geometry.nDistance, geometry.nY,
                         geometry.nWidth, geometry.nHeight);
    pButton->setFont(ScreenFont(geometry.nFont));
    connect(pButton, &QPushButton::clicked, this,
            [this, nCommand] { m_mainWindow.OnOverClockCommand(nCommand); });
    return pButton;
}
