// The over-clock page, its rows and control bar, over the demo board: what
// is shown, how the buttons step, and what reaches the board.

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QWheelEvent>
#include <filesystem>

#include "data/CDisplaySettingsFile.h"
#include "data/Utf.h"
#include "link/FrameCodec.h"
#include "link/Protocol.h"
#include "screens/COCControl.h"
#include "screens/CSubScreen_OverClock.h"
#include "screens/CSubScreen_OverClock_Control.h"
#include "shell/CScreen_Status.h"
#include "shell/CTunevoApp.h"
#include "sim/CBoardDescription.h"
#include "tests/ui/OverClockFixture.h"
#include "widgets/CMyButton.h"
#include "widgets/CSreenWaiting.h"
#include "widgets/ValueColours.h"

namespace {

using OverClockTest = OverClockFixture;

TEST_F(OverClockTest, RowsComeRatioFrequencyVoltageAsTheBoardFlagsThemAndScroll) {
    CTunevoDlg& dlg = Open();
    EXPECT_EQ(Page().geometry(), dlg.PageRect());
    EXPECT_TRUE(dlg.ControlBar().isVisible());
    EXPECT_EQ(Page().Controls().size(), 12u);
    EXPECT_EQ(ShownRows(), (QStringList{"CPU Ratio", "Ring Ratio", "BCLK Frequency",
                                        "PCIE Frequency", "DRAM Frequency", "CPU Vcore",
                                        "CPU VCCSA", "DRAM Voltage", "PCH Voltage"}));
    EXPECT_EQ(Row(u"CPU Vcore").DisplayText(), "1.250000");
    EXPECT_EQ(Row(u"CPU Vcore").ValueColor(), kValueNormal);
    EXPECT_EQ(Row(u"CPU VCCSA").ValueColor(), kValueAlarm);
    EXPECT_EQ(Row(u"DRAM Voltage").ValueColor(), kValueWarning);
    // The defaults are shown; nobody chose, so nothing is written.
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path() + "/display_setting.ini"));

    // Nine rows are 650 pixels on a 557-pixel page.
    EXPECT_EQ(Page().ContentHeight(), 650);
    QScrollBar& bar = Page().ScrollBar();
    ASSERT_TRUE(bar.isVisible());
    EXPECT_EQ(bar.maximum(), 650 - 557);
    // Dragging moves the rows where the thumb is let go, not before.
    bar.setSliderDown(true);
    bar.setSliderPosition(bar.maximum());
    EXPECT_EQ(Row(u"CPU Ratio").y(), 20);
    bar.setSliderDown(false);
    EXPECT_EQ(Row(u"CPU Ratio").y(), 20 - 93);
    // The wheel scrolls back up (a row passes its wheel on to the page).
    QWheelEvent wheel(QPointF(50, 50), Page().mapToGlobal(QPointF(50, 50)), {}, {0, 120},
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&Page(), &wheel);
    EXPECT_LT(Page().ScrollPosition(), 93);
    EXPECT_EQ(Row(u"CPU Ratio").y(), 20 - Page().ScrollPosition());
}

// Rows, buttons and the waiting box take each layout's fixed places.
TEST_F(OverClockTest, EachLayoutPlacesRowsBarButtonsAndTheWaitingBox) {
    const struct {
        QSize client;
        QRect rcSecondRow;
        QRect rcApply;
        int nScrollBarWidth;
        QRect rcWaiting;
    } layouts[] = {
        {{480, 696}, {5, 90, 440, 50}, {185, 25, 100, 40}, 30, {0, 396, 480, 120}},
        {{480, 536}, {5, 90, 440, 50}, {185, 25, 100, 40}, 30, {0, 146, 480, 120}},
        {{240, 268}, {5, 37, 220, 25}, {90, 10, 50, 25}, 10, {0, 128, 240, 60}},
    };
    StartBoard();
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.client.width() * 1000 + layout.client.height());
        CTunevoDlg& dlg = OpenMainWindow(layout.client);
        EXPECT_EQ(Row(u"Ring Ratio").geometry(), layout.rcSecondRow);
        EXPECT_EQ(dlg.ControlBar().ApplyButton().geometry(), layout.rcApply);
        EXPECT_EQ(Page().ScrollBar().width(), layout.nScrollBarWidth);
        Page().ShowWaiting();
        EXPECT_EQ(Page().Waiting().geometry(), layout.rcWaiting);
        EXPECT_FALSE(Row(u"CPU Vcore").PlusButton().isEnabled()) << "no edits while waiting";
        Page().HideWaiting();
        EXPECT_TRUE(Row(u"CPU Vcore").PlusButton().isEnabled());
        m_pDlg.reset();
    }
}

