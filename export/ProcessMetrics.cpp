#include "export/ProcessMetrics.h"

#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

namespace {

using prometheus::ClientMetric;
using prometheus::MetricFamily;
using prometheus::MetricType;

MetricFamily One(const char* pszName, const char* pszHelp, MetricType type, double dValue) {
    ClientMetric metric;
    (type == MetricType::Counter ? metric.counter.value : metric.gauge.value) = dValue;
    return {pszName, pszHelp, type, {metric}};
}

// The system's boot time, which the process' start time counts from.
std::optional<double> BootTime() {
    std::ifstream stat("/proc/stat");
    for (std::string strLine; std::getline(stat, strLine);) {
        if (strLine.rfind("btime ", 0) == 0) {
            return std::stod(strLine.substr(6));
        }
    }
    return std::nullopt;
}

}  // namespace

std::vector<MetricFamily> ProcessFamilies() {
    std::vector<MetricFamily> families;
    std::ifstream statFile("/proc/self/stat");
    const std::string strStat{std::istreambuf_iterator<char>(statFile), {}};
    // The command name, in brackets, may hold spaces: fields count after it.
    const size_t nNameEnd = strStat.rfind(')');
    if (nNameEnd != std::string::npos) {
        std::istringstream fields(strStat.substr(nNameEnd + 2));
        std::vector<std::string> values{std::istream_iterator<std::string>(fields), {}};
        // Fields 3 onwards of proc(5): utime is the 14th, so index 11 here.
        constexpr size_t kUtime = 11, kStime = 12, kStart = 19, kVsize = 20, kRss = 21;
        if (values.size() > kRss) {
            const double dTicks = static_cast<double>(::sysconf(_SC_CLK_TCK));
            const double dPage = static_cast<double>(::sysconf(_SC_PAGESIZE));
            families.push_back(One("process_cpu_seconds_total",
                                   "Total user and system CPU time spent in seconds.",
                                   MetricType::Counter,
                                   (std::stod(values[kUtime]) + std::stod(values[kStime])) / dTicks));
            families.push_back(One("process_virtual_memory_bytes", "Virtual memory size in bytes.",
                                   MetricType::Gauge, std::stod(values[kVsize])));
            families.push_back(One("process_resident_memory_bytes",
                                   "Resident memory size in bytes.", MetricType::Gauge,
                                   std::stod(values[kRss]) * dPage));
            if (const std::optional<double> boot = BootTime()) {
                families.push_back(One("process_start_time_seconds",
                                       "Start time of the process since unix epoch in seconds.",
                                       MetricType::Gauge,
                                       *boot + std::stod(values[kStart]) / dTicks));
            }
        }
    }
    std::error_code error;
    size_t nOpen = 0;
    for (std::filesystem::directory_iterator fd("/proc/self/fd", error), end; !error && fd != end;
         fd.increment(error)) {
        ++nOpen;
    }
    if (!error) {
        families.push_back(One("process_open_fds", "Number of open file descriptors.",
                               MetricType::Gauge, static_cast<double>(nOpen)));
    }
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        families.push_back(One("process_max_fds", "Maximum number of open file descriptors.",
                               MetricType::Gauge, static_cast<double>(limit.rlim_cur)));
    }
    return families;
}
