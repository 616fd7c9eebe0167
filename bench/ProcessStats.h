#pragma once

#include <sys/types.h>

// What a running process costs, read from /proc, for the benchmarks.

// Resident memory in KiB; -1 when the process cannot be read.
long ResidentKiB(pid_t nPid);
// User plus system time of a process so far, in seconds; -1 when unreadable.
double CpuSeconds(pid_t nPid);
