#include "platform/process_identity.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace foldant::platform {

int64_t CurrentProcessId() {
    return static_cast<int64_t>(::getpid());
}

bool ProcessRunning(int64_t processId) {
    if (processId < 1 || processId != static_cast<int64_t>(static_cast<pid_t>(processId))) {
        return false;
    }
    // Signal 0 only asks; a process of another user answers with EPERM but exists.
    return ::kill(static_cast<pid_t>(processId), 0) == 0 || errno == EPERM;
}

}  // namespace foldant::platform
