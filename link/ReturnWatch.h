#pragma once

#include <memory>
#include <string>

#include "platform/IReturnWatch.h"

// The watch for a lost board's way back, by the name of its port: its
// device node, or its serial server over TCP ("tcp:HOST:PORT"). Nothing for
// a board that cannot be watched (a Bluetooth address, a numbered port).
// A TCP server's name is looked up here, which may take a while.
std::unique_ptr<IReturnWatch> WatchForReturn(const std::string& strPort);
