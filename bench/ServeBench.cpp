// Prints what `tunevoctl serve` costs under a lab's load: the simulated
// demo board behind a modelled radio (20 ms latency, replies in three
// pieces), so that a round of reads is under way most of the time, and 50
// scrapes a second over loopback, one after another, for S seconds (60):
//
//   latency: median, 99th percentile and longest scrape, and the errors
//   memory: the serve's resident memory after its first round, and at the end
//
// Usage: tunevo-bench-serve [S]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "bench/ProcessStats.h"
#include "tests/support/CChildProcess.h"
#include "tests/support/HttpGet.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;
constexpr int kScrapesPerSecond = 50;

std::string ReadAll(const std::string& strPath) {
    std::ifstream file(strPath);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace

int main(int argc, char** argv) {
    const int nSeconds = argc > 1 ? std::atoi(argv[1]) : 60;
    TempDir dir;
    const std::string strLink = dir.Path() + "/rfcomm0";
    CChildProcess board(TUNEVO_BOARD_PROGRAM,
                        {"--link", strLink, "--latency", "20", "--pieces", "3"});
    if (!WaitUntil([&] { return std::filesystem::is_symlink(strLink); })) {
        std::fprintf(stderr, "bench: the board did not start\n");
        return 1;
    }
    std::filesystem::create_directories(dir.Path() + "/program");
    const std::string strOut = dir.Path() + "/serve.out";
    CChildProcess serve(TUNEVO_CTL_PROGRAM,
                        {"--board", strLink, "serve", "--listen", "127.0.0.1:0", "--interval", "2"},
                        {"TUNEVO_DIR=" + dir.Path() + "/program", "XDG_DATA_HOME=" + dir.Path()},
                        strOut);
    const std::regex serving("serving http://127\\.0\\.0\\.1:([0-9]+)/metrics");
    std::smatch match;
    std::string strText;
    if (!WaitUntil([&] {
            strText = ReadAll(strOut);
            return std::regex_search(strText, match, serving);
        })) {
        std::fprintf(stderr, "bench: serve did not start\n");
        return 1;
    }
    const int nPort = std::stoi(match[1]);
    WaitUntil(
        [&] {
            return HttpGet(nPort, "/metrics").strBody.find("tunevo_power_on{") != std::string::npos;
        },
        std::chrono::seconds(60));
    const long nRssStart = ResidentKiB(serve.Pid());

    std::vector<double> latencies;
    int nErrors = 0;
    const auto period = std::chrono::microseconds(1'000'000 / kScrapesPerSecond);
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < nSeconds * kScrapesPerSecond; ++i) {
        std::this_thread::sleep_until(start + i * period);
        const Clock::time_point asked = Clock::now();
        const HttpReply reply = HttpGet(nPort, "/metrics");
        latencies.push_back(Ms(Clock::now() - asked).count());
        const bool bGood =
            reply.nStatus == 200 && reply.strBody.find("tunevo_up{") != std::string::npos;
        nErrors += bGood ? 0 : 1;
    }
    const long nRssEnd = ResidentKiB(serve.Pid());
    std::sort(latencies.begin(), latencies.end());
    const auto at = [&](double dShare) {
        return latencies[std::min(
            latencies.size() - 1,
            static_cast<size_t>(dShare * static_cast<double>(latencies.size())))];
    };
    std::printf("tunevoctl serve, demo board behind a 20 ms radio, %d scrapes/s for %d s\n",
                kScrapesPerSecond, nSeconds);
    std::printf("scrapes  %zu, errors %d\n", latencies.size(), nErrors);
    std::printf("latency  median %.2f ms, 99th %.2f ms, longest %.2f ms\n", at(0.5), at(0.99),
                latencies.back());
    std::printf("memory   resident %ld KiB after the first round, %ld KiB at the end\n", nRssStart,
                nRssEnd);
    return nErrors == 0 ? 0 : 1;
}
