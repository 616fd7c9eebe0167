#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The subcommands of tunevoctl, called with what the command line gave.
// Each returns the program's exit code (ECtlExit), having printed its result
// to standard output and any error to standard error.

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

struct SetOptions {
    bool bClamp = false;
    bool bRound = false;                   // a value between two steps takes the nearer one
    std::vector<std::string> assignments;  // NAME=VALUE
};

struct PowerOptions {
    std::string strAction;  // status, or one of PowerActionNames()
    bool bYes = false;
};

struct PosterOptions {
    std::optional<std::string> mode;  // "code" or "text"
};

struct ProfileOptions {
    std::string strAction;        // show, save or load
    std::optional<int> nProfile;  // 1 or 2; show without one shows both
    bool bYes = false;
    std::vector<std::string> forced;  // load: items written although their value is unread
};

int RunScan();
// Every board in sight: BlueZ's paired serial devices and the port pattern's devices.
int RunBoards(bool bJson);
int RunInfo();
int RunMonitor(const MonitorOptions& options);
int RunSet(const SetOptions& options);
int RunPower(const PowerOptions& options);
int RunPoster(const PosterOptions& options);
int RunLock();
// The items that came into alarm, from the log every watch appends to.
int RunAlarms(bool bJson);
int RunProfile(const ProfileOptions& options);

struct ServeOptions {
    double dInterval = 10;                     // seconds between rounds of reads
    std::string strListen = "127.0.0.1:9810";  // HOST:PORT; port 0 takes a free one
    std::string strBoard;                      // the board label: --name, or the board named
};
// Keeps the board's link and serves its last readings to Prometheus until
// SIGINT or SIGTERM; writes nothing to the board.
int RunServe(const ServeOptions& options);

class CCtlSession;
// SIGINT and SIGTERM from now on end a long command at its next check.
void WatchForInterrupt();
bool Interrupted();
// Starts a new session until the board answers again, waiting 1 s, then
// twice as long each time up to 10 s. False when interrupted meanwhile.
bool ReconnectSession(std::unique_ptr<CCtlSession>& session);

// The power actions that switch something, by their command-line names.
std::vector<std::string> PowerActionNames();
// The old name of force-off, still taken but no longer shown.
inline constexpr const char* kOldForceOffName = "shutdown";

// A typed value is a plain decimal number: an optional sign, digits and at
// most one point, nothing else (no unit, no blanks).
bool IsPlainNumber(const std::string& strText);
