#include "platform/single_instance.h"

#include <exception>

#include "platform/file_stream.h"

namespace foldant::platform {

namespace {

class LockedFile : public SingleInstance {
  public:
    explicit LockedFile(std::unique_ptr<FileStream> file) : file_(std::move(file)) {}

  private:
    std::unique_ptr<FileStream> file_;
};

}  // namespace

std::unique_ptr<SingleInstance> SingleInstance::Claim(const std::string& /*name*/,
                                                      const std::string& lockFile) {
    try {
        return std::make_unique<LockedFile>(FileStream::Open(
            lockFile, FileAccess::ReadWrite, FileShare::None, FileCreation::OpenAlways));
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace foldant::platform
