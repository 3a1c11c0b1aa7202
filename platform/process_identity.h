#pragma once

// Telling one's own working files from those of other running instances.

#include <cstdint>

namespace foldant::platform {

int64_t CurrentProcessId();
// Whether a process with this id exists now (also one of another user); ids below 1 never do.
bool ProcessRunning(int64_t processId);

}  // namespace foldant::platform
