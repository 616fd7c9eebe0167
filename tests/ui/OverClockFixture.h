#pragma once

#include <QPushButton>
#include <stdexcept>

#include "data/CDisplaySettingsFile.h"
#include "screens/COCControl.h"
#include "screens/CSubScreen_OverClock.h"
#include "tests/ui/MainWindowFixture.h"
#include "widgets/CSreenWaiting.h"

inline constexpr uint8_t kVcoreLetter = 'A';
inline const std::u16string kVersion = u"TVB-Z790-1.02";

// The main window over the demo board, with ways to reach the over-clock
// page's rows and the board's values.
class OverClockFixture : public MainWindowFixture {
protected:
    CSubScreen_OverClock& Page() const { return m_pDlg->OverClockPage(); }
    COCControl& Row(const char16_t* pszName) const {
        for (COCControl* pControl : Page().Controls()) {
            if (pControl->GetName() == pszName) {
                return *pControl;
            }
        }
        throw std::runtime_error("no such row");
    }
    QStringList ShownRows() const {
        QStringList names;
        for (COCControl* pControl : Page().Controls()) {
            if (pControl->isVisibleTo(&Page())) {
                names << QString::fromStdU16String(pControl->GetName());
            }
        }
        return names;
    }
    // The raw value the board holds for the item on this letter.
    long BoardValue(uint8_t nLetter = kVcoreLetter) const {
        return m_pBoard->CurrentValue(*m_pBoard->Description().ItemForValue(nLetter));
    }
    // Clicks a bar button and waits until the board's answer is on the page.
    void Press(QPushButton& button) {
        QTest::mouseClick(&button, Qt::LeftButton);
        EXPECT_TRUE(Page().Waiting().isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Page().IsWaiting(); }, 10000));
    }
    // The file as the program reads it: its version and one item's flag.
    std::pair<std::u16string, std::u16string> StoredChoice(const char16_t* pszName) const {
        CDisplaySettingsFile file(m_dir.Path() + "/display_setting.ini");
        EXPECT_TRUE(file.Load());
        const auto it = file.Entries().find(pszName);
        return {file.Version(), it == file.Entries().end() ? u"" : it->second};
    }
};
