#pragma once

// tunevoctl lock: whether the board's lock is closed.
int RunLock();
