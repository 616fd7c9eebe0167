#include "tests/support/CtlRun.h"

#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/TempDir.h"

CtlResult RunCtl(const std::string& strProgram, const CtlPlaces& places, const TempDir& scratch,
                 const std::string& strArguments, const std::string& strInput,
                 const std::string& strInputCommand) {
    const std::string strIn = scratch.WriteFile("ctl-in.txt", strInput);
    const std::string strOut = scratch.Path() + "/ctl-out.txt";
    const std::string strErr = scratch.Path() + "/ctl-err.txt";
    const std::string strInputFrom = strInputCommand.empty() ? " <'" + strIn + "'" : "";
    const std::string strCommand =
        (strInputCommand.empty() ? "" : strInputCommand + " | ") + "env TUNEVO_PORT_PATTERN='" + places.strPortPattern + "' TUNEVO_DIR='" +
        places.strProgramDir + "' TUNEVO_RFKILL_DIR='" + places.strRfkillDir + "' '" + strProgram +
        "' " + strArguments + strInputFrom + " >'" + strOut + "' 2>'" + strErr + "'";
    const int nStatus = std::system(strCommand.c_str());
    return {WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1, scratch.ReadFile("ctl-out.txt"),
            scratch.ReadFile("ctl-err.txt")};
}
