#pragma once

// tunevoctl boards: every board in sight, BlueZ's paired serial devices and
// the port pattern's devices, and whether each answers.
int RunBoards(bool bJson);
