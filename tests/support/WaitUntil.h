#pragma once

#include <chrono>
#include <functional>

// Polls a condition that no report announces (real time, bounded).
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
