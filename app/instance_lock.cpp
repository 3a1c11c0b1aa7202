#include "app/instance_lock.h"

#include <exception>

#include "platform/file_stream.h"
#include "util/file_utils.h"

namespace foldant {

std::unique_ptr<TInstanceLock> TInstanceLock::Acquire(const std::string& guid) {
    try {
        auto file = platform::FileStream::Open(
            GetTempFolder() + guid, platform::FileAccess::ReadWrite, platform::FileShare::None,
            platform::FileCreation::OpenAlways);
        return std::unique_ptr<TInstanceLock>(new TInstanceLock(std::move(file)));
    } catch (const std::exception&) {
        return nullptr;
    }
}

TInstanceLock::TInstanceLock(std::unique_ptr<platform::FileStream> file) : file_(std::move(file)) {}

TInstanceLock::~TInstanceLock() = default;

void TInstanceLock::Release() {
    file_.reset();
}

}  // namespace foldant