TEST_F(OverClockTest, ADisplaySettingsFileForThisBoardChoosesTheRowsWhateverTheCase) {
    const std::string strOwn =
        "[Version]\nVer=tvb-z790-1.02\n[Display]\nCPU Ratio=1\nCPU Vcore=1\nPCH Voltage=1\n"
        "Ring Ratio=0\n";
    m_dir.WriteFile("display_setting.ini", strOwn);
    m_dir.WriteFile("saved_profile1.ini", "[Version]\nVer=TVB-OLD\n");
    Open();
    EXPECT_FALSE(std::filesystem::exists(m_dir.Path() + "/saved_profile1.ini"))
        << "a profile of another board version is dropped";
    EXPECT_EQ(ShownRows(), (QStringList{"CPU Ratio", "CPU Vcore", "PCH Voltage"}));
    EXPECT_FALSE(Page().ScrollBar().isVisible());
    EXPECT_EQ(m_dir.ReadFile("display_setting.ini"), strOwn)
        << "a file of this board is not rewritten";
}

// Three items of one name, in two arrays, keep their own values; a range
// upside down, a Div and Mul of 0 and an empty ratio array break nothing.
TEST_F(OverClockTest, OddDescriptionsShowWhatTheyCanAndApplyEachItemItsOwnRow) {
    UseBoard(
        "[Version]\nVer=T-1\n[Over_Volt]\nCount=2\n"
        "1=Vcore,2,0,800,1700,1250,1,1000,0,0,65,0,1250,1\n"
        "2=Vcore,2,0,800,1700,1100,1,1000,0,0,66,0,1100,1\n"
        "[Over_Freq]\nCount=1\n1=Vcore,2,0,1700,800,1000,0,0,0,0,67,0,1000,1\n");
    std::filesystem::create_directory(m_dir.Path() + "/display_setting.ini");
    CTunevoDlg& dlg = Open();
    // The frequency's range and scale are unusable: it is left out.
    EXPECT_EQ(ShownRows(), (QStringList{"Vcore", "Vcore"})) << "the defaults, unsaved";
    COCControl& second = *Page().Controls()[1];
    QTest::mouseClick(&second.PlusButton(), Qt::LeftButton);
    const size_t nBefore = SentCount();
    Press(dlg.ControlBar().ApplyButton());
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());
    EXPECT_EQ(BoardValue(65), 1250);
    EXPECT_EQ(BoardValue(66), 1101);
    // The first item of each array is always written, with the value read.
    const std::map<uint8_t, uint16_t> written = {{65, 1250}, {66, 1101}};
    for (const Bytes& frame : SentFrom(nBefore)) {
        if (frame[0] == Protocol::kStartChange) {
            ASSERT_TRUE(written.contains(frame[2])) << "the left-out item is never written";
            EXPECT_EQ(frame[3] | frame[4] << 8, written.at(frame[2])) << frame[2];
        }
    }
}

