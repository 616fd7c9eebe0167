#pragma once

#include <functional>
#include <memory>
#include <stop_token>

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
