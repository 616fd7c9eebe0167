#include "ctl/CmdProfile.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"
#include "data/CProfileFile.h"
#include "data/TextCase.h"
#include "data/Utf.h"
#include "data/ValueText.h"
#include "link/ItemText.h"
#include "link/ProfileValues.h"
#include "link/Recording.h"

namespace {

// A value as the profile lists show it, with its unit; "--" for none.
std::string ProfileColumn(EBoardArray array, const std::optional<std::u16string>& text) {
    return text ? ToUtf8(ProfileShownText(array, *text)) : "--";
}

// Reads the profile file as this board may use it: one saved for another
// board version counts as none, and is said to be so.
void ReadProfileFile(CProfileFile& file, const std::u16string& boardVersion) {
    if (file.Load() && !file.LoadForBoard(boardVersion)) {
        CProfileFile stale(file.Path());
        stale.Load();
        const std::u16string version = stale.GetVersion();
        PrintError(
            file.Path() + " was saved " +
            (version.empty() ? "without a board version" : "for board version " + ToUtf8(version)) +
            ", not this board's " + ToUtf8(boardVersion) + "; its profiles do not apply");
    }
}

int ShowProfiles(CCtlSession& session, const CProfileFile& file, std::vector<int> profiles) {
    for (int nProfile : profiles) {
        if (!file.HasProfile(nProfile)) {
            std::printf("profile %d: nothing saved\n", nProfile);
            continue;
        }
        std::printf("profile %d\n  %-24s %-16s %s\n", nProfile, "NAME", "PROFILE", "BOARD");
        for (EBoardArray array : kProfileArrays) {
            for (const BoardItem& item : session.Link().GetArray(array)) {
                std::printf("  %-24s %-16s %s\n", ToUtf8(item.Name).c_str(),
                            ProfileColumn(array, file.GetValue(nProfile, item.Name)).c_str(),
                            ProfileColumn(array, ProfileTextOf(array, item)).c_str());
            }
        }
    }
    return kExitOk;
}

int SaveProfile(CCtlSession& session, CProfileFile& file, int nProfile) {
    // A profile with a value missing would load as a mix; nothing is saved.
    for (EBoardArray array : kProfileArrays) {
        for (const BoardItem& item : session.Link().GetArray(array)) {
            if (!WasReadNow(item)) {
                PrintError(ToUtf8(item.Name) +
                           ": the board did not answer its value; nothing was saved");
                return kExitNoAnswer;
            }
        }
    }
    StoreProfile(file, nProfile, session.Link());
    if (std::string strWhy; !file.Save(&strWhy)) {
        PrintError("cannot write " + file.Path() + ": " + strWhy + "; it stays as it was");
        return kExitFailure;
    }
    std::printf("saved profile %d to %s\n", nProfile, file.Path().c_str());
    for (EBoardArray array : kProfileArrays) {
        for (const BoardItem& item : session.Link().GetArray(array)) {
            std::printf("  %-24s %s\n", ToUtf8(item.Name).c_str(),
                        ProfileColumn(array, ProfileTextOf(array, item)).c_str());
        }
    }
    return kExitOk;
}

int LoadProfileToBoard(CCtlSession& session, const CProfileFile& file, int nProfile, bool bYes,
                       const std::vector<std::string>& forced) {
    if (!file.HasProfile(nProfile)) {
        PrintError("profile " + std::to_string(nProfile) +
                   " holds nothing for this board; nothing was sent");
        return kExitNoProfile;
    }
    auto isForced = [&forced](const std::u16string& name) {
        return std::ranges::any_of(forced, [&name](const std::string& strName) {
            return EqualsNoCase(FromUtf8(strName), name);
        });
    };
    std::map<EBoardArray, BoardItemArray> arrays = LoadProfile(file, nProfile, session.Link());
    std::vector<FoundItem> changed;
    // Items of the profile that will not be written and read back.
    size_t nLeft = 0;
    for (EBoardArray array : kProfileArrays) {
        BoardItemArray& items = arrays[array];
        const BoardItemArray current = session.Link().GetArray(array);
        for (size_t i = 0; i < items.size() && i < current.size(); ++i) {
            const std::string strName = ToUtf8(items[i].Name);
            const std::optional<std::u16string> stored = file.GetValue(nProfile, items[i].Name);
            const bool bRead = WasReadNow(current[i]);
            const std::string strNow =
                bRead ? ProfileColumn(array, ProfileTextOf(array, current[i])) : "UNREAD";
            if (!stored) {
                std::printf("  %-24s %s stays: not in the profile\n", strName.c_str(),
                            strNow.c_str());
                continue;
            }
            if (!bRead && !isForced(items[i].Name)) {
                // Its value now is not known: writing would be a guess.
                items[i].bUserSet = false;
                ++nLeft;
                std::printf(
                    "  %-24s %s not written: the board did not answer its value "
                    "(--force \"%s\" writes it)\n",
                    strName.c_str(), strNow.c_str(), strName.c_str());
                continue;
            }
            if (!ProfileRawValue(current[i], *stored)) {
                ++nLeft;
                std::printf("  %-24s %s stays: %s\n", strName.c_str(), strNow.c_str(),
                            StartsWithNumber(*stored) ? "the board did not say its range"
                                                      : "the profile holds no number");
                continue;
            }
            const std::u16string unlimited =
                ShownTextToRaw(*stored, items[i].Mul, items[i].Div, -kWToLLimit, kWToLLimit);
            const char* pszLimited = unlimited != items[i].Value ? " (limited to its range)" : "";
            if (!items[i].bUserSet) {
                std::printf("  %-24s %s unchanged%s\n", strName.c_str(), strNow.c_str(),
                            pszLimited);
                continue;
            }
            changed.push_back({array, i});
            std::printf("  %-24s %s -> %s%s\n", strName.c_str(), strNow.c_str(),
                        ProfileColumn(array, ProfileTextOf(array, items[i])).c_str(), pszLimited);
        }
    }
    const std::string strLeft = std::to_string(nLeft) + (nLeft == 1 ? " item" : " items") +
                                " of profile " + std::to_string(nProfile) + " could not be loaded";
    if (changed.empty()) {
        if (nLeft > 0) {
            PrintError(strLeft + "; nothing was sent");
            return kExitNoAnswer;
        }
        std::printf("the board already holds profile %d\n", nProfile);
        return kExitOk;
    }
    std::fflush(stdout);
    const std::string strCount =
        changed.size() == 1 ? "1 value changes" : std::to_string(changed.size()) + " values change";
    if (!bYes && !Confirm("Apply profile " + std::to_string(nProfile) + " to the board (" +
                          strCount + ")?")) {
        PrintError("cancelled; nothing was sent");
        return kExitDeclined;
    }
    const int nExit = WriteAndReadBack(session, arrays, changed,
                                       {"profile load " + std::to_string(nProfile), EJournalAction::Apply, {}});
    if (nLeft > 0) {
        PrintError(strLeft);
        return nExit == kExitOk ? kExitNoAnswer : nExit;
    }
    return nExit;
}

}  // namespace

