// tunevoctl: the board's commands from a terminal or a script, through the
// same link object the program uses. The command line is parsed with CLI11;
// the help comes from the definitions below.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "ctl/CCtlProgress.h"
#include "ctl/CCtlSession.h"
#include "ctl/CmdAlarms.h"
#include "ctl/CmdBoards.h"
#include "ctl/CmdBootWatch.h"
#include "ctl/CmdInfo.h"
#include "ctl/CmdJournal.h"
#include "ctl/CmdLock.h"
#include "ctl/CmdMonitor.h"
#include "ctl/CmdPoster.h"
#include "ctl/CmdPower.h"
#include "ctl/CmdProfile.h"
#include "ctl/CmdScan.h"
#include "ctl/CmdServe.h"
#include "ctl/CmdSet.h"
#include "ctl/CmdUndo.h"
#include "ctl/CtlShared.h"
#include "data/IniPaths.h"

namespace {

constexpr const char* kFooter =
    "Without --board (or TUNEVO_BOARD) the board is searched on\n"
    "TUNEVO_PORT_PATTERN (default /dev/rfcomm%d); files live in Tunevo's\n"
    "folder (TUNEVO_DIR, see tunevo(1)).\n"
    "\n"
    "Exit codes: 0 done, 1 other failure, 2 bad command line, 3 no board found,\n"
    "4 Bluetooth radio off, 5 link lost, 6 unknown item, 7 value not a number,\n"
    "8 refused by the board, 9 the board did not acknowledge or answer,\n"
    "10 not confirmed, 11 value outside the item's range, 12 no such profile\n"
    "for this board, 13 nothing written: the board's description did not come\n"
    "whole, 14 the PC's start-up stalled and was not brought back, 15 nothing\n"
    "to undo, 16 the change was not kept and its values were written back.";

// "Usage:" first, as every command's help begins, then what the command does.
class CUsageFirstFormatter final : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* pApp, std::string strName,
                          CLI::AppFormatMode mode) const override {
        if (mode == CLI::AppFormatMode::Sub) {
            return make_expanded(pApp);
        }
        std::string strHelp = make_usage(pApp, strName);
        if (!pApp->get_description().empty()) {
            strHelp += "\n" + make_description(pApp);
        }
        strHelp += make_positionals(pApp) + make_groups(pApp, mode) + make_subcommands(pApp, mode);
        return strHelp + "\n" + make_footer(pApp);
    }
};

// A number of seconds: plain decimal digits above 0, as values are typed.
const CLI::Validator kPositiveSeconds(
    [](const std::string& strText) {
        return IsPlainNumber(strText) && std::stod(strText) > 0
                   ? std::string()
                   : std::string("takes a number of seconds above 0");
    },
    "SECONDS");

// A whole number of seconds from 1 to nMost; the text given is not echoed,
// as it may be any length.
CLI::Validator WholeSeconds(int nMost) {
    return CLI::Validator(
        [nMost](const std::string& strText) {
            const bool bDigits = !strText.empty() && strText.size() <= 9 &&
                                 strText.find_first_not_of("0123456789") == std::string::npos;
            return bDigits && std::stoi(strText) >= 1 && std::stoi(strText) <= nMost
                       ? std::string()
                       : "takes a whole number of seconds from 1 to " + std::to_string(nMost);
        },
        "SECONDS");
}

