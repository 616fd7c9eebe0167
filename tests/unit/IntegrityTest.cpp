// What the board never said never becomes a value, a kept description or a
// write: late replies, chunks that stop where they happen to check, and
// descriptions cut, useless or changed, in both link timings.

#include <gtest/gtest.h>

#include <algorithm>

#include "data/Utf.h"
#include "link/FrameCodec.h"
#include "link/LinkErrors.h"
#include "link/Protocol.h"
#include "link/Recording.h"
#include "sim/CBoardDescription.h"
#include "tests/support/BoardLinkFixture.h"

namespace {

using namespace std::chrono_literals;
using Fixture = BoardLinkFixture;

const std::string kPlusTwelve = Fixture::Item("+12V", "2", "0", 0, 20000, 12000, 78, 0);

// Two settings on two letters; the other board has their letters swapped.
std::string TwoSettings(int nVcoreLetter, int nDramLetter) {
    return "[Version]\nVer=T-2\n" +
           Fixture::Section("Over_Volt",
                            {Fixture::Item("Vcore", "2", "0", 800, 1700, 1250, nVcoreLetter, 0),
                             Fixture::Item("DRAM", "2", "0", 1000, 2000, 1350, nDramLetter, 0)}) +
           Fixture::Section("HW_Volt", {kPlusTwelve});
}

class IntegrityTest : public InBothTimings<BoardLinkFixture> {
protected:
    size_t ChangeFramesSent() const {
        size_t nCount = 0;
        for (const Bytes& frame : Sent()) {
            nCount += frame.size() == Protocol::kCommandFrameSize &&
                              frame[Protocol::kOffsetStart] == Protocol::kStartChange
                          ? 1
                          : 0;
        }
        return nCount;
    }
    // Sets Vcore to the raw value and applies it; what the apply says.
    CDeviceLink::ApplyResult SetVcore(long nRaw) {
        BoardItemArray volt = m_pLink->GetOverVolt();
        volt.at(0).Value = ToText(nRaw);
        volt.at(0).bUserSet = true;
        EXPECT_TRUE(m_pLink->StoreEdits(volt, m_pLink->GetOverFreq(), m_pLink->GetOverRatio()));
        return m_pLink->ApplyAll(CDeviceLink::EApplyScope::UserSet);
    }
};

TEST_P(IntegrityTest, AReplyLateEnoughToMeetTheNextRequestIsNeverTakenForItsAnswer) {
    Load(TwoSettings(65, 66));
    const auto plusTwelve = [this] { return m_pLink->GetArray(EBoardArray::HwVolt).at(0); };
    ASSERT_TRUE(m_pBoard->HoldValue("+12V", 11000));
    m_pBoard->SendNextReplyLate();
    EXPECT_FALSE(m_pLink->RefreshArray(EBoardArray::HwVolt));
    // The first sample's answer comes just before the second's, which reads 12100.
    ASSERT_TRUE(m_pBoard->HoldValue("+12V", 12100));
    const CDeviceLink::ExchangeCounts before = m_pLink->Counts();
    m_pLink->RefreshArray(EBoardArray::HwVolt);
    EXPECT_NE(plusTwelve().Value, u"11000");
    EXPECT_TRUE(!WasReadNow(plusTwelve()) || plusTwelve().Value == u"12100");
    EXPECT_GT(m_pLink->Counts().nChecksum, before.nChecksum) << "two replies in one window";
    // The line is clean again: the next sample reads the board.
    EXPECT_TRUE(m_pLink->RefreshArray(EBoardArray::HwVolt));
    EXPECT_EQ(plusTwelve().Value, u"12100");
}

TEST_P(IntegrityTest, AWriteNeverTakesALateReadForItsAcknowledgementNorIsReadBackAsOne) {
    Load("[Version]\nVer=T-1\n" +
         Fixture::Section("Over_Volt", {Fixture::Item("Vcore", "2", "0", 800, 1700, 1250, 65, 0)}));
    // Over a radio a reply follows well after a late one that meets its request.
    m_pBoard->SetRadio(20ms, 1);
    m_pBoard->SendNextReplyLate();
    m_pLink->RefreshArray(EBoardArray::OverVolt);
    SetVcore(1300);
    m_pLink->RefreshArray(EBoardArray::OverVolt);
    EXPECT_EQ(m_pBoard->CurrentValue(m_pBoard->Description().Items()[0]), 1300);
    // The write's acknowledgement is no value: raw 0 is never read back.
    const BoardItem vcore = m_pLink->GetOverVolt().at(0);
    EXPECT_TRUE(!WasReadNow(vcore) || vcore.Value == u"1300") << ToUtf8(vcore.Value);
}

TEST_P(IntegrityTest, AChunkThatStopsWhereItsStartChecksIsWaitedForWhole) {
    Connect(CBoardDescription::Demo().Bytes());
    m_pBoard->SetFault(EBoardFault::ChunkPausesAtChecksum, Protocol::kLetterChunk);
    StartAndLoad();
    EXPECT_GT(m_pBoard->ChunkPauses(), 0)
        << "no chunk of the demo stopped: the test proves nothing";
    EXPECT_EQ(BoardFile(), m_pBoard->Description().Bytes());
    EXPECT_TRUE(m_pLink->IsDescriptionConfirmed());
}

// A download cut, glued or without a usable item fails; the kept description
// stays as it was, and nothing is written through it.
TEST_P(IntegrityTest, ADescriptionThatIsNotWholeOrUsableNeverReplacesTheKeptOne) {
    const std::string strKept = TwoSettings(65, 66);
    const struct {
        const char* pszName;
        std::string strServed;
        const char* pszProblem;
    } cases[] = {
        {"garbage", "\x01\x02 garbage \xFF without sections", "no usable item"},
        {"NUL bytes", std::string(64, '\0'), "no usable item"},
        {"sections only", "[Over_Volt]\n[HW_Temp]\n", "no usable item"},
        {"a Count past its lines",
         "[Over_Volt]\nCount=3\n1=" + Fixture::Item("Vcore", "2", "0", 800, 1700, 1250, 65, 0) +
             "\n",
         "has Count 3 but holds 1 item"},
        {"a Count no board has",
         "[Over_Volt]\nCount=15000\n1=" + Fixture::Item("Vcore", "2", "0", 800, 1700, 1250, 65, 0) +
             "\n",
         "Count 15000, more than the 255"},
        {"stray text",
         "[Over_Volt]\nCount=1\n1=" + Fixture::Item("Vcore", "2", "0", 800, 1700, 1250, 65, 0) +
             "\n,1250,1\n",
         "is no KEY=VALUE line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszName);
        m_dir.WriteFile("BiosConf_Kolt_V120.ini", strKept);
        Load(c.strServed);
        EXPECT_EQ(BoardFile(), strKept);
        EXPECT_EQ(m_listener.Count("OnLinkError", kErrorConfigDownload), 1u);
        const std::vector<std::string> problems = m_pLink->DownloadProblems();
        EXPECT_TRUE(std::ranges::any_of(problems, [&c](const std::string& strProblem) {
            return strProblem.find(c.pszProblem) != std::string::npos;
        })) << (problems.empty() ? "none said" : problems.front());
        EXPECT_FALSE(m_pLink->IsDescriptionConfirmed());
    }
}

TEST_P(IntegrityTest, NothingIsWrittenThroughADescriptionThisConnectionDidNotDownloadWhole) {
    // Kept from before: Vcore on A. The board now has Vcore on B and DRAM on A.
    m_dir.WriteFile("BiosConf_Kolt_V120.ini", TwoSettings(65, 66));
    Connect(TwoSettings(66, 65));
    m_pBoard->SetFault(EBoardFault::LostChunk);
    m_pBoard->SetChunkCount(3);
    StartAndLoad();
    ASSERT_FALSE(m_pLink->IsDescriptionConfirmed());
    ASSERT_EQ(m_pLink->GetOverVolt().at(0).Name, u"Vcore");
    const CDeviceLink::ApplyResult refused = SetVcore(1300);
    EXPECT_FALSE(refused.bOk);
    EXPECT_TRUE(refused.bUnconfirmed);
    EXPECT_TRUE(refused.writes.empty());
    m_pLink->RequestApply(m_pLink->GetOverVolt(), m_pLink->GetOverFreq(), m_pLink->GetOverRatio());
    ASSERT_TRUE(m_listener.WaitForCount("OnApplied", 1));
    EXPECT_EQ(m_listener.Count("OnApplied", true), 0u);
    EXPECT_EQ(ChangeFramesSent(), 0u);
    EXPECT_EQ(m_pBoard->CurrentValue(m_pBoard->Description().Items()[1]), 1350)
        << "DRAM, on the letter the kept description gives Vcore, is untouched";

    // Downloaded whole, the board's own letters are written.
    Load(TwoSettings(66, 65));
    ASSERT_TRUE(m_pLink->IsDescriptionConfirmed());
    EXPECT_TRUE(SetVcore(1300).bOk);
    EXPECT_EQ(m_pBoard->CurrentValue(m_pBoard->Description().Items()[0]), 1300);
    EXPECT_EQ(m_pBoard->CurrentValue(m_pBoard->Description().Items()[1]), 1350);
}

INSTANTIATE_TEST_SUITE_P(Timings, IntegrityTest, kBothTimings, TimingName);

}  // namespace
