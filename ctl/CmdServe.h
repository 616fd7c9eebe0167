#pragma once

#include <string>

// tunevoctl serve: boards' readings for Prometheus, until stopped.

struct ServeOptions {
    double dInterval = 10;                     // seconds between rounds of reads
    std::string strListen = "127.0.0.1:9810";  // HOST:PORT; port 0 takes a free one
    std::string strBoard;                      // the board label: --name, or the board named
    std::string strConfig;                     // the boards' YAML file; empty: one board
    std::string strWebConfig;                  // users every request authenticates as
    int nConnections = 16;                     // HTTP connections served at once
    double dRequestTimeout = 5;                // seconds for a client's request to come whole
};
// Keeps each board's link and serves its last readings to Prometheus until
// SIGINT or SIGTERM (SIGHUP reads --config again); writes nothing to a board.
int RunServe(const ServeOptions& options);
