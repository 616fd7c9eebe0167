#pragma once

// tunevoctl scan: the port the board answers on.
int RunScan();
