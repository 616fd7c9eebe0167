#include "tests/support/BoardLinkFixture.h"

#include <algorithm>

#include "data/IniPaths.h"
#include "sim/CFixedRadio.h"
#include "sim/CMemoryPortOpener.h"

void BoardLinkFixture::SetUp() {
    m_strOldProgramDir = g_szProgramDir;
    g_szProgramDir = m_dir.Path();
}

void BoardLinkFixture::TearDown() {
    if (m_pLine) {
        m_pLine->HoldWrites(false);
    }
    m_pLink.reset();
    g_szProgramDir = m_strOldProgramDir;
}

void BoardLinkFixture::Connect(const std::string& strDescription) {
    // A test may connect again to another board: the first link goes first.
    m_pLink.reset();
    m_listener.Clear();
    CBoardDescription description;
    std::string strError;
    ASSERT_TRUE(description.Parse(strDescription, strError)) << strError;
    m_pBoard = std::make_shared<CBoardModel>(std::move(description), m_pLinkClock);
    m_pLine = std::make_shared<CMemoryLine>(m_pBoard, m_pLinkClock);
    auto pOpener = std::make_shared<CMemoryPortOpener>();
    pOpener->Attach(0, m_pLine);
    m_pLink = std::make_unique<CDeviceLink>(
        CDeviceLink::Environment{pOpener, std::make_shared<CFixedRadio>(), m_pLinkClock, m_timing});
    m_pLink->SetListener(&m_listener);
    m_pLink->StartPortSearch();
    ASSERT_TRUE(m_listener.WaitForCount("OnLinkState", 1));
    ASSERT_EQ(m_listener.Count("OnLinkState", true), 1u);
}

void BoardLinkFixture::StartAndLoad() {
    m_pLink->StartLink();
    ASSERT_TRUE(m_listener.WaitForCount("OnConfigLoaded", 1));
}

void BoardLinkFixture::Load(const std::string& strDescription) {
    Connect(strDescription);
    StartAndLoad();
}

std::string BoardLinkFixture::Item(const std::string& strName, const std::string& strKind,
                                   const std::string& strRangeAtLoad, long nMin, long nMax,
                                   long nValue, int nValueCmd, int nRangeCmd) {
    const std::string strValue = std::to_string(nValue);
    return strName + "," + strKind + "," + strRangeAtLoad + "," + std::to_string(nMin) + "," +
           std::to_string(nMax) + "," + strValue + ",1,1,0,0," + std::to_string(nValueCmd) + "," +
           std::to_string(nRangeCmd) + "," + strValue + ",1";
}

std::string BoardLinkFixture::Section(const std::string& strName,
                                      const std::vector<std::string>& items) {
    std::string strText = "[" + strName + "]\nCount=" + std::to_string(items.size()) + "\n";
    for (size_t i = 0; i < items.size(); ++i) {
        strText += std::to_string(i + 1) + "=" + items[i] + "\n";
    }
    return strText;
}

size_t BoardLinkFixture::CountSent(const Bytes& frame) const {
    return static_cast<size_t>(std::ranges::count(m_pLine->Sent(), frame));
}

std::vector<long> BoardLinkFixture::Waits(size_t nFrom) const {
    std::vector<long> waits;
    const auto sleeps = m_pClock->Sleeps();
    for (size_t i = nFrom; i < sleeps.size(); ++i) {
        waits.push_back(static_cast<long>(sleeps[i].count()));
    }
    return waits;
}
