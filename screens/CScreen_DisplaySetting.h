#pragma once

#include <QButtonGroup>
#include <QFont>
#include <QListWidget>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QWidget>

#include "data/CDisplaySettingsFile.h"

class CDeviceLink;
class CSubScreen_OverClock;
class IMainWindow;
class IMessageBox;

// Which over-clock items the over-clock page shows: every item with a check
// box, voltages on one tab and frequencies and ratios on the other. Apply
// lays the page out anew and stores the choice in the display settings file;
// Cancel leaves both as they were. Main thread only.
class CScreen_DisplaySetting final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTabFrequency = 0;
    static constexpr int kTabVoltage = 1;
    using DisplayMap = CDisplaySettingsFile::DisplayMap;

    // Created hidden; reads the stored choice from the file once.
    CScreen_DisplaySetting(CDeviceLink& link, IMainWindow& mainWindow, IMessageBox& messageBox,
                           CSubScreen_OverClock& overClock, QWidget* pParent);

    // Fills both lists from the link's items, checked as the stored choice
    // says: every item while it is empty, else those it marks "1". Checks
    // the user changed but did not apply go back to the stored ones.
    void PopulateLists();
    // Shows a tab's list, filled anew, as a tap on the tab does.
    void ShowTab(int nTab);
    int CurrentTab() const { return m_nTab; }

    void Apply();
    void Cancel();

    QListWidget& VoltageList() const { return *m_pVoltList; }
    QListWidget& FrequencyList() const { return *m_pFreqList; }
    QPushButton& TabButton(int nTab) const;
    QPushButton& ApplyButton() const { return *m_pApply; }
    QPushButton& CancelButton() const { return *m_pCancel; }
    const QString& Title() const { return m_strTitle; }
    const DisplayMap& StoredMap() const { return m_storedMap; }
    // Where the hint is drawn, and in which font.
    QRect TipRect() const { return m_rcTip; }
    const QFont& TipFont() const { return m_tipFont; }

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    QPushButton* AddButton(const QString& strText, const QRect& rc);
    void Close();

    CDeviceLink& m_link;
    IMainWindow& m_mainWindow;
    IMessageBox& m_messageBox;
    CSubScreen_OverClock& m_overClock;
    CDisplaySettingsFile m_file;
    // The choice the lists are checked by, and the one last applied (or
    // read), which Cancel returns to after an Apply with nothing checked.
    DisplayMap m_storedMap;
    DisplayMap m_appliedMap;
    int m_nTab = kTabFrequency;

    QListWidget* m_pVoltList = nullptr;
    QListWidget* m_pFreqList = nullptr;
    QPushButton* m_pFreqTab = nullptr;
    QPushButton* m_pVoltTab = nullptr;
    QPushButton* m_pApply = nullptr;
    QPushButton* m_pCancel = nullptr;
    QButtonGroup m_tabs;
    QFont m_font;
    QFont m_tipFont;
    QString m_strTitle;
    QString m_strTips;
    QString m_strSaveFailed;
    QRect m_rcTitle;
    QRect m_rcTip;
    QRect m_rcList;
    int m_nMargin = 0;
    int m_nUnderlineY = 0;
};
