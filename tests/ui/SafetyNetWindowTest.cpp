// The safety net in the window: the journal of applies and power actions,
// Undo, keep or revert (also across a lost link), and the start-up watch
// with its offer to restore.

#include <QListWidget>
#include <filesystem>
#include <QPushButton>

#include "data/CJournal.h"
#include "data/CSafetyNetSettings.h"
#include "data/Utf.h"
#include "link/CApplyRecord.h"
#include "screens/CScreen_Journal.h"
#include "screens/CSubScreen_OverClock_Control.h"
#include "widgets/CMyButton.h"
#include "shell/CScreen_SafetyPrompt.h"
#include "shell/MenuResources.h"
#include "sim/CMemoryLine.h"
#include "tests/ui/OverClockFixture.h"

namespace {

constexpr int kWaitMs = 20000;

class SafetyNetWindowTest : public OverClockFixture {
protected:
    std::vector<JournalEntry> Journal() const { return CJournal(m_dir.Path()).Read().entries; }
    void WaitForJournal(size_t nEntries) {
        ASSERT_TRUE(QTest::qWaitFor([&] { return Journal().size() >= nEntries; }, kWaitMs))
            << Journal().size() << " entries";
    }
    CSafetyNetController& Net() { return m_pDlg->SafetyNet(); }
    // One step up on CPU Vcore, applied from the bar.
    void StepVcoreAndApply() {
        QTest::mouseClick(&Row(u"CPU Vcore").PlusButton(), Qt::LeftButton);
        Press(m_pDlg->ControlBar().ApplyButton());
    }
    void UseSettings(const std::function<void(SafetyNetSettings&)>& change) {
        SafetyNetSettings settings;
        change(settings);
        Net().UseSettings(settings);
    }
    // Waits until the page has finished all the board work in hand.
    void WaitForPage() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Page().IsWaiting(); }, kWaitMs));
    }
};

TEST_F(SafetyNetWindowTest, AppliesAndPowerActionsAreJournalledAndShownNewestFirst) {
    CTunevoDlg& dlg = OpenPolling();
    StepVcoreAndApply();
    WaitForJournal(1);
    const JournalEntry apply = Journal().back();
    EXPECT_EQ(apply.strProgram, "tunevo");
    EXPECT_EQ(apply.strBoard, "TVB-Z790-1.02");
    const auto vcore = std::ranges::find(apply.items, std::string("CPU Vcore"), &JournalItem::strName);
    ASSERT_NE(vcore, apply.items.end());
    EXPECT_EQ(std::tie(vcore->strBefore, vcore->strAsked, vcore->strReadBack),
              std::make_tuple(std::string("1250"), std::string("1251"), std::string("1251")));

    dlg.OnPowerRequested(5);
    m_pLink->RequestPower(5);
    WaitForJournal(2);
    EXPECT_EQ(Journal().back().strPower, "reset");

    dlg.OnMenuCommand(ID_MENU_JOURNAL);
    const QListWidget& list = dlg.JournalScreen().List();
    ASSERT_TRUE(dlg.JournalScreen().isVisible());
    ASSERT_EQ(list.count(), 2);
    EXPECT_TRUE(list.item(0)->text().contains(QStringLiteral("Power: reset")));
    EXPECT_TRUE(list.item(1)->text().contains(QStringLiteral("CPU Vcore: 1.250000 → 1.251000 V")))
        << list.item(1)->text().toStdString();
    EXPECT_EQ(list.accessibleName(), QStringLiteral("Journal"));
}

TEST_F(SafetyNetWindowTest, AValueTheBoardLimitedIsMarkedInItsRowAndSaid) {
    OpenPolling();
    ASSERT_TRUE(m_pBoard->LimitWrites("CPU Vcore", 1250));
    StepVcoreAndApply();
    WaitForJournal(1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !Row(u"CPU Vcore").HeldNote().isEmpty(); }, kWaitMs));
    const COCControl& vcore = Row(u"CPU Vcore");
    EXPECT_EQ(vcore.GetRawValue(), u"1250") << "the row shows what the board holds";
    EXPECT_TRUE(vcore.accessibleDescription().contains(QStringLiteral("the board holds 1.250000")))
        << vcore.accessibleDescription().toStdString();
    EXPECT_TRUE(m_messageBox.Shown().back().startsWith(QStringLiteral("The board limited")));
    EXPECT_TRUE(Row(u"CPU VCCSA").HeldNote().isEmpty());
    EXPECT_EQ(Journal().back().items.front().strReadBack, "1250");
    // The next apply starts the rows afresh.
    m_pDlg->SafetyNet().BeforeApply();
    EXPECT_TRUE(vcore.HeldNote().isEmpty());
}