int RunProfile(const ProfileOptions& options) {
    // Only a load writes to the board: it needs the board's description whole.
    std::unique_ptr<CCtlSession> pSession;
    const int nExit = options.strAction == "load"
                          ? LoadForWriting(pSession)
                          : (pSession = std::make_unique<CCtlSession>())->Load();
    if (nExit != kExitOk) {
        return nExit;
    }
    CCtlSession& session = *pSession;
    CProfileFile file;
    if (options.strAction == "save") {
        // Another board's profiles are kept under a name of their own, not overwritten.
        if (const std::optional<std::string> aside =
                CProfileFile::MoveAsideIfStale(file.Path(), session.Link().GetBoardVersion())) {
            PrintError(file.Path() + " held another board's profiles; they were moved to " +
                       *aside);
        }
    }
    ReadProfileFile(file, session.Link().GetBoardVersion());
    if (options.strAction == "show") {
        return ShowProfiles(session, file,
                            options.nProfile ? std::vector<int>{*options.nProfile}
                                             : std::vector<int>{CProfileFile::kFirstProfile,
                                                                CProfileFile::kLastProfile});
    }
    const int nProfile = options.nProfile.value_or(0);
    if (nProfile < CProfileFile::kFirstProfile || nProfile > CProfileFile::kLastProfile) {
        return Usage("profile " + options.strAction + " needs the profile, 1 or 2");
    }
    if (options.strAction == "save") {
        return SaveProfile(session, file, nProfile);
    }
    return LoadProfileToBoard(session, file, nProfile, options.bYes, options.forced);
}
