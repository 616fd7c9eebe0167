#pragma once

#include <string>

class TempDir;

struct CtlResult {
    int nExit = -1;
    std::string strOut;
    std::string strErr;
};

// Where a tunevoctl run finds the board and keeps its files.
struct CtlPlaces {
    std::string strPortPattern;  // TUNEVO_PORT_PATTERN
    std::string strProgramDir;   // TUNEVO_DIR
    std::string strRfkillDir;    // TUNEVO_RFKILL_DIR
};

// Runs tunevoctl with the (shell-quoted) arguments and standard input; its
// input and output pass through files in the scratch folder. With an input
// command, standard input is that command's output through a pipe instead,
// open until the command ends (sleep 5: five seconds of silence).
CtlResult RunCtl(const std::string& strProgram, const CtlPlaces& places, const TempDir& scratch,
                 const std::string& strArguments, const std::string& strInput = "",
                 const std::string& strInputCommand = "");
