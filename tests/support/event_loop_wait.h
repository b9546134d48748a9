#pragma once

#include <functional>

// Runs a real blocking event loop, as the program's own loop does, until the
// condition holds or the timeout passes; returns the condition's last value.
// QTRY_* only polls without ever blocking, so it never lets idle passes happen.
bool RunLoopUntil(const std::function<bool()>& condition, int timeoutMs = 5000);
