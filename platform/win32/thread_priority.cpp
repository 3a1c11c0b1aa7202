#include "platform/thread_priority.h"

#include "platform/win32/windows_api.h"

namespace foldant::platform {

bool RaiseCurrentThreadPriority() {
    return ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0;
}

}  // namespace foldant::platform
