#pragma once

namespace foldant::platform {

// Raises the calling thread to the highest priority the process may set: real-time scheduling
// when allowed, else the lowest nice value the limits permit. Answers false when the system
// refused every step; the thread then simply keeps its priority.
bool RaiseCurrentThreadPriority();

}  // namespace foldant::platform
