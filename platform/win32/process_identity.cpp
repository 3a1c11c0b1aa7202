#include "platform/process_identity.h"

#include "platform/win32/windows_api.h"

namespace foldant::platform {

int64_t CurrentProcessId() {
    return static_cast<int64_t>(::GetCurrentProcessId());
}

bool ProcessRunning(int64_t processId) {
    if (processId < 1 || processId > 0xFFFFFFFFll) {
        return false;
    }
    win32::Handle process(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, DWORD(processId)));
    if (!process.Valid()) {
        // A process of another user that this one may not look at still exists.
        return ::GetLastError() == ERROR_ACCESS_DENIED;
    }
    return ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

}  // namespace foldant::platform
