#pragma once

#include <vector>

#include "data/MonitorLog.h"
#include "link/BoardItem.h"

// Whether the array's last read brought the item's value: read once, and
// not missed since. A value kept from an earlier read is not recorded again.
bool WasReadNow(const BoardItem& item);

// A recording's lines for the values the array's last read brought, in the
// array's order, each as shown with its plain unit and alarm flag.
std::vector<RecordedValue> RecordedValuesOf(EBoardArray array, const BoardItemArray& items,
                                            LogClock::time_point time);
