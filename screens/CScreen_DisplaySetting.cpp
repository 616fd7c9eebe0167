#include "screens/CScreen_DisplaySetting.h"

#include <QPainter>

#include "link/CDeviceLink.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/IMainWindow.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"
#include "widgets/Accessibility.h"
#include "widgets/ScreenLayout.h"

namespace {

struct DisplaySettingGeometry {
    LayoutRect rcFreqTab;
    LayoutRect rcVoltTab;
    LayoutRect rcList;
    LayoutRect rcTip;
    LayoutRect rcApply;
    LayoutRect rcCancel;
    LayoutRect rcTitle;
    int nMargin;
    int nUnderlineY;
    int nFontHeight;
};

DisplaySettingGeometry GeometryOf(uint8_t nLayout) {
    if (nLayout == LayoutSmall) {
        return {{10, 35, 105, 55},
                {105, 35, 183, 55},
                {10, 62, 183, 150},
                {12, 152, 195, 203},
                {25, 205, 95, 232},
                {115, 205, 185, 232},
                {0, 10, 200, 40},
                5,
                32,
                13};
    }
    if (nLayout == LayoutMedium) {
        return {{10, 50, 225, 100},
                {225, 50, 420, 100},
                {10, 120, 420, 330},
                {20, 350, 400, 380},
                {40, 390, 190, 430},
                {240, 390, 390, 430},
                {0, 10, 480, 40},
                10,
                50,
                20};
    }
    return {{10, 50, 225, 100},
            {225, 50, 420, 100},
            {10, 120, 420, 460},
            {20, 480, 400, 510},
            {40, 520, 190, 560},
            {240, 520, 390, 560},
            {0, 10, 480, 40},
            10,
            50,
            20};
}

constexpr int kUnderlineRight = 440;
constexpr int kTipFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

// The tabs are buttons: the current one in the panel's colour, the other grey.
QString TabStyle() {
    return QStringLiteral(
               "QPushButton { border: none; background: %1; color: %2; }"
               "QPushButton:checked { background: %3; color: white; }")
        .arg(kInactiveTabColor.name(), kInactiveTabText.name(), kPanelColor.name());
}

void FillList(QListWidget& list, const BoardItemArray& items,
              const CDisplaySettingsFile::DisplayMap& stored) {
    for (const BoardItem& item : items) {
        auto* pRow = new QListWidgetItem(QString::fromStdU16String(item.Name), &list);
        pRow->setFlags(pRow->flags() | Qt::ItemIsUserCheckable);
        pRow->setCheckState(CDisplaySettingsFile::IsChecked(stored, item.Name) ? Qt::Checked
                                                                               : Qt::Unchecked);
        pRow->setToolTip(pRow->text());
    }
}

}  // namespace

CScreen_DisplaySetting::CScreen_DisplaySetting(CDeviceLink& link, IMainWindow& mainWindow,
                                               IMessageBox& messageBox,
                                               CSubScreen_OverClock& overClock, QWidget* pParent)
    : QWidget(pParent),
      m_link(link),
      m_mainWindow(mainWindow),
      m_messageBox(messageBox),
      m_overClock(overClock) {
    hide();
    const DisplaySettingGeometry geometry = GeometryOf(g_nScreenLayout);
    m_rcTitle = geometry.rcTitle.ToQRect();
    m_rcTip = geometry.rcTip.ToQRect();
    m_rcList = geometry.rcList.ToQRect();
    m_nMargin = geometry.nMargin;
    m_nUnderlineY = geometry.nUnderlineY;
    m_font = ScreenFont(geometry.nFontHeight, 600);
    setFont(m_font);
    // The page's own choice: a file of another board version shows the defaults.
    m_file.Load();
    m_storedMap = m_overClock.ShownMap();
    m_appliedMap = m_storedMap;
    m_strTitle = LocaleText(u"STR_DISPLAY_SETTING");
    m_strTips = LocaleText(u"STR_DISPLAY_TIPS");
    m_strSaveFailed = LocaleText(u"STR_SAVE_DISPLAYSETTING_MSG");
    m_tipFont = FontToFit(m_font, m_rcTip, kTipFlags, m_strTips);

    m_pFreqTab = new CPageTab(LocaleText(u"STR_FREQ"), true, this);
    m_pFreqTab->setGeometry(geometry.rcFreqTab.ToQRect());
    m_pVoltTab = new CPageTab(LocaleText(u"STR_VOLT"), true, this);
    m_pVoltTab->setGeometry(geometry.rcVoltTab.ToQRect());
    for (QPushButton* pTab : {m_pFreqTab, m_pVoltTab}) {
        pTab->setStyleSheet(TabStyle());
        m_tabs.addButton(pTab);
    }
    TabButton(m_nTab).setChecked(true);
    connect(m_pFreqTab, &QPushButton::clicked, this, [this] { ShowTab(kTabFrequency); });
    connect(m_pVoltTab, &QPushButton::clicked, this, [this] { ShowTab(kTabVoltage); });
    m_pApply = AddButton(LocaleText(u"STR_APPLY"), geometry.rcApply.ToQRect());
    m_pCancel = AddButton(LocaleText(u"STR_CANCEL"), geometry.rcCancel.ToQRect());
    m_pApply->setDefault(true);
    connect(m_pApply, &QPushButton::clicked, this, &CScreen_DisplaySetting::Apply);
    connect(m_pCancel, &QPushButton::clicked, this, &CScreen_DisplaySetting::Cancel);

    m_pVoltList = new QListWidget(this);
    m_pFreqList = new QListWidget(this);
    m_pVoltList->setAccessibleName(m_pVoltTab->text());
    m_pFreqList->setAccessibleName(m_pFreqTab->text());
    for (QListWidget* pList : {m_pVoltList, m_pFreqList}) {
        SetListColours(*pList);
        pList->setGeometry(m_rcList);
        // A long name is cut with "…", its tooltip whole, not scrolled to.
        pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        pList->setTextElideMode(Qt::ElideRight);
        // The style's own boxes are dark on the dark panel: ours are outlined
        // in white and as tall as the text's capitals.
        const int nBox = QFontMetrics(m_font).capHeight() + 4;
        pList->setStyleSheet(
            QStringLiteral("QListWidget::indicator { width: %1px; height: %1px; margin-right: 4px; }"
                           "QListWidget::indicator:unchecked { image: url(:/images/check_off.svg); }"
                           "QListWidget::indicator:checked { image: url(:/images/check_on.svg); }")
                .arg(nBox));
    }
    // As the eye reads the screen: the tabs, the list shown, then the buttons.
    SetTabOrder({m_pFreqTab, m_pVoltTab, m_pVoltList, m_pFreqList, m_pApply, m_pCancel});
}