// A POST code in hexadecimal, 00 to FFFF.
const CLI::Validator kHexCode(
    [](const std::string& strText) {
        return !strText.empty() && strText.size() <= 4 &&
                       strText.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos
                   ? std::string()
                   : std::string("takes a POST code in hexadecimal, 00 to FFFF");
    },
    "HEX");

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Runs the board's commands from a terminal or a script.", "tunevoctl");
    app.formatter(std::make_shared<CUsageFirstFormatter>());
    app.footer(kFooter);
    app.set_version_flag("--version", "tunevoctl " TUNEVO_VERSION);
    app.require_subcommand(0, 1);
    // --quiet may follow the command, as scripts tend to write it.
    app.fallthrough();
    std::function<int()> run;
    bool bQuiet = false;
    std::string strBoard;
    app.add_option("--board", strBoard,
                   "the board to use: a Bluetooth address (AA:BB:CC:DD:EE:FF, /N for channel "
                   "N), tcp:HOST:PORT for a serial server, or a device such as /dev/rfcomm0")
        ->envname(kBoardVariable);
    std::string strTiming = "fast";
    app.add_option("--link-timing", strTiming,
                   "fast: read each reply as soon as it is whole; fixed: wait 100 ms for each")
        ->envname(kLinkTimingVariable)
        ->check(CLI::IsMember({"fast", "fixed"}));
    app.add_flag("--quiet,-q", bQuiet,
                 "no progress line on standard error (shown only on a terminal anyway)");

    CLI::App* pBoards =
        app.add_subcommand("boards", "list the boards in sight and whether each answers");
    bool bBoardsJson = false;
    pBoards->add_flag("--json", bBoardsJson, "one JSON array instead of the table");
    pBoards->footer(
        "Lists the Bluetooth devices BlueZ knows that offer the Serial Port profile\n"
        "(paired first; name them with --board ADDRESS) and the serial devices of the\n"
        "port pattern, and whether each answered the board's open frame. Without a\n"
        "system bus or BlueZ the devices alone are listed, with a note.");
    pBoards->callback([&] { run = [&] { return RunBoards(bBoardsJson); }; });

    CLI::App* pScan = app.add_subcommand("scan", "find the port the board answers on");
    pScan->footer(
        "Searches ports 0 to 8 of the port pattern for the board's receiver and\n"
        "prints the first that answers.");
    pScan->callback([&] { run = RunScan; });

    CLI::App* pInfo =
        app.add_subcommand("info", "board version and every item with its range and value");
    pInfo->footer(
        "Downloads the board's configuration into Tunevo's folder, reads every item,\n"
        "and prints the board's version and, per section, each item's name, raw\n"
        "value, raw range and shown value with its unit. Monitored values at their\n"
        "alarm are marked ALARM; values the board did not answer are marked UNREAD,\n"
        "and the command then exits with 9.");
    pInfo->callback([&] { run = RunInfo; });

    MonitorOptions monitor;
    CLI::App* pMonitor = app.add_subcommand("monitor", "monitored values, once or repeatedly");
    pMonitor->add_option("--interval", monitor.dInterval, "read again every S seconds")
        ->check(kPositiveSeconds);
    pMonitor->add_option("--count", monitor.nCount, "print N samples")->check(CLI::PositiveNumber);
    pMonitor->add_flag("--json", monitor.bJson, "one JSON object per sample and line");
    pMonitor
        ->add_flag("--csv", monitor.bCsv,
                   "one CSV line per value read: time, item, category, value, unit, alarm")
        ->excludes("--json");
    pMonitor->add_option("--output", monitor.strOutput,
                         "write the samples to this new file instead of standard output");
    pMonitor->add_flag("--reconnect", monitor.bReconnect,
                       "when the board goes away, try again (every 1 s, growing to 10 s) "
                       "instead of ending");
    pMonitor->footer(
        "Reads the voltages, temperatures, fans and frequencies and prints them,\n"
        "once, or every --interval seconds (2 with only --count) until --count\n"
        "samples are printed or Ctrl+C is pressed. A JSON sample holds time,\n"
        "sample, duration_ms and items (array, name, read, raw, shown, unit,\n"
        "alarm). An item the board did not answer shows \"--\" and UNREAD in\n"
        "text, and read false with raw and shown null in JSON. Exits with 9 when\n"
        "any sample lacks a value. With --reconnect a board that goes away (or is\n"
        "not there at the start) is tried again, and the samples go on once it\n"
        "answers; without it a lost link ends the command with 5. --csv writes a\n"
        "header line, then one line per value read (time in ISO 8601 with its\n"
        "offset, item, category, value as shown, unit, alarm 1 or 0); --output\n"
        "writes to a new file, line by line. Every item coming into alarm is also\n"
        "appended to the alarm log (tunevoctl alarms).");
    pMonitor->callback([&] { run = [&] { return RunMonitor(monitor); }; });

    SetOptions set;
    CLI::App* pSet = app.add_subcommand("set", "change over-clock items and apply them");
    pSet->add_flag("--clamp", set.bClamp, "limit a value outside its range to the range");
    pSet->add_flag("--round", set.bRound, "take the nearer step for a value between two steps");
    pSet->add_option("NAME=VALUE", set.assignments, "an item and its value in the shown unit")
        ->required();
    pSet->footer(
        "Sets over-clock items (names as tunevoctl info shows them, any case) to\n"
        "values in their shown unit, without the unit: CPU Vcore=1.3 sets 1.3 [V].\n"
        "Only the items named are written; each is printed with whether the board\n"
        "acknowledged it, then read back. A value outside the item's range is\n"
        "refused (exit 11) and nothing is sent, unless --clamp limits it to the\n"
        "range as the - and + buttons do, with a note. So is a value between two of\n"
        "the item's steps (the two nearest are named), unless --round takes the\n"
        "nearer one, with a note, and a value the item's setting cannot carry\n"
        "(a one-byte item above raw 255). With --confirm SECONDS it then asks on\n"
        "standard input whether to keep the values: anything but y, the end of\n"
        "input, Ctrl+C or the end of the countdown writes back the values before\n"
        "(exit 16). Every write is kept in the journal (tunevoctl journal).");
    pSet->add_option("--confirm", set.nConfirmSeconds,
                     "ask to keep the values, writing back the ones before after SECONDS")
        ->check(WholeSeconds(kMostConfirmSeconds));
    pSet->callback([&] { run = [&] { return RunSet(set); }; });

    PowerOptions power;
    std::vector<std::string> actions = PowerActionNames();
    actions.insert(actions.begin(), "status");
    const std::string kShownActions = "status, on, off, force-off, reset, clear-cmos";
    CLI::App* pPower = app.add_subcommand(
        "power", "power status, or switch on, off, force-off, reset, clear-cmos");
    pPower
        ->add_option("ACTION", power.strAction,
                     "status, on, off (the system shuts down), force-off, reset or clear-cmos")
        ->required()
        ->check(CLI::Validator(
            [actions, kShownActions](std::string& strAction) {
                // The old name is taken without being offered.
                return std::find(actions.begin(), actions.end(), strAction) != actions.end() ||
                               strAction == kOldForceOffName
                           ? std::string()
                           : "'" + strAction + "' is not one of " + kShownActions;
            },
            kShownActions));
    pPower->add_flag("--yes,-y", power.bYes, "do not ask for confirmation");
    pPower->footer(
        "status prints on or off. The actions ask for confirmation on standard\n"
        "input unless --yes is given; the board acknowledges at once and acts a\n"
        "moment later. clear-cmos is refused while the PC is on.");
    pPower->callback([&] { run = [&] { return RunPower(power); }; });

    JournalOptions journal;
    CLI::App* pJournal =
        app.add_subcommand("journal", "what was written to the board and done to its PC");
    pJournal->add_flag("--json", journal.bJson, "each entry as its JSON line");
    pJournal->add_option("--last", journal.nLast, "this many entries, newest first (0: all)")
        ->capture_default_str();
    pJournal->footer(
        "Shows journal.jsonl in Tunevo's folder, newest first: each write with its\n"
        "items' values before and asked, those the board did not acknowledge or\n"
        "held otherwise, power actions and start-ups seen to finish.");
    pJournal->callback([&] { run = [&] { return RunJournal(journal); }; });

    UndoOptions undo;
    CLI::App* pUndo =
        app.add_subcommand("undo", "write back the values the last write to this board replaced");
    pUndo->add_flag("--yes,-y", undo.bYes, "do not ask for confirmation");
    pUndo->add_flag("--overwrite-changed", undo.bWithChangedSince,
                    "write back values changed since that write as well");
    pUndo->footer(
        "Finds the last write to this board in the journal that changed a value,\n"
        "lists its items (now -> before) and writes the values before back after a\n"
        "confirmation. A value changed since that write is listed and left alone\n"
        "unless you say yes to it (or give --overwrite-changed). An undo is itself\n"
        "a write: undo again to undo it. Exit 15 when there is nothing to undo.");
    pUndo->callback([&] { run = [&] { return RunUndo(undo); }; });

    BootWatchOptions bootWatch;
    std::string strReadyCode = "00";
    CLI::App* pBootWatch = app.add_subcommand(
        "boot-watch", "follow the PC's start-up; with --recover bring back a stalled one");
    pBootWatch->add_option("--stuck", bootWatch.nStuckSeconds,
                           "one code standing this long is a stall")
        ->check(WholeSeconds(3600))
        ->capture_default_str();
    pBootWatch->add_option("--ready", strReadyCode, "the code of a finished start-up")
        ->check(kHexCode)
        ->capture_default_str();
    pBootWatch->add_flag("--recover", bootWatch.bRecover,
                         "on a stall, write back the values before the last write and reset once");
    pBootWatch->add_flag("--json", bootWatch.bJson, "a summary object on standard output");
    pBootWatch->footer(
        "Reads the POST code until the PC reaches the ready code (exit 0) or one\n"
        "code stands for --stuck seconds (exit 14). With --recover a stall writes\n"
        "back the values from before the last write to this board since its last\n"
        "good start-up, as the journal holds them, resets the PC once and watches\n"
        "again; it never clears CMOS and never resets twice. Run it after a reset\n"
        "or power-on.");
    pBootWatch->callback([&] {
        bootWatch.nReadyCode = std::stoi(strReadyCode, nullptr, 16);
        run = [&] { return RunBootWatch(bootWatch); };
    });

    PosterOptions poster;
    CLI::App* pPoster = app.add_subcommand("poster", "the board's POST-code display");
    pPoster->add_option("--mode", poster.mode, "switch the poster to show the code or the text")
        ->check(CLI::IsMember({"code", "text"}));
    pPoster->footer(
        "Prints the poster's code (four hexadecimal digits), its mode and, in a\n"
        "text mode, the text the message file gives for the code.");
    pPoster->callback([&] { run = [&] { return RunPoster(poster); }; });

    bool bAlarmsJson = false;
    CLI::App* pAlarms =
        app.add_subcommand("alarms", "the items that came into alarm, oldest first");
    pAlarms->add_flag("--json", bAlarmsJson, "one JSON array instead of the table");
    pAlarms->footer(
        "Lists the log that every watch of the board appends to when an item comes\n"
        "into alarm, the window's and tunevoctl monitor's alike: time, board\n"
        "version, item, value and unit. Needs no board.");
    pAlarms->callback([&] { run = [&] { return RunAlarms(bAlarmsJson); }; });

    ServeOptions serve;
    std::string strName;
    CLI::App* pServe =
        app.add_subcommand("serve", "serve the board's readings to Prometheus, until stopped");
    // Finite numbers in a range only; the message never repeats what was given.
    const auto within = [](double dLeast, double dMost, std::string strWhat) {
        return CLI::Validator(
            [=](const std::string& strValue) {
                char* pszEnd = nullptr;
                const double dValue = std::strtod(strValue.c_str(), &pszEnd);
                const bool bOk = !strValue.empty() && *pszEnd == '\0' && std::isfinite(dValue) &&
                                 dValue >= dLeast && dValue <= dMost;
                return bOk ? std::string() : strWhat;
            },
            "");
    };
    pServe->add_option("--interval", serve.dInterval, "seconds between rounds of reads (10)")
        ->check(within(0.1, 86400, "takes seconds from 0.1 to 86400"));
    pServe->add_option("--listen", serve.strListen,
                       "HOST:PORT, [IPV6]:PORT, or :PORT for every interface, to serve on "
                       "(127.0.0.1:9810); port 0 takes a free one, a port alone means this "
                       "machine only");
    pServe->add_option("--config", serve.strConfig,
                       "a YAML file of boards (name, address, interval, labels) to serve "
                       "together; SIGHUP reads it again");
    pServe->add_option("--web.config.file", serve.strWebConfig,
                       "users and bcrypt hashes every request must authenticate as "
                       "(basic_auth_users, as Prometheus' exporters read it)");
    pServe->add_option("--web.max-connections", serve.nConnections,
                       "connections served at once; more wait their turn (16)")
        ->check(within(1, 256, "takes a whole number from 1 to 256"));
    pServe->add_option("--web.request-timeout", serve.dRequestTimeout,
                       "seconds a client has to send its request before it is dropped (5)")
        ->check(within(0.1, 60, "takes seconds from 0.1 to 60"));
    pServe->add_option("--name", strName,
                       "the board label of every metric (the --board given, or \"local\")");
    pServe->footer(
        "Keeps the board's link and reads, every interval, its lock, then (while it is\n"
        "unlocked) every monitored and over-clock value, its power state and POST code,\n"
        "and serves the last readings on http://HOST:PORT/metrics in Prometheus' text\n"
        "format, each value with its age. A scrape never waits for the board. A lost\n"
        "link is tried again, as the window does, with tunevo_up 0 meanwhile. Nothing\n"
        "is written to the board. SIGINT or SIGTERM ends it. With --config, every\n"
        "board of the file is read on a thread of its own, its series labelled by\n"
        "its name; SIGHUP reads the file again, starting and stopping boards.");
    pServe->callback([&] {
        if (!serve.strConfig.empty() && (!strBoard.empty() || !strName.empty())) {
            throw CLI::ValidationError("--config", "names the boards itself; leave out --board and --name");
        }
        serve.strBoard = !strName.empty() ? strName : !strBoard.empty() ? strBoard : "local";
        run = [&] { return RunServe(serve); };
    });

    CLI::App* pLock = app.add_subcommand("lock", "whether the board's lock is closed");
    pLock->footer("Prints locked or unlocked.");
    pLock->callback([&] { run = RunLock; });

    ProfileOptions profile;
    CLI::App* pProfile =
        app.add_subcommand("profile", "show, save or load the two over-clock profiles");
    pProfile->require_subcommand(1);
    pProfile->footer(
        "The profiles live in saved_profile1.ini in Tunevo's folder, the file Tunevo's\n"
        "Save Profile and Load Profile screens use, so a profile saved on one side\n"
        "loads on the other. A file saved for another board version counts as empty.");
    const auto addProfileCommand = [&](const char* pszName, const char* pszWhat) {
        CLI::App* pCommand = pProfile->add_subcommand(pszName, pszWhat);
        pCommand->callback([&, pszName] {
            profile.strAction = pszName;
            run = [&] { return RunProfile(profile); };
        });
        return pCommand;
    };
    CLI::App* pShow =
        addProfileCommand("show", "each item's value in a profile beside the board's current one");
    pShow->add_option("N", profile.nProfile, "1 or 2; both when left out")->check(CLI::Range(1, 2));
    CLI::App* pSave = addProfileCommand("save", "store the board's over-clock values in a profile");
    pSave->add_option("N", profile.nProfile, "1 or 2")->required()->check(CLI::Range(1, 2));
    pSave->footer(
        "Reads the board's over-clock values and stores them in profile N, as the\n"
        "Save Profile screen does; the other profile stays. Nothing is saved when\n"
        "the board does not answer every value (exit 9).");
    CLI::App* pLoad = addProfileCommand("load", "apply a profile's values to the board");
    pLoad->add_option("N", profile.nProfile, "1 or 2")->required()->check(CLI::Range(1, 2));
    pLoad->add_flag("--yes,-y", profile.bYes, "do not ask for confirmation");
    pLoad->add_option("--force", profile.forced,
                      "write this item although the board did not answer its current value "
                      "(may be given more than once)");
    pLoad->footer(
        "Prints each item's current value and the profile's, limited to the item's\n"
        "range, asks for confirmation on standard input unless --yes is given,\n"
        "writes the values that change and reads them back. An item the profile\n"
        "holds no number for keeps its value. An item whose current value the board\n"
        "did not answer is marked UNREAD and not written unless named with --force.\n"
        "Exit 9 when any item of the profile was not written and read back, 12\n"
        "when the profile is empty, or the file was saved for another board version.");

    std::string strHelpFor;
    CLI::App* pHelp = app.add_subcommand("help", "this text, or a command's");
    pHelp->add_option("COMMAND", strHelpFor, "the command to explain");

    if (argc < 2) {
        std::fputs(app.help().c_str(), stderr);
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return kExitOk;
    } catch (const CLI::CallForVersion& version) {
        std::puts(version.what());
        return kExitOk;
    } catch (const CLI::ExtrasError& error) {
        // A first word that is no command: name it, rather than CLI11's list of extras.
        const std::vector<std::string> extras = app.remaining();
        PrintError(extras.empty() || app.get_subcommands().size() > 0
                       ? std::string(error.what()) + " (see tunevoctl --help)"
                       : "unknown command '" + extras.front() + "' (see tunevoctl --help)");
        return kExitUsage;
    } catch (const CLI::ParseError& error) {
        PrintError(std::string(error.what()) + " (see tunevoctl --help)");
        return kExitUsage;
    }
    if (pHelp->parsed() || !run) {
        if (strHelpFor.empty()) {
            std::fputs(app.help().c_str(), stdout);
            return kExitOk;
        }
        try {
            std::fputs(app.get_subcommand(strHelpFor)->help("tunevoctl").c_str(), stdout);
        } catch (const CLI::OptionNotFound&) {
            PrintError("unknown command '" + strHelpFor + "'");
            return kExitUsage;
        }
        return kExitOk;
    }
    CCtlProgress::Instance().Enable(!bQuiet);
    std::string strError;
    if (!strBoard.empty()) {
        std::optional<BoardAddress> address = ParseBoardAddress(strBoard, strError);
        if (!address) {
            PrintError(strError);
            return kExitUsage;
        }
        CCtlSession::UseBoard(std::move(address));
    }
    CCtlSession::UseTiming(ParseLinkTiming(strTiming).value_or(ELinkTiming::Fast));
    if (!UseProgramFolders(strError)) {
        PrintError(strError);
        return kExitFailure;
    }
    return run();
}