// Steps go out with Apply as the board's set frames, and the rows then show
// what the board reads back; Cancel has nothing left to undo.
TEST_F(OverClockTest, StepsAreAppliedReadBackAndBecomeTheValuesCancelReturnsTo) {
    CTunevoDlg& dlg = Open();
    COCControl& vcore = Row(u"CPU Vcore");
    QTest::mouseClick(&vcore.PlusButton(), Qt::LeftButton);
    QTest::mouseClick(&vcore.PlusButton(), Qt::LeftButton);
    EXPECT_EQ(vcore.DisplayText(), "1.252000");
    // A hidden row takes part too; its value can come from a profile.
    COCControl& uncore = Row(u"Uncore Frequency");
    ASSERT_FALSE(uncore.isVisibleTo(&Page()));
    uncore.StepDown();
    EXPECT_EQ(BoardValue(), 1250) << "nothing is sent before Apply";

    const size_t nBefore = SentCount();
    Press(dlg.ControlBar().ApplyButton());
    // 1252 = 0x04E4; 53 ^ 05 ^ 41 ^ E4 ^ 04 = F7.
    const Bytes kSetVcore = {0x53, 0x05, 0x41, 0xE4, 0x04, 0x00, 0x00, 0xF7};
    const std::vector<Bytes> sent = SentFrom(nBefore);
    EXPECT_EQ(std::count(sent.begin(), sent.end(), kSetVcore), 1);
    EXPECT_EQ(std::count(sent.begin(), sent.end(),
                         BuildCommandFrame(Protocol::kStartQuery, kVcoreLetter)),
              1)
        << "read back after the apply";
    EXPECT_EQ(BoardValue(), 1252);
    EXPECT_EQ(BoardValue(73), 3590);
    EXPECT_EQ(vcore.DisplayText(), "1.252000");
    EXPECT_FALSE(vcore.IsEdited());
    QTest::mouseClick(&dlg.ControlBar().CancelButton(), Qt::LeftButton);
    EXPECT_EQ(vcore.GetRawValue(), u"1252");
    EXPECT_TRUE(m_messageBox.Shown().isEmpty());
}

TEST_F(OverClockTest, AFailedApplyOrRefreshIsSaidOnceAndTheEditsStayUntilCancel) {
    CTunevoDlg& dlg = Open();
    COCControl& vcore = Row(u"CPU Vcore");
    // The apply goes through but the read-back fails on another item: the
    // value written is what Cancel returns to from now on.
    QTest::mouseClick(&vcore.MinusButton(), Qt::LeftButton);
    m_pBoard->SetFault(EBoardFault::NoReply, 'B');
    Press(dlg.ControlBar().ApplyButton());
    EXPECT_EQ(m_messageBox.Shown(),
              QStringList{QStringLiteral("Reading the settings from the board failed.")});
    EXPECT_FALSE(vcore.IsEdited());
    // The board stops answering this item: the edit stays until Cancel.
    m_pBoard->SetFault(EBoardFault::NoReply, kVcoreLetter);
    QTest::mouseClick(&vcore.MinusButton(), Qt::LeftButton);
    Press(dlg.ControlBar().ApplyButton());
    EXPECT_EQ(m_messageBox.Shown().size(), 2);
    EXPECT_EQ(m_messageBox.Shown().last(),
              QStringLiteral("Applying the settings to the board failed."));
    EXPECT_EQ(vcore.GetRawValue(), u"1248");
    QTest::mouseClick(&dlg.ControlBar().CancelButton(), Qt::LeftButton);
    EXPECT_EQ(vcore.DisplayText(), "1.249000");
}

// A description that did not come whole may give a letter to another item
// than the board does: Apply writes nothing, and offers to read it again;
// read whole, the step the user kept goes to the board.
TEST_F(OverClockTest, ApplyWritesNothingThroughADescriptionNotReadWholeAndOffersToReadIt) {
    m_dir.WriteFile("BiosConf_Kolt_V120.ini", m_pBoard->Description().Bytes());
    m_pBoard->SetFault(EBoardFault::LostChunk);
    CTunevoDlg& dlg = Open();
    ASSERT_FALSE(m_pLink->IsDescriptionConfirmed());
    COCControl& vcore = Row(u"CPU Vcore");
    QTest::mouseClick(&vcore.PlusButton(), Qt::LeftButton);
    const size_t nBefore = SentCount();
    m_messageBox.ScriptAnswer(false);
    QTest::mouseClick(&dlg.ControlBar().ApplyButton(), Qt::LeftButton);
    ASSERT_EQ(m_messageBox.Shown().size(), 1);
    EXPECT_TRUE(m_messageBox.Shown()[0].startsWith(
        QStringLiteral("The board's description did not come whole this time")));
    EXPECT_FALSE(dlg.IsReconnecting());
    for (const Bytes& frame : SentFrom(nBefore)) {
        EXPECT_NE(frame[0], Protocol::kStartChange) << "nothing written";
    }
    EXPECT_TRUE(vcore.IsEdited());

    m_pBoard->SetFault(EBoardFault::None);
    m_messageBox.ScriptAnswer(true);
    QTest::mouseClick(&dlg.ControlBar().ApplyButton(), Qt::LeftButton);
    EXPECT_TRUE(dlg.IsReconnecting());
    EXPECT_TRUE(dlg.StatusBanner().Text().startsWith(
        QStringLiteral("Reading the board's description again…\nThe values shown were last read at ")))
        << dlg.StatusBanner().Text().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.IsReconnecting(); }, 20000));
    ASSERT_TRUE(m_pLink->IsDescriptionConfirmed());
    COCControl& kept = Row(u"CPU Vcore");
    EXPECT_TRUE(kept.IsEdited());
    Press(dlg.ControlBar().ApplyButton());
    EXPECT_EQ(BoardValue(), 1251);
}

