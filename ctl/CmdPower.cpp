#include "ctl/CmdPower.h"

#include <cstdio>
#include <map>
#include <optional>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"
#include "data/Utf.h"

namespace {

struct PowerAction {
    int nCode;
    const char* pszQuestion;
    const char* pszDone;
};

const std::map<std::string, PowerAction> kPowerActions = {
    {"on", {1, "Switch the PC on?", "the PC is switching on"}},
    {"off", {2, "Switch the PC off? Its system shuts down.", "the PC is switching off"}},
    {"force-off",
     {3, "Force the PC off? Unsaved work on it is lost.", "the PC is switching off at once"}},
    {"clear-cmos",
     {4, "Clear the PC's CMOS? Its BIOS settings return to their defaults.",
      "the CMOS settings are cleared"}},
    {"reset", {5, "Reset the PC? Unsaved work on it is lost.", "the PC is resetting"}},
};

}  // namespace

void JournalPowerAction(CCtlSession& session, const std::string& strAction, bool bAcknowledged) {
    JournalEntry entry = NewJournalEntry("tunevoctl", "power " + strAction, EJournalAction::Power);
    entry.strAddress = session.PortPath();
    if (session.Link().GetBoardVersion().empty()) {
        session.Link().LoadConfiguration();  // the last board's files name it
    }
    entry.strBoard = ToUtf8(session.Link().GetBoardVersion());
    entry.strPower = strAction;
    entry.bOk = bAcknowledged;
    AppendToJournal(entry);
}

int RunPower(const PowerOptions& options) {
    std::string strAction = options.strAction;
    const bool bYes = options.bYes;
    if (strAction == kOldForceOffName) {
        // Kept for one release: "shutdown" read too much like the normal "off".
        std::fprintf(stderr,
                     "tunevoctl: 'power shutdown' is now 'power force-off'; the old name "
                     "goes in the next release\n");
        strAction = "force-off";
    }
    if (strAction == "status") {
        CCtlSession session;
        if (const int nExit = session.Connect(); nExit != kExitOk) {
            return nExit;
        }
        const bool bOn = session.Link().QueryPowerStatus();
        if (!bOn && session.Reports().Count("OnLinkError") > 0) {
            return NoAnswer(session, "the power status");
        }
        std::printf("%s\n", bOn ? "on" : "off");
        return kExitOk;
    }
    const auto it = kPowerActions.find(strAction);
    if (it == kPowerActions.end()) {
        return Usage("unknown power action '" + strAction + "'");
    }
    const PowerAction& power = it->second;
    if (!bYes && !Confirm(power.pszQuestion)) {
        PrintError("cancelled; nothing was sent");
        return kExitDeclined;
    }
    CCtlSession session;
    if (const int nExit = session.Connect(); nExit != kExitOk) {
        return nExit;
    }
    session.Link().PowerAction(power.nCode);
    const std::optional<CRecordingListener::Report> done =
        session.Reports().Last("OnPowerCommandDone");
    JournalPowerAction(session, strAction, done && done->nFirst != 0);
    if (done && done->nFirst != 0) {
        std::printf("acknowledged: %s\n", power.pszDone);
        return kExitOk;
    }
    if (session.LinkLost()) {
        return kExitLinkLost;
    }
    if (done && done->nSecond == ILinkListener::kPowerRefused) {
        PrintError("refused: the board clears its CMOS only while the PC is off");
        return kExitRefused;
    }
    static const std::map<int, const char*> kUnconfirmed = {
        {ILinkListener::kPowerUnconfirmed, "the PC's state is unknown"},
        {ILinkListener::kPowerUnconfirmedNowOn, "the PC now reads as on"},
        {ILinkListener::kPowerUnconfirmedNowOff, "the PC now reads as off"}};
    if (const auto it = done ? kUnconfirmed.find(done->nSecond) : kUnconfirmed.end();
        it != kUnconfirmed.end()) {
        PrintError(std::string("the board did not confirm the action; it was sent once and not "
                               "again, and ") +
                   it->second);
        return kExitNoAnswer;
    }
    return NoAnswer(session, "the power action");
}

std::vector<std::string> PowerActionNames() {
    std::vector<std::string> names;
    for (const auto& [strName, action] : kPowerActions) {
        names.push_back(strName);
    }
    return names;
}
