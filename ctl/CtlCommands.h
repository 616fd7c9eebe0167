#pragma once

#include <string>
#include <vector>

// The subcommands of tunevoctl. Each takes the arguments after its name and
// returns the program's exit code (ECtlExit), having printed its result to
// standard output and any error to standard error.
using CtlArguments = std::vector<std::string>;

int RunScan(const CtlArguments& args);
int RunInfo(const CtlArguments& args);
int RunMonitor(const CtlArguments& args);
int RunSet(const CtlArguments& args);
int RunPower(const CtlArguments& args);
int RunPoster(const CtlArguments& args);
int RunLock(const CtlArguments& args);

// A typed value is a plain decimal number: an optional sign, digits and at
// most one point, nothing else (no unit, no blanks).
bool IsPlainNumber(const std::string& strText);
