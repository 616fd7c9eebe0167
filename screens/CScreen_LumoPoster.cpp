#include "screens/CScreen_LumoPoster.h"

#include <QLineEdit>
#include <QPainter>

#include "link/CDeviceLink.h"
#include "screens/IMainWindow.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"
#include "widgets/CImageButton.h"
#include "widgets/Images.h"
#include "widgets/ScreenLayout.h"

namespace {
constexpr QSize kRadioSize(20, 20);
constexpr int kCloseSize = 40;
constexpr int kCloseSizeSmall = 28;
constexpr QRect kInitialGeometry(15, 128, 450, 540);
constexpr int kFontHeight = 20;
constexpr int kFontHeightSmall = 12;
// Both underlines end here, past the small screen's edge as in the large one.
constexpr int kLineRight = 440;

QRect FromEdges(int nLeft, int nTop, int nRight, int nBottom) {
    return LayoutRect{nLeft, nTop, nRight, nBottom}.ToQRect();
}
}  // namespace

CScreen_LumoPoster::CScreen_LumoPoster(CDeviceLink& link, IMainWindow& mainWindow,
                                       IMessageBox& messageBox, QWidget* pParent)
    : QWidget(pParent), m_link(link), m_mainWindow(mainWindow), m_messageBox(messageBox) {
    hide();
    const bool bSmall = g_nScreenLayout == LayoutSmall;
    setFont(ScreenFont(bSmall ? kFontHeightSmall : kFontHeight));
    setGeometry(kInitialGeometry);

    if (bSmall) {
        m_nMargin = 5;
        m_rcTitle = FromEdges(0, 15, 180, 40);
        m_firstLineFrom = QPoint(5, 40);
        m_rcInfo = FromEdges(20, 50, 150, 70);
        m_rcTextBox = FromEdges(30, 70, 170, 92);
        m_secondLineFrom = QPoint(5, 102);
        m_rcMode = FromEdges(20, 117, 200, 147);
    } else {
        m_rcTitle = FromEdges(0, 10, 480, 40);
        m_firstLineFrom = QPoint(10, 50);
        m_rcInfo = FromEdges(20, 60, 150, 100);
        m_rcTextBox = FromEdges(40, 100, 410, 150);
        m_secondLineFrom = QPoint(10, 155);
        m_rcMode = FromEdges(20, 165, 200, 210);
    }
    m_pClose = AddCloseButton(*this, bSmall ? QPoint(160, 12) : QPoint(380, 15),
                              bSmall ? kCloseSizeSmall : kCloseSize);
    connect(m_pClose, &QPushButton::clicked, this, [this] { OnCommand(IDC_CLOSE); });
    m_strTitle = LocaleText(u"STR_LUMOPOSTER");
    m_strInfo = LocaleText(u"STR_INFO");
    m_strMode = LocaleText(u"STR_MODE");
    m_strConfirm = LocaleText(u"STR_CHANGE_MODE_MSG");

    m_pText = new QLineEdit(this);
    m_pText->setGeometry(m_rcTextBox);
    m_pText->setAlignment(Qt::AlignCenter);
    // Named by the label drawn beside it.
    m_pText->setAccessibleName(m_strInfo);
    m_pText->setAccessibleDescription(m_strTitle);

    m_pModeText = CreateButton(
        LocaleText(u"STR_STRING"),
        bSmall ? FromEdges(25, 147, 100, 172) : FromEdges(100, 210, 200, 260), IDC_MODE_TEXT);
    m_pModeCode = CreateButton(
        LocaleText(u"STR_CODE"),
        bSmall ? FromEdges(110, 147, 185, 172) : FromEdges(230, 210, 330, 260), IDC_MODE_CODE);
    m_nMode = -1;
    SetMode(kModeText);
}

