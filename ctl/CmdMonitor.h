#pragma once

#include <optional>
#include <string>

// tunevoctl monitor: the monitored values, once or repeatedly, as text,
// JSON or CSV, to standard output or a new file.

struct MonitorOptions {
    std::optional<double> dInterval;  // seconds between samples
    std::optional<long> nCount;       // samples to print
    bool bJson = false;
    // One CSV line per value read, with a header line first.
    bool bCsv = false;
    // Where the samples go instead of standard output: a new file.
    std::string strOutput;
    // A lost link, or no board at the start, is tried again rather than the end.
    bool bReconnect = false;
};

int RunMonitor(const MonitorOptions& options);
