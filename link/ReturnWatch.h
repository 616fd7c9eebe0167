#pragma once

#include <memory>
#include <string>

#include "platform/IReturnWatch.h"

// The watch for a lost board's way back, by the name of its port: its
// device node, its serial server over TCP ("tcp:HOST:PORT"), or BlueZ's
// word that a paired board ("AA:BB:CC:DD:EE:FF/2") connected. Nothing for a
// board that cannot be watched (a numbered port). A TCP server's name is
// looked up here, and the system bus asked, which may take a while.
std::unique_ptr<IReturnWatch> WatchForReturn(const std::string& strPort);