CImageButton* CScreen_LumoPoster::CreateButton(const QString& strLabel, const QRect& rc, int nId) {
    auto* pButton = new CImageButton(strLabel, this);
    pButton->setGeometry(rc);
    pButton->SetFlat(true);
    pButton->SetButtonStyle(CImageButton::EButtonStyle::Push);
    pButton->SetColor(CImageButton::ColorBackNormal, kPanelColor);
    pButton->SetColor(CImageButton::ColorTextNormal, Qt::white);
    pButton->SetIcon(IconRadioOff, kRadioSize, IconRadioOff, kRadioSize, IconRadioOn, kRadioSize);
    // Text and Code are a pair of which one is on, as the radio icons show.
    pButton->setCheckable(true);
    pButton->setAutoExclusive(true);
    connect(pButton, &QAbstractButton::clicked, this, [this, nId] { OnCommand(nId); });
    return pButton;
}

CImageButton* CScreen_LumoPoster::Button(int nId) const {
    switch (nId) {
        case IDC_MODE_TEXT:
            return m_pModeText;
        case IDC_MODE_CODE:
            return m_pModeCode;
        default:
            return nullptr;
    }
}

void CScreen_LumoPoster::ClearText() {
    m_pText->clear();
}

QString CScreen_LumoPoster::Text() const {
    return m_pText->text();
}

void CScreen_LumoPoster::SetMode(int nMode) {
    if (nMode != kModeText && nMode != kModeCode) {
        return;
    }
    m_nMode = nMode;
    const int nTextIcon = nMode == kModeText ? IconRadioOn : IconRadioOff;
    const int nCodeIcon = nMode == kModeCode ? IconRadioOn : IconRadioOff;
    m_pModeText->SetIcon(nTextIcon, kRadioSize, nTextIcon, kRadioSize, nTextIcon, kRadioSize);
    m_pModeCode->SetIcon(nCodeIcon, kRadioSize, nCodeIcon, kRadioSize, nCodeIcon, kRadioSize);
    (nMode == kModeText ? m_pModeText : m_pModeCode)->setChecked(true);
}

void CScreen_LumoPoster::ShowInfo(int nCode, bool bCodeMode, const std::string& strText) {
    if (bCodeMode) {
        SetMode(kModeCode);
        m_pText->setText(QStringLiteral("%1")
                             .arg(static_cast<unsigned>(nCode), 4, 16, QLatin1Char('0'))
                             .toUpper());
    } else {
        SetMode(kModeText);
        m_pText->setText(QString::fromStdString(strText));
    }
}

void CScreen_LumoPoster::OnCommand(int nId) {
    if (nId == IDC_CLOSE) {
        Close();
        return;
    }
    if (nId != IDC_MODE_TEXT && nId != IDC_MODE_CODE) {
        return;
    }
    if (!m_messageBox.AskYesNo(m_strConfirm)) {
        // The tap checked the button; the mode has not changed.
        SetMode(m_nMode);
        return;
    }
    const int nMode = nId == IDC_MODE_CODE ? kModeCode : kModeText;
    // Shown at once; the board's own mode comes with the next poster report.
    SetMode(nMode);
    m_link.RequestMessageMode(nMode);
}

void CScreen_LumoPoster::Close() {
    hide();
    if (!m_mainWindow.IsScreenLocked()) {
        m_mainWindow.EnableSoftKeys(true);
    }
    m_mainWindow.SwapLockedScreen(0);
}

void CScreen_LumoPoster::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    PaintTitledPanel(painter, rect(), m_nMargin, m_rcTitle, m_strTitle, m_firstLineFrom,
                     QPoint(kLineRight, m_firstLineFrom.y()));
    painter.drawText(m_rcInfo, Qt::AlignLeft | Qt::AlignTop, m_strInfo);
    DrawUnderline(painter, m_secondLineFrom, QPoint(kLineRight, m_secondLineFrom.y()));
    painter.drawText(m_rcMode, Qt::AlignLeft | Qt::AlignTop, m_strMode);
}