QPushButton* CScreen_DisplaySetting::AddButton(const QString& strText, const QRect& rc) {
    auto* pButton = new QPushButton(strText, this);
    pButton->setGeometry(rc);
    return pButton;
}

QPushButton& CScreen_DisplaySetting::TabButton(int nTab) const {
    return nTab == kTabVoltage ? *m_pVoltTab : *m_pFreqTab;
}

void CScreen_DisplaySetting::PopulateLists() {
    m_pVoltList->clear();
    FillList(*m_pVoltList, m_link.GetOverVolt(), m_storedMap);
    m_pFreqList->clear();
    FillList(*m_pFreqList, m_link.GetOverFreq(), m_storedMap);
    FillList(*m_pFreqList, m_link.GetOverRatio(), m_storedMap);
    m_pVoltList->setVisible(m_nTab == kTabVoltage);
    m_pFreqList->setVisible(m_nTab == kTabFrequency);
    TabButton(m_nTab).setChecked(true);
}

void CScreen_DisplaySetting::ShowTab(int nTab) {
    if (nTab == kTabFrequency || nTab == kTabVoltage) {
        m_nTab = nTab;
    }
    PopulateLists();
    update();
}

void CScreen_DisplaySetting::Apply() {
    DisplayMap newMap;
    m_storedMap.clear();
    int nChecked = 0;
    for (const QListWidget* pList : {m_pFreqList, m_pVoltList}) {
        for (int nRow = 0; nRow < pList->count(); ++nRow) {
            const QListWidgetItem& row = *pList->item(nRow);
            const bool bChecked = row.checkState() == Qt::Checked;
            nChecked += bChecked ? 1 : 0;
            const std::u16string name = row.text().toStdU16String();
            const std::u16string value = bChecked ? u"1" : u"0";
            newMap[name] = value;
            m_storedMap[name] = value;
            m_file.SetEntry(name, value);
        }
    }
    if (nChecked == 0) {
        m_messageBox.ShowMessage(m_strTips);
        PopulateLists();
        return;
    }
    m_overClock.LayoutItems(newMap);
    m_appliedMap = m_storedMap;
    m_file.SetVersion(m_link.GetBoardVersion());
    if (!m_file.Save()) {
        m_messageBox.ShowMessage(m_strSaveFailed);
    }
    Close();
}

void CScreen_DisplaySetting::Cancel() {
    // An Apply with nothing checked left every row "0" in the stored choice;
    // the page still shows the applied one, and so does the next opening.
    m_storedMap = m_appliedMap;
    Close();
}

void CScreen_DisplaySetting::Close() {
    // A hidden list's current row would still be reported as focused.
    m_pVoltList->setCurrentItem(nullptr);
    m_pFreqList->setCurrentItem(nullptr);
    hide();
    m_mainWindow.RestoreSoftKeys();
}

void CScreen_DisplaySetting::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(m_font);
    PaintTitledPanel(painter, rect(), m_nMargin, m_rcTitle, m_strTitle,
                     QPoint(m_nMargin, m_nUnderlineY), QPoint(kUnderlineRight, m_nUnderlineY));
    painter.setFont(m_tipFont);
    painter.drawText(m_rcTip, kTipFlags, m_strTips);
}
