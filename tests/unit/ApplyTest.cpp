// Writing edited over-clock values to the simulated board, on a virtual clock.


#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "tests/support/BoardLinkFixture.h"

namespace {

using Bytes = std::vector<uint8_t>;

class ApplyTest : public BoardLinkFixture {
protected:
    // Edits one item as the over-clock screen does: the old value becomes PrevValue.
    static void Edit(BoardItemArray& items, size_t nIndex, const std::u16string& value) {
        items.at(nIndex).PrevValue = items.at(nIndex).Value;
        items.at(nIndex).Value = value;
    }

    // Applies and waits for the report; returns its outcome.
    bool Apply(const BoardItemArray& volt, const BoardItemArray& freq,
               const BoardItemArray& ratio) {
        m_nBefore = Sent().size();
        const size_t nReports = m_listener.Count("OnApplied");
        m_pLink->RequestApply(volt, freq, ratio);
        EXPECT_TRUE(m_listener.WaitForCount("OnApplied", nReports + 1));
        return m_listener.Last("OnApplied").value_or(CRecordingListener::Report{}).nFirst == 1;
    }

    // The letters of the set frames the last apply sent, in order.
    std::string SetLetters() const {
        std::string strLetters;
        for (const Bytes& frame : Sent(m_nBefore)) {
            if (frame.at(0) == 0x53) {
                strLetters += static_cast<char>(frame.at(2));
            }
        }
        return strLetters;
    }

    size_t m_nBefore = 0;
};

TEST_F(ApplyTest, TheSetParametersFollowEachItemsKindAndTheBoardKeepsItsRange) {
    Connect(Section("Over_Volt", {Item("indexed", "1", "0", 10, 20, 11, 'A', 'a'),
                                  Item("byte", "4", "0", 0, 400, 100, 'B', 'b'),
                                  Item("word", "2", "0", 0, 1000, 100, 'C', 'c')}));
    StartAndLoad();
    BoardItemArray volt = m_pLink->GetOverVolt();
    Edit(volt, 0, u"12");
    Edit(volt, 1, u"300");
    Edit(volt, 2, u"1500");
    EXPECT_TRUE(Apply(volt, {}, {}));
    // Hand-computed: position 3 of the indexed item; 300 as one byte; 1500 as a word.
    EXPECT_EQ(Sent(m_nBefore), (std::vector<Bytes>{{0x53, 0x05, 'A', 0x03, 0, 0, 0, 0x14},
                                                   {0x53, 0x05, 'B', 0x2C, 0, 0, 0, 0x38},
                                                   {0x53, 0x05, 'C', 0xDC, 0x05, 0, 0, 0xCC}}));
    EXPECT_EQ(Waits(), std::vector<long>(Waits().size(), 100));
    EXPECT_EQ(m_pLink->GetOverVolt().at(2).PrevValue, u"100");
    m_pLink->RequestRefreshOverclock();
    ASSERT_TRUE(m_listener.WaitForCount("OnOverclockRefreshed", 1));
    const BoardItemArray read = m_pLink->GetOverVolt();
    EXPECT_EQ(std::vector<std::u16string>({read[0].Value, read[1].Value, read[2].Value}),
              std::vector<std::u16string>({u"12", u"44", u"1000"}));
}

// The first item always goes; an unchanged one is skipped only after an
// acknowledged one; every item goes whatever failed before it, and any
// failure fails the whole apply, even when the array applied last is fine.
TEST_F(ApplyTest, WhichItemsGoOutAndWhetherTheApplySucceedsFollowTheBoardsAnswers) {
    Connect(Section("Over_Volt", {Item("a", "2", "0", 0, 999, 1, 'A', 'a'),
                                  Item("b", "2", "0", 0, 999, 2, 'B', 'b'),
                                  Item("c", "2", "0", 0, 999, 3, 'C', 'c'),
                                  Item("d", "2", "0", 0, 999, 4, 'D', 'd')}) +
            Section("Over_Ratio", {Item("r", "2", "0", 0, 99, 9, 'R', 't')}));
    StartAndLoad();
    const struct {
        EBoardFault fault;
        uint8_t nLetter;
        const char* pszSent;
        bool bOk;
        size_t nApplyErrors;
    } cases[] = {{EBoardFault::None, 0, "ACR", true, 0},
                 {EBoardFault::WrongChecksum, 'A', "ABCR", false, 1},
                 {EBoardFault::NoReply, 'C', "ACDR", false, 1},
                 {EBoardFault::WrongLetter, 'C', "ACDR", false, 1}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].pszSent);
        m_pBoard->SetFault(cases[i].fault, cases[i].nLetter);
        BoardItemArray volt = m_pLink->GetOverVolt();
        BoardItemArray ratio = m_pLink->GetOverRatio();
        for (BoardItem& item : volt) {
            item.PrevValue = item.Value;
        }
        Edit(volt, 2, ToText(30 + static_cast<long>(i)));
        ratio.at(0).PrevValue = ratio.at(0).Value;
        EXPECT_EQ(Apply(volt, {}, ratio), cases[i].bOk);
        EXPECT_EQ(SetLetters(), cases[i].pszSent);
        EXPECT_EQ(m_listener.Count("OnLinkError", kErrorApply), cases[i].nApplyErrors);
    }
    // A board that vanishes mid-apply: the link is lost and the apply fails.
    m_pBoard->SetFault(EBoardFault::None);
    m_pLine->FailWritesAfter(1);
    EXPECT_FALSE(Apply(m_pLink->GetOverVolt(), {}, {}));
    EXPECT_EQ(SetLetters(), "A");
    EXPECT_GE(m_listener.Count("OnLinkState", false), 1u);
}

