#include "bench/ProcessStats.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

long ResidentKiB(pid_t nPid) {
    std::ifstream status("/proc/" + std::to_string(nPid) + "/status");
    std::string strLine;
    while (std::getline(status, strLine)) {
        if (strLine.rfind("VmRSS:", 0) == 0) {
            return std::strtol(strLine.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

double CpuSeconds(pid_t nPid) {
    std::ifstream stat("/proc/" + std::to_string(nPid) + "/stat");
    std::string strText((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name, which is in parentheses and may hold blanks.
    std::istringstream fields(strText.substr(strText.rfind(')') + 2));
    std::vector<std::string> values;
    std::string strValue;
    while (fields >> strValue) {
        values.push_back(strValue);
    }
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 here.
    if (values.size() < 13) {
        return -1.0;
    }
    const double dTicks =
        std::strtod(values[11].c_str(), nullptr) + std::strtod(values[12].c_str(), nullptr);
    return dTicks / static_cast<double>(sysconf(_SC_CLK_TCK));
}
