#pragma once

// tunevoctl alarms: the items that came into alarm, from the log every
// watch appends to. Needs no board.
int RunAlarms(bool bJson);
