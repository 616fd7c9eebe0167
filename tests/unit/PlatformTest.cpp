// Platform pieces: ports, radio, locale, folders, clocks, threads and text.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include "data/Utf.h"
#include "link/ReturnWatch.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CRfkillRadio.h"
#include "platform/CSteadyClock.h"
#include "platform/CWorkerThread.h"
#include "platform/LocaleId.h"
#include "platform/PrivateFolder.h"
#include "platform/ProgramDir.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

TEST(PortPattern, TakesOneNumberMarkFromTheEnvironmentOrDefaultsToRfcomm) {
    EXPECT_EQ(CDevicePortOpener::FormatPath("/tmp/x/rfcomm%d.tty", 5), "/tmp/x/rfcomm5.tty");
    for (const char* pszBad : {"/dev/rfcomm", "/dev/%s", "/dev/%d%d", "/dev/100%%d", "%n%d"}) {
        EXPECT_EQ(CDevicePortOpener::FormatPath(pszBad, 1), std::nullopt) << pszBad;
    }
    bool bHeld = true;
    EXPECT_EQ(CDevicePortOpener("/dev/%s").Open(0, bHeld), nullptr);
    {
        ScopedEnv env(CDevicePortOpener::kPatternVariable, nullptr);
        EXPECT_EQ(CDevicePortOpener::PatternFromEnvironment(), "/dev/rfcomm%d");
    }
    ScopedEnv env(CDevicePortOpener::kPatternVariable, "/tmp/board%d");
    EXPECT_EQ(CDevicePortOpener::PatternFromEnvironment(), "/tmp/board%d");
    // Neither a missing device nor a plain file is a serial line.
    TempDir dir;
    dir.WriteFile("rfcomm4", "not a tty");
    EXPECT_EQ(CDevicePortOpener(dir.Path() + "/rfcomm%d").Open(3, bHeld), nullptr);
    EXPECT_EQ(CDevicePortOpener(dir.Path() + "/rfcomm%d").Open(4, bHeld), nullptr);
    EXPECT_FALSE(bHeld) << "nobody holds it";
}

class RfkillTest : public testing::Test {
protected:
    void Entry(const std::string& strName, const char* pszType, const char* pszSoft,
               const char* pszHard) {
        m_dir.WriteFile(strName + "/type", std::string(pszType) + "\n");
        m_dir.WriteFile(strName + "/soft", std::string(pszSoft) + "\n");
        m_dir.WriteFile(strName + "/hard", std::string(pszHard) + "\n");
    }
    std::optional<uint32_t> Query() {
        CRfkillRadio radio(m_dir.Path());
        uint32_t nMode = 77;
        return radio.QueryMode(nMode) ? std::optional<uint32_t>(nMode) : std::nullopt;
    }
    TempDir m_dir;
};

TEST_F(RfkillTest, TheRadioIsOffOnlyWhenEveryBluetoothEntryIsBlocked) {
    EXPECT_EQ(Query(), std::nullopt) << "no entry at all: a failed query";
    Entry("rfkill2", "wlan", "1", "1");
    EXPECT_EQ(Query(), std::nullopt);
    Entry("rfkill0", "bluetooth", "1", "0");
    Entry("rfkill1", "bluetooth", "0", "1");
    EXPECT_EQ(Query(), 0u);
    Entry("rfkill3", "bluetooth", "0", "0");
    EXPECT_EQ(Query(), 1u);
}

// Chinese territories from LC_ALL, then LC_MESSAGES, then LANG, else English.
TEST(Environment, TheLanguageComesFromTheVariablesInTheirOrder) {
    const std::pair<const char*, uint32_t> names[] = {
        {"zh_TW.UTF-8", 1028},  {"zh_CN", 2052},       {"zh_HK.UTF-8", 3076},
        {"zh_TW@stroke", 1028}, {"en_US.UTF-8", 1033}, {"", 1033},
        {"zh", 1033},           {"zh_SG.UTF-8", 1033}, {"zh_TWX", 1033}};
    for (const auto& [pszName, nLcid] : names) {
        EXPECT_EQ(LcidFromLocaleName(pszName), nLcid) << pszName;
    }
    ScopedEnv lang("LANG", "zh_TW.UTF-8");
    ScopedEnv messages("LC_MESSAGES", "zh_CN.UTF-8");
    {
        ScopedEnv all("LC_ALL", "en_GB.UTF-8");
        EXPECT_EQ(GetSystemDefaultLCID(), 1033u);
    }
    ScopedEnv all("LC_ALL", nullptr);
    EXPECT_EQ(GetSystemDefaultLCID(), 2052u);
    ScopedEnv noMessages("LC_MESSAGES", "");
    EXPECT_EQ(GetSystemDefaultLCID(), 1028u);
    EXPECT_EQ(DirectoryOf("/usr/bin/tunevo"), "/usr/bin");
    EXPECT_EQ(DirectoryOf("/tunevo"), "");
}

