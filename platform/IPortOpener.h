#pragma once

#include <memory>

#include "platform/ISerialPort.h"

// Opens numbered ports the way the board's receiver is searched for (0 to 8).
class IPortOpener {
public:
    virtual ~IPortOpener() = default;

    // Opens port n set up for the board (57600 8N1, raw, non-blocking reads,
    // output queue flushed); nullptr when it does not exist or cannot be had,
    // with bHeld set when that is because another program holds it.
    virtual std::unique_ptr<ISerialPort> Open(int nPort, bool& bHeld) = 0;
};