// Voltages go first unless the first frequency goes down, or, without
// frequencies, the first ratio; compared as text, so "999" goes up from "1000".
TEST_F(ApplyTest, VoltageGoesFirstUnlessTheFirstFrequencyOrRatioGoesDown) {
    const struct {
        bool bFrequency;
        const char16_t* pszValue;
        const char* pszOrder;
    } cases[] = {{true, u"1000", "VFR"}, {true, u"1100", "VFR"}, {true, u"0990", "RFV"},
                 {true, u"999", "VFR"},  {false, u"35", "RV"},   {false, u"45", "VR"}};
    for (const auto& c : cases) {
        Connect(Section("Over_Volt", {Item("v", "2", "0", 0, 9999, 1250, 'V', 'v')}) +
                (c.bFrequency ? Section("Over_Freq", {Item("f", "2", "0", 0, 9999, 1000, 'F', 'f')})
                              : "") +
                Section("Over_Ratio", {Item("r", "2", "0", 0, 99, 40, 'R', 't')}));
        StartAndLoad();
        BoardItemArray freq = m_pLink->GetOverFreq();
        BoardItemArray ratio = m_pLink->GetOverRatio();
        Edit(c.bFrequency ? freq : ratio, 0, c.pszValue);
        EXPECT_TRUE(Apply(m_pLink->GetOverVolt(), freq, ratio));
        EXPECT_EQ(SetLetters(), c.pszOrder) << c.bFrequency;
    }
}

TEST_F(ApplyTest, AnEditThatMatchesNoItemFailsTheApplyAndIsNotStored) {
    Connect(Section("Over_Volt", {Item("a", "2", "0", 0, 999, 1, 'A', 'a')}));
    StartAndLoad();
    BoardItemArray stale = m_pLink->GetOverVolt();
    stale.at(0).Name = u"renamed";
    Edit(stale, 0, u"500");
    EXPECT_FALSE(Apply(stale, {}, {}));
    EXPECT_EQ(m_pLink->GetOverVolt().at(0).Value, u"1");
    EXPECT_EQ(Sent(m_nBefore), (std::vector<Bytes>{BuildCommandFrame(0x53, 'A', 1)}));
    EXPECT_TRUE(Apply(m_pLink->GetOverVolt(), {}, {}));  // the next apply is its own
}

TEST_F(ApplyTest, AValueNeitherReadNorSetIsNeverWritten) {
    // The first item's read at start-up is damaged; the indexed item's range too.
    Connect(Section("Over_Volt", {Item("Vcore", "2", "0", 800, 1700, 1250, 'A', 'a'),
                                  Item("other", "2", "0", 0, 999, 5, 'B', 'b')}) +
            Section("Over_Ratio", {Item("ratio", "1", "0", 8, 60, 40, 'R', 't')}));
    m_pBoard->SetFault(EBoardFault::WrongChecksum, 'A');
    StartAndLoad();
    m_pBoard->SetFault(EBoardFault::WrongChecksum, 't');
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::OverRatio));
    BoardItemArray volt = m_pLink->GetOverVolt();
    EXPECT_FALSE(volt.at(0).bValueRead);
    Edit(volt, 1, u"6");
    BoardItemArray ratio = m_pLink->GetOverRatio();
    Edit(ratio, 0, u"41");
    EXPECT_TRUE(Apply(volt, {}, ratio));
    // Vcore is not sent; the ratio's position rests on the range read with its value.
    EXPECT_EQ(Sent(m_nBefore), (std::vector<Bytes>{BuildCommandFrame(0x53, 'B', 6),
                                                   BuildCommandFrame(0x53, 'R', 34)}));
    // Once the user sets it, it goes.
    volt = m_pLink->GetOverVolt();
    ratio = m_pLink->GetOverRatio();
    for (BoardItem& item : volt) {
        item.PrevValue = item.Value;
    }
    ratio.at(0).PrevValue = ratio.at(0).Value;
    volt.at(0).bUserSet = true;
    EXPECT_TRUE(Apply(volt, {}, ratio));
    EXPECT_EQ(SetLetters(), "AR");
}

TEST_F(ApplyTest, TheUserSetScopeWritesOnlyTheItemsSetAndSaysWhichWereAcknowledged) {
    Connect(Section("Over_Volt", {Item("a", "2", "0", 0, 999, 1, 'A', 'a'),
                                  Item("b", "2", "0", 0, 999, 2, 'B', 'b'),
                                  Item("c", "2", "0", 0, 999, 3, 'C', 'c')}));
    StartAndLoad();
    BoardItemArray volt = m_pLink->GetOverVolt();
    volt.at(1).bUserSet = true;  // unchanged, but named: it goes
    volt.at(2).Value = u"30";
    volt.at(2).bUserSet = true;
    ASSERT_TRUE(m_pLink->StoreEdits(volt, {}, {}));
    m_pBoard->SetFault(EBoardFault::NoReply, 'B');
    m_nBefore = Sent().size();
    const CDeviceLink::ApplyResult result = m_pLink->ApplyAll(CDeviceLink::EApplyScope::UserSet);
    // Not A, which nobody named; C although B before it went unanswered.
    EXPECT_EQ(SetLetters(), "BC");
    ASSERT_EQ(result.writes.size(), 2u);
    EXPECT_FALSE(result.writes[0].bAcknowledged);
    EXPECT_TRUE(result.writes[1].bAcknowledged);
    EXPECT_FALSE(result.bOk);
    // An unacknowledged value stays the user's, to be sent again.
    EXPECT_TRUE(m_pLink->GetOverVolt().at(1).bUserSet);
    EXPECT_FALSE(m_pLink->GetOverVolt().at(2).bUserSet);
}

}  // namespace
