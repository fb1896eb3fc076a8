#pragma once
// Waiting for another process: every wait of the driver polls with a bound, so that a
// target that never gets there fails the caller instead of hanging it.
#include <functional>

namespace windriver {

// Polls `condition` until it holds or `timeoutMs` have passed; gives whether it held.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs = 25);
// Polls `condition` for `durationMs`; gives false as soon as it fails once. For "nothing
// happens" checks: the grace period only bounds how long the driver looks.
bool HoldsFor(const std::function<bool()>& condition, int durationMs, int stepMs = 25);

} // namespace windriver
