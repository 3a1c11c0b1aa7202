#include <cstdint>
#include <exception>
#include <stdexcept>

#include "json/fast_json.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "util/file_utils.h"

namespace foldant {
namespace {

std::string BackupName(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    size_t slash = fileName.find_last_of(platform::kPathDelimiters);
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return fileName + ".~json";
    }
    return fileName.substr(0, dot) + ".~json";
}

// The file's bytes up to the first zero byte.
std::string ReadText(const std::string& fileName) {
    auto stream =
        platform::FileStream::Open(fileName, platform::FileAccess::Read, platform::FileShare::Read,
                                   platform::FileCreation::OpenExisting);
    int64_t size = stream->Size();
    if (size < 0) {
        throw std::runtime_error("cannot read " + fileName);
    }
    std::string bytes(static_cast<size_t>(size), '\0');
    bytes.resize(static_cast<size_t>(stream->Read(bytes.data(), size)));
    size_t zero = bytes.find('\0');
    if (zero != std::string::npos) {
        bytes.resize(zero);
    }
    return bytes;
}

}  // namespace

void TFastJSON::LoadFromFile(const std::string& fileName, bool tryBackup, bool raiseErrors) {
    Clear();
    if (!PathIsFile(fileName)) {
        return;
    }
    try {
        Parse(ReadText(fileName));
    } catch (const std::exception&) {
        std::exception_ptr failure = std::current_exception();
        std::string backup = BackupName(fileName);
        if (tryBackup && backup != fileName && PathIsFile(backup)) {
            LoadFromFile(backup, false, false);
        }
        if (raiseErrors) {
            std::rethrow_exception(failure);
        }
    }
}

}  // namespace foldant