// A press steps once after 250 ms and every 250 ms while held, and once more
// on the release over the button; sliding off stops it for good.
TEST_F(OverClockTest, AHeldButtonRepeatsASlidOffOneStopsAndALockedBoardIgnoresBoth) {
    Open();
    COCControl& ratio = Row(u"CPU Ratio");
    CMyButton& plus = ratio.PlusButton();
    const auto raw = [&] { return std::stol(ToUtf8(ratio.GetRawValue())); };
    QTest::mousePress(&plus, Qt::LeftButton);
    EXPECT_EQ(raw(), 49) << "no step on the press itself";
    EXPECT_EQ(plus.RepeatTimer().interval(), CMyButton::kRepeatPeriodMs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return raw() >= 51; }, 2000));
    QTest::mousePress(&plus, Qt::LeftButton);  // a second press while held
    QTest::mouseRelease(&plus, Qt::LeftButton);
    const long nAfterHold = raw();
    EXPECT_FALSE(plus.IsRepeating());
    QTest::qWait(600);
    EXPECT_EQ(raw(), nAfterHold) << "the release stops the steps";

    QTest::mousePress(&plus, Qt::LeftButton);
    QTest::mouseMove(&plus, QPoint(-20, -20));
    EXPECT_FALSE(plus.IsRepeating());
    QTest::mouseRelease(&plus, Qt::LeftButton, {}, QPoint(-20, -20));
    EXPECT_EQ(raw(), nAfterHold) << "a release outside sends nothing";
    plus.setFocus();
    QTest::keyClick(&plus, Qt::Key_Space);
    EXPECT_EQ(raw(), nAfterHold + 1) << "the keyboard steps once";

    // A lock that comes while the button is held stops its steps.
    QTest::mousePress(&plus, Qt::LeftButton);
    CTunevoApp::Instance()->SetScreenLocked(true);
    QTest::qWait(600);
    QTest::mouseRelease(&plus, Qt::LeftButton);
    QTest::mouseClick(&ratio.MinusButton(), Qt::LeftButton);
    EXPECT_EQ(raw(), nAfterHold + 1);
}

// Screen readers and scripted checks press a row's button (the tree's walk
// finds them all by name) and read the row's name, value and unapplied mark.
TEST_F(OverClockTest, AssistiveTechnologyPressesAButtonAndReadsTheRow) {
    Open();
    QAccessibleInterface* pIncrease =
        QAccessible::queryAccessibleInterface(&Row(u"CPU Vcore").PlusButton());
    EXPECT_EQ(pIncrease->text(QAccessible::Name), QStringLiteral("Increase CPU Vcore"));
    pIncrease->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QAccessibleInterface* pRow = QAccessible::queryAccessibleInterface(&Row(u"CPU Vcore"));
    EXPECT_EQ(pRow->text(QAccessible::Name), QStringLiteral("CPU Vcore"));
    // The press is animated, so the step comes a moment later, once.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return pRow->text(QAccessible::Description).startsWith("1.251000 [V], changed"); }));
    QTest::qWait(300);
    EXPECT_EQ(Row(u"CPU Vcore").GetRawValue(), u"1251");
}

}  // namespace
