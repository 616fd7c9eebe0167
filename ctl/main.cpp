// tunevoctl: the board's commands from a terminal or a script, through the
// same link object the program uses.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/CCtlSession.h"
#include "ctl/CtlCommands.h"
#include "data/IniPaths.h"

namespace {

struct Command {
    std::string_view name;
    int (*pRun)(const CtlArguments&);
    const char* pszSummary;
    const char* pszHelp;
};

const Command kCommands[] = {
    {"scan", RunScan, "find the port the board answers on",
     "Usage: tunevoctl scan\n"
     "\n"
     "Searches ports 0 to 8 of the port pattern for the board's receiver and\n"
     "prints the first that answers.\n"},
    {"info", RunInfo, "board version and every item with its range and value",
     "Usage: tunevoctl info\n"
     "\n"
     "Downloads the board's configuration into Tunevo's folder, reads every item,\n"
     "and prints the board's version and, per section, each item's name, raw\n"
     "value, raw range and shown value with its unit. Monitored values at their\n"
     "alarm are marked ALARM; values the board did not answer are marked UNREAD,\n"
     "and the command then exits with 9.\n"},
    {"monitor", RunMonitor, "monitored values, once or repeatedly",
     "Usage: tunevoctl monitor [--interval SECONDS] [--count N] [--json]\n"
     "\n"
     "Reads the voltages, temperatures, fans and frequencies and prints them.\n"
     "  --interval S  read again every S seconds (default 2 with --count), until\n"
     "                --count samples are printed or Ctrl+C is pressed\n"
     "  --count N     print N samples\n"
     "  --json        one JSON object per sample and line: time, sample,\n"
     "                duration_ms and items (array, name, read, raw, shown, unit,\n"
     "                alarm); an item the board did not answer has read false and\n"
     "                raw and shown null. In text it shows \"--\" and UNREAD.\n"
     "Exits with 9 when any sample lacks a value.\n"},
    {"set", RunSet, "change over-clock items and apply them",
     "Usage: tunevoctl set [--clamp] NAME=VALUE [NAME=VALUE ...]\n"
     "\n"
     "Sets over-clock items (names as tunevoctl info shows them, any case) to\n"
     "values in their shown unit, without the unit: CPU Vcore=1.3 sets 1.3 [V].\n"
     "Only the items named are written; each is printed with whether the board\n"
     "acknowledged it, then read back. A value outside the item's range is\n"
     "refused (exit 11) and nothing is sent.\n"
     "  --clamp   limit such a value to the range instead, as the - and +\n"
     "            buttons do, with a note\n"},
    {"power", RunPower, "power status, or switch on, off, shutdown, reset, clear-cmos",
     "Usage: tunevoctl power status\n"
     "       tunevoctl power on|off|shutdown|reset|clear-cmos [--yes]\n"
     "\n"
     "status prints on or off. The actions ask for confirmation on standard\n"
     "input unless --yes is given; the board acknowledges at once and acts a\n"
     "moment later. clear-cmos is refused while the PC is on.\n"},
    {"poster", RunPoster, "the board's POST-code display",
     "Usage: tunevoctl poster [--mode code|text]\n"
     "\n"
     "Prints the poster's code (four hexadecimal digits), its mode and, in a\n"
     "text mode, the text the message file gives for the code.\n"
     "  --mode code   switch the poster to show the code first\n"
     "  --mode text   switch it to show the text first\n"},
    {"lock", RunLock, "whether the board's lock is closed",
     "Usage: tunevoctl lock\n"
     "\n"
     "Prints locked or unlocked.\n"},
};

void PrintUsage(std::FILE* pOut) {
    std::fputs(
        "Usage: tunevoctl COMMAND [OPTIONS]\n"
        "       tunevoctl help [COMMAND]\n"
        "\n"
        "Commands:\n",
        pOut);
    for (const Command& command : kCommands) {
        std::fprintf(pOut, "  %-8s %s\n", std::string(command.name).c_str(), command.pszSummary);
    }
    std::fputs(
        "\n"
        "The board is searched on TUNEVO_PORT_PATTERN (default /dev/rfcomm%d);\n"
        "files live in TUNEVO_DIR (default: the program's folder).\n"
        "\n"
        "Exit codes: 0 done, 1 other failure, 2 bad command line, 3 no board found,\n"
        "4 Bluetooth radio off, 5 link lost, 6 unknown item, 7 value not a number,\n"
        "8 refused by the board, 9 the board did not acknowledge or answer,\n"
        "10 not confirmed, 11 value outside the item's range.\n",
        pOut);
}

const Command* FindCommand(std::string_view name) {
    for (const Command& command : kCommands) {
        if (command.name == name) {
            return &command;
        }
    }
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    if (args[0] == "--version") {
        std::puts("tunevoctl " TUNEVO_VERSION);
        return kExitOk;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        if (args.size() > 1) {
            if (const Command* pCommand = FindCommand(args[1])) {
                std::fputs(pCommand->pszHelp, stdout);
                return kExitOk;
            }
            PrintError("unknown command '" + args[1] + "'");
            return kExitUsage;
        }
        PrintUsage(stdout);
        return kExitOk;
    }
    const Command* pCommand = FindCommand(args[0]);
    if (pCommand == nullptr) {
        PrintError("unknown command '" + args[0] + "'\n");
        PrintUsage(stderr);
        return kExitUsage;
    }
    const CtlArguments rest(args.begin() + 1, args.end());
    for (const std::string& strArg : rest) {
        if (strArg == "--help" || strArg == "-h") {
            std::fputs(pCommand->pszHelp, stdout);
            return kExitOk;
        }
    }
    std::string strError;
    if (!UseProgramFolders(strError)) {
        PrintError(strError);
        return kExitFailure;
    }
    return pCommand->pRun(rest);
}
