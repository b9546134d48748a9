#pragma once

#include <chrono>
#include <functional>

// Runs `step` `times` times, `interval` apart, inside a running event loop
// watched by a 5 ms timer, and gives the longest the loop went without
// turning, in milliseconds: what a user would see as a frozen window.
double LongestEventLoopStallMs(int times, std::chrono::milliseconds interval,
                               const std::function<void(int)>& step);