TEST_F(SafetyNetWindowTest, UndoWritesBackTheLastApplyAfterAYesAndSaysWhenThereIsNothing) {
    CTunevoDlg& dlg = OpenPolling();
    dlg.OnMenuCommand(ID_MENU_UNDO);
    ASSERT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_TRUE(m_messageBox.Shown().back().startsWith(QStringLiteral("There is nothing to undo")));

    StepVcoreAndApply();
    EXPECT_EQ(BoardValue(), 1251);
    WaitForJournal(1);
    m_messageBox.ScriptAnswer(false);
    dlg.OnMenuCommand(ID_MENU_UNDO);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_messageBox.Defaults().size() == 1; }, kWaitMs));
    EXPECT_TRUE(m_messageBox.Shown().back().contains(QStringLiteral("CPU Vcore: 1.251000 → 1.250000 V")));
    WaitForPage();
    EXPECT_EQ(BoardValue(), 1251) << "No writes nothing";

    m_messageBox.ScriptAnswer(true);
    dlg.OnMenuCommand(ID_MENU_UNDO);
    WaitForJournal(2);
    EXPECT_EQ(BoardValue(), 1250);
    EXPECT_EQ(Journal().back().action, EJournalAction::Undo);
    EXPECT_EQ(Journal().back().strUndoes, Journal().front().strId);
    WaitForPage();
    EXPECT_EQ(Row(u"CPU Vcore").GetRawValue(), u"1250");
}

TEST_F(SafetyNetWindowTest, AnAppliedChangeIsKeptOnlyWhenTheUserSaysSoInTime) {
    CTunevoDlg& dlg = OpenPolling();
    UseSettings([](SafetyNetSettings& settings) {
        settings.bAskToKeep = true;
        settings.nKeepSeconds = 2;
    });
    const CScreen_SafetyPrompt& prompt = Net().Prompt();
    struct Case {
        const char* pszName;
        std::function<void()> answer;
        long nValueAfter;
    };
    const Case cases[] = {
        {"Keep", [&] { prompt.AcceptButton().click(); }, 1251},
        {"Revert", [&] { prompt.RejectButton().click(); }, 1251},
        {"the countdown's end", [] {}, 1251},
    };
    for (const Case& test : cases) {
        StepVcoreAndApply();
        ASSERT_TRUE(QTest::qWaitFor([&] { return prompt.isVisible(); }, kWaitMs)) << test.pszName;
        EXPECT_TRUE(prompt.Text().startsWith(QStringLiteral("Keep these values?")));
        EXPECT_EQ(QApplication::focusWidget(), &prompt.AcceptButton());
        // No second apply while the question stands.
        const size_t nSent = SentCount();
        QTest::mouseClick(&Row(u"CPU Vcore").PlusButton(), Qt::LeftButton);
        QTest::mouseClick(&dlg.ControlBar().ApplyButton(), Qt::LeftButton);
        EXPECT_EQ(m_messageBox.Shown().back(),
                  QStringLiteral("Keep or revert the values just applied first."));
        EXPECT_EQ(std::ranges::count_if(SentFrom(nSent),
                                        [](const Bytes& frame) {
                                            return frame[0] == Protocol::kStartChange;
                                        }),
                  0);
        dlg.ControlBar().CancelButton().click();
        test.answer();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !prompt.isVisible(); }, kWaitMs)) << test.pszName;
        ASSERT_TRUE(QTest::qWaitFor([&] { return BoardValue() == test.nValueAfter; }, kWaitMs))
            << test.pszName << ": " << BoardValue();
        WaitForPage();
    }
    const std::vector<JournalEntry> entries = Journal();
    EXPECT_EQ(std::ranges::count(entries, EJournalAction::Revert, &JournalEntry::action), 2);
}

