// The safety net under tuning: the journal file, what an undo or a
// recovery writes back and in which order, and the start-up watch.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "data/CJournal.h"
#include "data/Utf.h"
#include "link/CApplyRecord.h"
#include "link/CBootWatch.h"
#include "link/Protocol.h"
#include "link/UndoPlan.h"
#include "tests/support/BoardLinkFixture.h"
#include "tests/support/TempDir.h"

namespace {

using namespace std::chrono_literals;
using Fixture = BoardLinkFixture;

JournalEntry Write(const std::string& strBoard, EJournalAction action,
                   std::vector<JournalItem> items) {
    JournalEntry entry = NewJournalEntry("tunevo", "apply", action);
    entry.strBoard = strBoard;
    entry.items = std::move(items);
    return entry;
}

JournalItem Item(const std::string& strBefore, const std::string& strAsked, bool bAck,
                 const std::string& strReadBack) {
    return {"CPU Vcore", "Over_Volt", strBefore, strAsked, bAck, strReadBack,
            "1.25", "1.30", "1.30", "V"};
}

TEST(JournalFile, EachEntryReadsBackAsWrittenAndALineCutShortIsPassedOverWithANote) {
    TempDir dir;
    CJournal journal(dir.Path());
    JournalEntry apply = Write("B-1", EJournalAction::Apply,
                               {Item("1250", "1300", true, "1300"), Item("135", "150", false, "")});
    apply.strAddress = "/dev/rfcomm0";
    apply.bOk = false;
    JournalEntry power = NewJournalEntry("tunevoctl", "power reset", EJournalAction::Power);
    power.strPower = "reset";
    JournalEntry undo = Write("B-1", EJournalAction::Undo, {Item("1300", "1250", true, "1250")});
    undo.strUndoes = apply.strId;
    const std::vector<JournalEntry> written = {apply, power, undo};
    ASSERT_TRUE(journal.Append(apply));
    ASSERT_TRUE(journal.Append(power));
    // A crash in the middle of a line, and a line of another program.
    std::ofstream(journal.Path(), std::ios::app) << "{\"time\":\"2026-12-08T09:00:00+00:00\",\"sec\n"
                                                 << "[1,2,3]\n";
    ASSERT_TRUE(journal.Append(undo));

    const CJournal::Contents contents = journal.Read();
    ASSERT_EQ(contents.entries.size(), written.size());
    for (size_t n = 0; n < written.size(); ++n) {
        JournalEntry read = contents.entries[n];
        EXPECT_LT(std::chrono::abs(read.time - written[n].time), 1ms);
        read.time = written[n].time;
        EXPECT_EQ(JournalLine(read), JournalLine(written[n]));
    }
    ASSERT_EQ(contents.notes.size(), 2u);
    EXPECT_NE(contents.notes[0].find("journal.jsonl:3: passed over"), std::string::npos);
    // A missing journal is an empty one.
    EXPECT_TRUE(CJournal(dir.Path() + "/none").Read().entries.empty());
}

TEST(JournalFile, ItMovesAsideAtItsSizeKeepingThreeOlderFilesReadOldestFirst) {
    TempDir dir;
    CJournal journal(dir.Path(), 600);
    std::vector<std::string> ids;
    for (int n = 0; n < 30; ++n) {
        JournalEntry entry = Write("B-1", EJournalAction::Apply, {Item("1250", "1300", true, "")});
        entry.strId = std::to_string(1000 + n);
        ids.push_back(entry.strId);
        ASSERT_TRUE(journal.Append(entry));
    }
    for (const char* pszName : {"journal.jsonl", "journal.1.jsonl", "journal.3.jsonl"}) {
        EXPECT_TRUE(std::filesystem::exists(dir.Path() + "/" + pszName)) << pszName;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/journal.4.jsonl"));
    const std::vector<JournalEntry> entries = journal.Read().entries;
    ASSERT_GT(entries.size(), 4u);
    ASSERT_LT(entries.size(), ids.size()) << "the oldest file goes";
    for (size_t n = 0; n < entries.size(); ++n) {
        EXPECT_EQ(entries[n].strId, ids[ids.size() - entries.size() + n]);
    }
}

TEST(JournalFile, AJournalThatCannotBeWrittenSaysSoOnceAndOnlyOnce) {
    TempDir dir;
    const std::string strFile = dir.WriteFile("not-a-folder", "x");
    CJournal journal(strFile);
    const JournalEntry entry = Write("B-1", EJournalAction::Apply, {});
    EXPECT_FALSE(journal.Append(entry));
    EXPECT_NE(journal.TakeProblem().find("not-a-folder"), std::string::npos);
    EXPECT_FALSE(journal.Append(entry));
    EXPECT_EQ(journal.TakeProblem(), "");
}

// Which write an undo takes back, and which a stalled start-up may owe to.
TEST(JournalFile, TheWriteToTakeBackIsTheNewestThatChangedSomethingOnThisBoard) {
    const JournalEntry changed = Write("B-1", EJournalAction::Apply, {Item("1250", "1300", true, "1300")});
    const JournalEntry unchanged = Write("B-1", EJournalAction::Apply, {Item("1300", "1300", true, "1300")});
    const JournalEntry refused = Write("B-1", EJournalAction::Apply, {Item("1250", "1300", false, "1250")});
    const JournalEntry other = Write("B-2", EJournalAction::Apply, {Item("1250", "1400", true, "1400")});
    const JournalEntry recovery = Write("B-1", EJournalAction::Recover, {Item("1300", "1250", true, "1250")});
    JournalEntry started = NewJournalEntry("tunevoctl", "boot-watch", EJournalAction::Started);
    started.strBoard = "B-1";
    JournalEntry power = NewJournalEntry("tunevo", "power reset", EJournalAction::Power);
    power.strBoard = "B-1";

    struct Case {
        std::vector<JournalEntry> entries;
        std::optional<std::string> undo;     // id LastChangingWrite finds
        std::optional<std::string> recover;  // id WriteSinceLastStart finds
    };
    const Case cases[] = {
        {{}, {}, {}},
        {{changed, unchanged, refused, other, power}, changed.strId, changed.strId},
        {{changed, started}, changed.strId, {}},
        {{changed, started, changed}, changed.strId, changed.strId},
        // A recovery tried already is not tried again, but may be undone.
        {{changed, recovery, power}, recovery.strId, {}},
    };
    for (size_t n = 0; n < std::size(cases); ++n) {
        const auto undo = LastChangingWrite(cases[n].entries, "B-1");
        const auto recover = WriteSinceLastStart(cases[n].entries, "B-1");
        EXPECT_EQ(undo ? std::optional(undo->strId) : std::nullopt, cases[n].undo) << n;
        EXPECT_EQ(recover ? std::optional(recover->strId) : std::nullopt, cases[n].recover) << n;
    }
}

TEST(BootWatch, ItFollowsTheCodesToReadyOrAStallAndALateReadyCodeCountsOnlyAfterAStart) {
    struct Step {
        int nMs;
        int nCode;
    };
    struct Case {
        const char* pszName;
        bool bBegin;
        std::vector<Step> steps;
        CBootWatch::EState final;
    };
    using S = CBootWatch::EState;
    const Case cases[] = {
        {"a clean start-up", true, {{0, 0x00}, {400, 0x02}, {800, 0x15}, {1200, 0x00}}, S::Ready},
        {"the run before's ready code", true, {{0, 0x00}, {4000, 0x00}}, S::Watching},
        {"ready standing since the reset", true, {{0, 0x00}, {5000, 0x00}}, S::Ready},
        {"one code standing", true, {{0, 0x02}, {1000, 0x15}, {45999, 0x15}}, S::Watching},
        {"one code standing long", true, {{0, 0x02}, {1000, 0x15}, {46000, 0x15}}, S::Stalled},
        {"codes that keep moving", true, {{0, 0x02}, {40000, 0x15}, {80000, 0x19}}, S::Watching},
        {"ready after a stall", true, {{0, 0x15}, {46000, 0x15}, {50000, 0x00}}, S::Ready},
        {"a running PC", false, {{0, 0x00}, {60000, 0x00}}, S::Idle},
        {"a reset by the PC's button", false, {{0, 0x00}, {400, 0x02}, {900, 0x00}}, S::Ready},
        {"found stalled", false, {{0, 0x15}, {45000, 0x15}}, S::Stalled},
    };
    for (const Case& test : cases) {
        CBootWatch watch({45s, 0x00, 5s});
        const IClock::TimePoint start{};
        if (test.bBegin) {
            watch.Begin(start);
        }
        for (const Step& step : test.steps) {
            watch.Observe(start + std::chrono::milliseconds(step.nMs), step.nCode);
        }
        EXPECT_EQ(watch.State(), test.final) << test.pszName;
    }
}

// Two voltages and a frequency; the frequency's direction orders the writes.
const std::string kBoard =
    "[Version]\nVer=NET-1\n" +
    Fixture::Section("Over_Volt", {Fixture::Item("Vcore", "2", "0", 800, 1700, 1250, 65, 0),
                                   Fixture::Item("DRAM", "2", "0", 1000, 2000, 1350, 66, 0)}) +
    Fixture::Section("Over_Freq", {Fixture::Item("BCLK", "2", "0", 9000, 11000, 10000, 70, 0)});

class SafetyNetLinkTest : public InBothTimings<BoardLinkFixture> {
protected:
    // Sets raw values by array and index and applies the items set, as both
    // programs do, with the record around it.
    CApplyRecord Apply(const std::vector<std::tuple<EBoardArray, size_t, long>>& values) {
        CApplyRecord record(*m_pLink, "test", "apply");
        std::map<EBoardArray, BoardItemArray> arrays;
        for (EBoardArray array : kOverclockArrays) {
            arrays[array] = m_pLink->GetArray(array);
        }
        for (const auto& [array, nIndex, nRaw] : values) {
            arrays[array].at(nIndex).Value = ToText(nRaw);
            arrays[array].at(nIndex).bUserSet = true;
        }
        EXPECT_TRUE(m_pLink->StoreEdits(arrays[EBoardArray::OverVolt],
                                        arrays[EBoardArray::OverFreq],
                                        arrays[EBoardArray::OverRatio]));
        record.Written(*m_pLink, m_pLink->ApplyAll(CDeviceLink::EApplyScope::UserSet));
        ReadBack();
        record.ReadBack(*m_pLink);
        return record;
    }
    void ReadBack() {
        for (EBoardArray array : kOverclockArrays) {
            m_pLink->RefreshArray(array);
        }
    }
    // The letters of the change frames sent since nFrom, in order.
    std::vector<int> Changes(size_t nFrom) const {
        std::vector<int> letters;
        for (const Bytes& frame : Sent(nFrom)) {
            if (frame.size() == Protocol::kCommandFrameSize &&
                frame[Protocol::kOffsetStart] == Protocol::kStartChange) {
                letters.push_back(frame[Protocol::kOffsetLetter]);
            }
        }
        return letters;
    }
};

TEST_P(SafetyNetLinkTest, ARecordHoldsTheValuesBeforeWhatWasTakenAndWhatTheBoardKept) {
    Load(kBoard);
    m_pBoard->SetFault(EBoardFault::NoReply, 66);  // DRAM neither acknowledges nor reads
    // 1800 lies past Vcore's 1700: the board keeps its limit.
    const CApplyRecord record =
        Apply({{EBoardArray::OverVolt, 0, 1800}, {EBoardArray::OverVolt, 1, 1400}});
    const JournalEntry& entry = record.Entry();
    EXPECT_EQ(entry.strBoard, "NET-1");
    EXPECT_FALSE(entry.bOk);
    ASSERT_EQ(entry.items.size(), 2u);
    const JournalItem& vcore = entry.items[0];
    EXPECT_EQ(std::tie(vcore.strName, vcore.strBefore, vcore.strAsked, vcore.strReadBack),
              std::make_tuple(std::string("Vcore"), std::string("1250"), std::string("1800"),
                              std::string("1700")));
    EXPECT_TRUE(vcore.bAcknowledged);
    const JournalItem& dram = entry.items[1];
    EXPECT_FALSE(dram.bAcknowledged);
    EXPECT_EQ(dram.strReadBack, "");
    EXPECT_FALSE(dram.Changed()) << "what the board did not take changed nothing known";
    ASSERT_EQ(record.Differing().size(), 1u);
    EXPECT_EQ(record.Differing()[0].strName, "Vcore");
}

TEST_P(SafetyNetLinkTest, AnUndoWritesTheValuesBeforeInTheOrderRulesOrderAndSparesAValueChangedSince) {
    Load(kBoard);
    // Up: voltage first, then the clock.
    const size_t nUp = Sent().size();
    const JournalEntry up =
        Apply({{EBoardArray::OverVolt, 0, 1300}, {EBoardArray::OverFreq, 0, 10500}}).Entry();
    EXPECT_EQ(Changes(nUp), (std::vector<int>{65, 70}));
    // Back down: the clock first, then the voltage.
    UndoPlan plan = PlanUndo(up, *m_pLink);
    ASSERT_EQ(plan.items.size(), 2u);
    EXPECT_EQ(plan.ChangedSinceCount(), 0u);
    const size_t nDown = Sent().size();
    ASSERT_TRUE(StageUndo(*m_pLink, plan, false));
    EXPECT_TRUE(m_pLink->ApplyAll(CDeviceLink::EApplyScope::UserSet).bOk);
    EXPECT_EQ(Changes(nDown), (std::vector<int>{70, 65}));
    ReadBack();
    EXPECT_EQ(m_pLink->GetOverVolt()[0].Value, u"1250");
    EXPECT_EQ(m_pLink->GetOverFreq()[0].Value, u"10000");

    // Someone moves Vcore after the next apply: its undo leaves Vcore alone.
    const JournalEntry again =
        Apply({{EBoardArray::OverVolt, 0, 1300}, {EBoardArray::OverFreq, 0, 10500}}).Entry();
    Apply({{EBoardArray::OverVolt, 0, 1350}});
    plan = PlanUndo(again, *m_pLink);
    ASSERT_EQ(plan.ChangedSinceCount(), 1u);
    const size_t nSpared = Sent().size();
    ASSERT_TRUE(StageUndo(*m_pLink, plan, false));
    m_pLink->ApplyAll(CDeviceLink::EApplyScope::UserSet);
    EXPECT_EQ(Changes(nSpared), (std::vector<int>{70}));
    ReadBack();
    EXPECT_EQ(m_pLink->GetOverVolt()[0].Value, u"1350");
    // Nothing is left to write back now but the value changed since.
    EXPECT_EQ(PlanUndo(again, *m_pLink).items.size(), 1u);
    EXPECT_FALSE(StageUndo(*m_pLink, PlanUndo(again, *m_pLink), false));
}

INSTANTIATE_TEST_SUITE_P(Timings, SafetyNetLinkTest, kBothTimings, TimingName);

}  // namespace
