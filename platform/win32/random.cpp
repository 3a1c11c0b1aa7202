#include "platform/random.h"

#include <climits>

#include "platform/win32/windows_api.h"

#include <bcrypt.h>

namespace foldant::platform {

void FillRandom(uint8_t* buffer, size_t count) {
    while (count > 0) {
        const ULONG chunk = static_cast<ULONG>(std::min<size_t>(count, ULONG_MAX));
        const NTSTATUS status =
            ::BCryptGenRandom(nullptr, buffer, chunk, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
        if (status != 0) {
            throw OsError("BCryptGenRandom failed", static_cast<int>(status), ErrorClass::Other);
        }
        buffer += chunk;
        count -= chunk;
    }
}

}  // namespace foldant::platform