TEST_F(SafetyNetWindowTest, AChangeNotKeptWhileTheBoardIsAwayIsWrittenBackWhenItReturns) {
    CTunevoDlg& dlg = OpenPolling();
    UseSettings([](SafetyNetSettings& settings) {
        settings.bAskToKeep = true;
        settings.nKeepSeconds = 30;
    });
    StepVcoreAndApply();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Net().IsAskingToKeep(); }, kWaitMs));
    m_pLine->SetHungUp(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.IsReconnecting(); }, kWaitMs));
    Net().Prompt().RejectButton().click();
    EXPECT_TRUE(Net().IsRevertPending());
    EXPECT_EQ(m_messageBox.Shown().back(),
              QStringLiteral("The board is out of reach: the values before are written back as "
                             "soon as it returns."));
    EXPECT_EQ(BoardValue(), 1251);
    m_pLine = std::make_shared<CMemoryLine>(m_pBoard, m_pClock);
    m_pOpener->Attach(0, m_pLine);
    ASSERT_TRUE(QTest::qWaitFor([&] { return BoardValue() == 1250; }, kWaitMs));
    EXPECT_FALSE(Net().IsRevertPending());
    WaitForJournal(2);
    EXPECT_EQ(Journal().back().action, EJournalAction::Revert);
}

TEST_F(SafetyNetWindowTest, AStalledStartUpIsSaidAndRestoredOnceWithOneReset) {
    std::filesystem::copy_file(TUNEVO_SOURCE_DIR "/resources/dbcd-V03.ini",
                               m_dir.Path() + "/dbcd-V03.ini");
    CTunevoDlg& dlg = OpenPolling();
    UseSettings([](SafetyNetSettings& settings) { settings.nStuckSeconds = 1; });
    // tunevoctl sets Vcore past its limit from beside the window.
    {
        CApplyRecord record(*m_pLink, "tunevoctl", "set");
        BoardItemArray volt = m_pLink->GetOverVolt();
        volt.at(0).Value = u"1450";
        volt.at(0).bUserSet = true;
        ASSERT_TRUE(m_pLink->StoreEdits(volt, m_pLink->GetOverFreq(), m_pLink->GetOverRatio()));
        record.Written(*m_pLink, m_pLink->ApplyAll(CDeviceLink::EApplyScope::UserSet));
        ASSERT_TRUE(CJournal(m_dir.Path()).Append(record.Entry()));
    }
    dlg.OnPowerRequested(5);
    m_pLink->RequestPower(5);
    const CScreen_SafetyPrompt& prompt = Net().Prompt();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Net().IsStallShown(); }, kWaitMs));
    EXPECT_TRUE(prompt.Text().contains(QStringLiteral("stalled at code 15 (Training memory timings)")))
        << prompt.Text().toStdString();
    EXPECT_TRUE(prompt.Text().contains(QStringLiteral("set")));
    EXPECT_TRUE(prompt.AcceptButton().isEnabled());
    EXPECT_EQ(prompt.AcceptButton().accessibleName(), QStringLiteral("Restore and Reset"));

    m_messageBox.ScriptAnswer(true);
    prompt.AcceptButton().click();
    // Restored, reset once, and the start-up runs through.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !Journal().empty() && Journal().back().action == EJournalAction::Started; },
        kWaitMs));
    EXPECT_EQ(BoardValue(), 1250);
    const std::vector<JournalEntry> entries = Journal();
    EXPECT_EQ(std::ranges::count(entries, EJournalAction::Recover, &JournalEntry::action), 1);
    EXPECT_EQ(std::ranges::count(entries, std::string("reset"), &JournalEntry::strPower), 2);
    EXPECT_TRUE(m_messageBox.Shown().contains(
        QStringLiteral("The values are restored and the PC is resetting.")));

    // Stuck again with no apply since that good start-up: nothing to restore.
    m_pBoard->HoldPosterCode(0x15);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Net().IsStallShown(); }, kWaitMs));
    EXPECT_FALSE(prompt.AcceptButton().isEnabled());
    EXPECT_TRUE(prompt.Text().contains(QStringLiteral("none since the last good start-up")));
    prompt.RejectButton().click();
    EXPECT_FALSE(prompt.isVisible());
}

}  // namespace
