#include "app/instance_lock.h"

#include "platform/single_instance.h"
#include "util/file_utils.h"

namespace foldant {

std::unique_ptr<TInstanceLock> TInstanceLock::Acquire(const std::string& guid) {
    auto claim = platform::SingleInstance::Claim(guid, GetTempFolder() + guid);
    if (!claim) {
        return nullptr;
    }
    return std::unique_ptr<TInstanceLock>(new TInstanceLock(std::move(claim)));
}

TInstanceLock::TInstanceLock(std::unique_ptr<platform::SingleInstance> claim)
    : claim_(std::move(claim)) {}

TInstanceLock::~TInstanceLock() = default;

void TInstanceLock::Release() {
    claim_.reset();
}

}  // namespace foldant
