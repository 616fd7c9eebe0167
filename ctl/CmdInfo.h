#pragma once

// tunevoctl info: the board's version and every item with its range and value.
int RunInfo();
