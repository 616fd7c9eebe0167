#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

#include "link/Transact.h"
#include "platform/IClock.h"
#include "platform/IPortOpener.h"
#include "platform/IRadio.h"

// Finds the board's receiver on ports 0 to 8: the first port that answers the
// open frame with a checked reply is returned, open; each port is asked up to
// three times. Nothing is opened while the radio reports off. Blocks for up
// to 27 exchanges; runs on the
// port-search thread. bHeldSeen tells whether some port was held by another
// program, which may be why no board answered. onPort, if set, is told each
// port number before it is tried.
std::unique_ptr<ISerialPort> FindBoardPort(IRadio& radio, IPortOpener& opener, IClock& clock,
                                           std::stop_token stop, bool& bHeldSeen,
                                           const std::function<void(int)>& onPort = {});

// A port that answered, open.
struct FoundBoard {
    int nPort = 0;
    std::unique_ptr<ISerialPort> pPort;
};
// Which ports a search asks and when it ends.
struct SearchPlan {
    // Every port that answers, in order, rather than the first alone.
    bool bAll = false;
    // A port that ends the search with itself alone when it answers.
    std::optional<int> nSettles;
    // The only port asked.
    std::optional<int> nOnly;
    ELinkTiming timing = ELinkTiming::Fixed;
};
// As FindBoardPort, by the plan; the opener is not told which port answered.
std::vector<FoundBoard> FindBoardPorts(IRadio& radio, IPortOpener& opener, IClock& clock,
                                       std::stop_token stop, bool& bHeldSeen,
                                       const std::function<void(int)>& onPort,
                                       const SearchPlan& plan);
