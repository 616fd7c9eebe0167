#include "ctl/CmdPoster.h"

#include <cstdio>
#include <map>

#include "ctl/CCtlSession.h"
#include "ctl/CtlShared.h"

namespace {

// The poster read is one exchange; a few more cover a noisy line.
constexpr int kPosterReadTries = 6;

}  // namespace

int RunPoster(const PosterOptions& options) {
    std::optional<int> nMode;
    if (options.mode) {
        nMode = *options.mode == "code" ? 1 : 0;
    }
    CCtlSession session;
    if (const int nExit = session.Connect(); nExit != kExitOk) {
        return nExit;
    }
    // The texts come from the message file; the last board's file is enough.
    session.Link().LoadConfiguration();
    if (nMode) {
        session.Link().SetMessageMode(*nMode);
        const auto done = session.Reports().Last("OnMessageModeDone");
        if (!done || done->nFirst == 0) {
            return NoAnswer(session, "the mode change");
        }
    }
    for (int nTry = 0;
         nTry < kPosterReadTries && session.Link().PosterMode() == CDeviceLink::kStateUnknown;
         ++nTry) {
        session.Link().PollPosterCode();
    }
    if (session.Link().PosterMode() == CDeviceLink::kStateUnknown) {
        return NoAnswer(session, "the poster read");
    }
    const size_t nBefore = session.Reports().Count("OnPosterText");
    session.Link().NotifyPoster();
    const int nCode = session.Link().PosterCode();
    const int nShownMode = session.Link().PosterMode();
    static const std::map<int, const char*> kModeNames = {{0, "text"}, {1, "code"}, {2, "message"}};
    const auto mode = kModeNames.find(nShownMode);
    std::printf("code %04X\nmode %s\n", static_cast<unsigned>(nCode),
                mode != kModeNames.end() ? mode->second : std::to_string(nShownMode).c_str());
    if (nShownMode != 1) {
        const auto text = session.Reports().Last("OnPosterText");
        const bool bNew = session.Reports().Count("OnPosterText") > nBefore;
        std::printf("text %s\n", bNew && text ? text->strText.c_str() : "(none for this code)");
    }
    return kExitOk;
}