int NiceOfThisThread() {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

// A sleep ends false once stop is requested; below-normal threads yield to the
// rest and normal ones do not.
TEST(Threads, ASleepEndsOnStopAndBelowNormalThreadsYieldToTheRest) {
    CSteadyClock clock;
    std::stop_source stop;
    EXPECT_TRUE(clock.SleepFor(std::chrono::milliseconds(1), stop.get_token()));
    stop.request_stop();
    EXPECT_FALSE(clock.SleepFor(std::chrono::hours(1), stop.get_token()));
    const int nMine = NiceOfThisThread();
    if (nMine >= 19) {
        GTEST_SKIP() << "already at the lowest priority";
    }
    int nBelow = nMine;
    int nNormal = nMine + 100;
    {
        CWorkerThread below;
        below.Start([&] { nBelow = NiceOfThisThread(); }, CWorkerThread::EPriority::BelowNormal);
        CWorkerThread normal;
        normal.Start([&] { nNormal = NiceOfThisThread(); }, CWorkerThread::EPriority::Normal);
    }  // both joined here
    EXPECT_GT(nBelow, nMine);
    EXPECT_EQ(nNormal, nMine);
    EXPECT_EQ(NiceOfThisThread(), nMine) << "the caller's own priority is untouched";
}

TEST(Utf, ConvertsBothWaysAndReplacesWhatCannotBeConverted) {
    const std::u16string text = u"Temp\u00e9rature \u6e29\u5ea6 \U0001F321";
    const std::string utf8 = "Temp\xc3\xa9rature \xe6\xb8\xa9\xe5\xba\xa6 \xf0\x9f\x8c\xa1";
    EXPECT_EQ(ToUtf8(text), utf8);
    EXPECT_EQ(FromUtf8(utf8), text);
    EXPECT_EQ(ToUtf8(std::u16string{u'a', char16_t(0xD800), u'b'}),
              "a\xef\xbf\xbd"
              "b");
    EXPECT_EQ(FromUtf8("a\xff"
                       "b"),
              u"a\ufffdb");
    EXPECT_EQ(FromUtf8("a\xe6\xb8"), u"a\ufffd");
    // An overlong form of "/" is not read as "/".
    EXPECT_EQ(FromUtf8("\xc0\xaf"), u"\ufffd");
}

// Build tree and portable copy keep everything beside the program; an
// installed copy writes to one folder per user and reads its texts from share.
TEST(ProgramFolders, FollowTheVariableTheProgramsPlaceOrTheUsersDataFolder) {
    const struct {
        FolderFacts facts;
        const char* pszFiles;
        const char* pszTexts;
    } cases[] = {
        {{"", "/src/build/bin", true, "/d", "/h"}, "/src/build/bin", "/src/build/bin"},
        {{"/t///", "/opt/my apps/bin", false, "", "/h"}, "/t", "/opt/my apps/share/tunevo"},
        {{"", "/usr/bin", false, "/d/", "/h"}, "/d/tunevo", "/usr/share/tunevo"},
        {{"", "/usr/bin", false, "relative", "/h"}, "/h/.local/share/tunevo", "/usr/share/tunevo"},
        {{"", "/usr/local/bin", false, "", "/h"},
         "/h/.local/share/tunevo",
         "/usr/local/share/tunevo"},
        {{"", "/usr/bin", false, "", ""}, "", "/usr/share/tunevo"},
    };
    for (const auto& c : cases) {
        const ProgramFolders folders = ChooseProgramFolders(c.facts);
        EXPECT_EQ(folders.strFiles, c.pszFiles) << c.facts.strExeDir;
        EXPECT_EQ(folders.strTexts, c.pszTexts) << c.facts.strExeDir;
        EXPECT_EQ(folders.bCreate, !c.facts.strOverride.empty() || !c.facts.bTextsBesideProgram);
    }
    // The per-user folder is the user's alone; one that cannot be made is said.
    TempDir dir;
    std::string strError;
    ASSERT_TRUE(CreatePrivateFolder(dir.Path() + "/data home/tunevo", strError)) << strError;
    struct stat info {};
    ASSERT_EQ(::stat((dir.Path() + "/data home/tunevo").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(CreatePrivateFolder(dir.Path() + "/data home/tunevo", strError));
    dir.WriteFile("file", "");
    EXPECT_FALSE(CreatePrivateFolder(dir.Path() + "/file/tunevo", strError));
    EXPECT_NE(strError.find("/file/tunevo"), std::string::npos);
}

// The lock's folder is one no other user could have made or can enter:
// a runtime folder or fallback that is loose, a link or another user's is
// passed over for the user's own cache folder, and with none it says why.
TEST(PrivateFolder, OnlyAFolderOfTheUsersAloneHoldsTheLock) {
    TempDir dir;
    const std::string strPrivate = dir.Path() + "/private";
    const std::string strLoose = dir.Path() + "/loose";
    ASSERT_EQ(::mkdir(strPrivate.c_str(), 0700) | ::mkdir(strLoose.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(strLoose.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(strPrivate.c_str(), (dir.Path() + "/link").c_str()), 0);
    const std::string strCache = dir.Path() + "/cache/tunevo";
    const uid_t nMe = ::geteuid();
    const struct {
        std::string strRuntime;
        std::string strTemp;
        std::string strChosen;
    } cases[] = {
        {strPrivate, strLoose, strPrivate},
        {"", strPrivate, strPrivate},
        {strLoose, dir.Path() + "/runtime-me", dir.Path() + "/runtime-me"},  // made for the user
        {"", strLoose, strCache},
        {"", dir.Path() + "/link", strCache},
    };
    for (const auto& c : cases) {
        std::string strWhy;
        EXPECT_EQ(FindPrivateFolder({c.strRuntime, c.strTemp, strCache, nMe}, strWhy), c.strChosen)
            << c.strRuntime << " " << c.strTemp << ": " << strWhy;
        EXPECT_TRUE(strWhy.empty());
    }
    struct stat info {};
    ASSERT_EQ(::stat(strCache.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    std::string strWhy;
    const std::string strBlocked = dir.WriteFile("file", "") + "/tunevo";
    EXPECT_EQ(FindPrivateFolder({"", strLoose, strBlocked, nMe}, strWhy), "");
    EXPECT_NE(strWhy.find("XDG_RUNTIME_DIR: not set"), std::string::npos) << strWhy;
    EXPECT_NE(strWhy.find(strLoose + ": others may use it"), std::string::npos) << strWhy;
    EXPECT_NE(strWhy.find(strBlocked + ": "), std::string::npos) << strWhy;
    if (nMe != 0) {
        GTEST_SKIP() << "only root can give a folder to another user";
    }
    ASSERT_EQ(::chown(strPrivate.c_str(), 65534, 65534), 0);
    EXPECT_EQ(FindPrivateFolder({"", strPrivate, strBlocked, nMe}, strWhy), "");
    EXPECT_NE(strWhy.find(strPrivate + ": it belongs to another user"), std::string::npos);
}

// A loopback TCP port that refuses connections until Listen, as a serial
// server does while it is down.
class CLoopbackServer {
public:
    CLoopbackServer() {
        // A free port, found by binding to port 0, then let go.
        const int nFd = Bound(0);
        sockaddr_in address{};
        socklen_t nSize = sizeof(address);
        ::getsockname(nFd, reinterpret_cast<sockaddr*>(&address), &nSize);
        m_nPort = ntohs(address.sin_port);
        ::close(nFd);
    }
    ~CLoopbackServer() { ::close(m_nFd); }
    void Listen() {
        m_nFd = Bound(m_nPort);
        ::listen(m_nFd, 4);
    }
    std::string Address() const { return "tcp:127.0.0.1:" + std::to_string(m_nPort); }

private:
    static int Bound(uint16_t nPort) {
        const int nFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int nOn = 1;
        ::setsockopt(nFd, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof(nOn));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(nPort);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(nFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
        return nFd;
    }
    uint16_t m_nPort = 0;
    int m_nFd = -1;
};

// A serial server's way back opens when it listens again after refusing;
// one that listened all along says nothing (its board is what is away).
TEST(ReturnWatch, ATcpServerCountsOnceItListensAgainAfterRefusing) {
    for (const bool bDownFirst : {true, false}) {
        SCOPED_TRACE(bDownFirst ? "down first" : "up all along");
        CLoopbackServer server;
        if (!bDownFirst) {
            server.Listen();
        }
        const std::unique_ptr<IReturnWatch> pWatch = WatchForReturn(server.Address());
        ASSERT_NE(pWatch, nullptr);
        const auto appeared = [&] { return pWatch->TakeAppeared(); };
        EXPECT_FALSE(WaitUntil(appeared, std::chrono::milliseconds(700)));
        if (bDownFirst) {
            server.Listen();
            EXPECT_TRUE(WaitUntil(appeared, std::chrono::seconds(2)));
        }
        EXPECT_FALSE(WaitUntil(appeared, std::chrono::milliseconds(700))) << "said once";
    }
}

// A device node is watched in its folder, a serial server by its address;
// a numbered port has nothing to watch, nor a Bluetooth board without a bus.
TEST(ReturnWatch, IsChosenByThePortsName) {
    TempDir dir;
    const ScopedEnv noBus("DBUS_SYSTEM_BUS_ADDRESS", ("unix:path=" + dir.Path() + "/none").c_str());
    EXPECT_NE(WatchForReturn(dir.Path() + "/rfcomm0"), nullptr);
    EXPECT_NE(WatchForReturn("tcp:127.0.0.1:1"), nullptr);
    for (const char* pszNothing : {"/no/such/folder/rfcomm0", "AA:BB:CC:DD:EE:FF", "port 3", ""}) {
        EXPECT_EQ(WatchForReturn(pszNothing), nullptr) << pszNothing;
    }
}

}  // namespace
