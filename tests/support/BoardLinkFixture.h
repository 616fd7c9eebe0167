#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "link/CDeviceLink.h"
#include "link/CRecordingListener.h"
#include "platform/CVirtualClock.h"
#include "sim/CBoardModel.h"
#include "sim/CMemoryLine.h"
#include "tests/support/TempDir.h"

// Runs a fixture's tests in both timings: test a link's integrity with
// TEST_P on it, and INSTANTIATE_TEST_SUITE_P(Timings, X, kBothTimings, TimingName).
template <class Fixture>
class InBothTimings : public Fixture, public testing::WithParamInterface<ELinkTiming> {
protected:
    void SetUp() override {
        this->m_timing = this->GetParam();
        Fixture::SetUp();
    }
};
inline const auto kBothTimings = testing::Values(ELinkTiming::Fixed, ELinkTiming::Fast);
inline std::string TimingName(const testing::TestParamInfo<ELinkTiming>& info) {
    return info.param == ELinkTiming::Fast ? "Fast" : "Fixed";
}

// A link connected over an in-memory line to a board model that serves a
// given description, on a virtual clock, with the program directory in a
// temporary folder.
class BoardLinkFixture : public testing::Test {
protected:
    using Bytes = std::vector<uint8_t>;

    void SetUp() override;
    void TearDown() override;

    // Serves the description and finds the board; the link is not started.
    // Called again, it replaces board, line and link with new ones.
    void Connect(const std::string& strDescription);
    // Starts the link and waits for the start-up load to finish.
    void StartAndLoad();
    // Connect, then StartAndLoad.
    void Load(const std::string& strDescription);

public:
    // One item line: name, kind, range-at-load, min, max, value, value and range codes.
    static std::string Item(const std::string& strName, const std::string& strKind,
                            const std::string& strRangeAtLoad, long nMin, long nMax, long nValue,
                            int nValueCmd, int nRangeCmd);
    // A section holding the given item lines.
    static std::string Section(const std::string& strName, const std::vector<std::string>& items);

protected:
    // Frames the link has sent so far, from the given position on.
    std::vector<Bytes> Sent(size_t nFrom = 0) const { return m_pLine->Sent(nFrom); }
    size_t CountSent(const Bytes& frame) const;
    // Waits the link made so far, from the given position on, in milliseconds.
    std::vector<long> Waits(size_t nFrom = 0) const;
    std::string BoardFile() const { return m_dir.ReadFile("BiosConf_Kolt_V120.ini"); }
    std::string BoardFilePath() const { return m_dir.Path() + "/BiosConf_Kolt_V120.ini"; }

    TempDir m_dir;
    std::string m_strOldProgramDir;
    std::shared_ptr<CVirtualClock> m_pClock = std::make_shared<CVirtualClock>();
    // The clock the link and the board run on; tests that need real time replace it.
    std::shared_ptr<IClock> m_pLinkClock = m_pClock;
    // The timing the next Connect starts the link in.
    ELinkTiming m_timing = ELinkTiming::Fixed;
    std::shared_ptr<CBoardModel> m_pBoard;
    std::shared_ptr<CMemoryLine> m_pLine;
    CRecordingListener m_listener;
    std::unique_ptr<CDeviceLink> m_pLink;
};
