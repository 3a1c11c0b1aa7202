#include "platform/thread_priority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace foldant::platform {

bool RaiseCurrentThreadPriority() {
    sched_param realTime{};
    realTime.sched_priority = ::sched_get_priority_max(SCHED_FIFO);
    if (::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &realTime) == 0) {
        return true;
    }
    // Without real-time rights the nice value is per thread on Linux; RLIMIT_NICE says how low
    // an unprivileged process may go (20 - limit).
    auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    int current = ::getpriority(PRIO_PROCESS, thread);
    rlimit limit{};
    int lowest = -20;
    if (::getrlimit(RLIMIT_NICE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        lowest = 20 - static_cast<int>(limit.rlim_cur);
    }
    for (int nice = lowest; nice < current; ++nice) {
        if (::setpriority(PRIO_PROCESS, thread, nice) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace foldant::platform
