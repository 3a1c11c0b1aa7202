#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>

#include "platform/os_error.h"

namespace foldant::platform {

void FillRandom(uint8_t* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::getrandom(buffer + done, count - done, 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            throw OsError("getrandom failed", error, ClassifyErrno(error));
        }
        done += static_cast<size_t>(n);
    }
}

}  // namespace foldant::platform
