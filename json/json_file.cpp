#include <chrono>
#include <exception>
#include <stdexcept>

#include "json/json_text.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "util/file_utils.h"
#include "util/retry.h"

namespace foldant {
namespace {

std::string FolderPart(const std::string& path) {
    size_t slash = path.find_last_of(platform::kPathDelimiters);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void WriteText(platform::FileStream& stream, const std::string& text) {
    auto size = static_cast<int64_t>(text.size());
    if (stream.Write(text.data(), size) != size) {
        throw std::runtime_error("short write");
    }
}

}  // namespace

void TQvJSONStreamer::WriteNodeToStream(const TQvCustomJSON* node, platform::FileStream* stream) {
    if (node && stream) {
        std::string text = PrintCompact(*node);
        stream->Write(text.data(), static_cast<int64_t>(text.size()));
    }
}

void TQvJSONStreamer::WriteNodeToFile(const TQvCustomJSON* node, const std::string& path) {
    if (!node) {
        return;
    }
    EnsureDirectory(FolderPart(path));
    std::string text = PrintCompact(*node);
    try {
        RetryOnFailure(5, std::chrono::milliseconds(100), [&] {
            auto stream = platform::FileStream::Open(path, platform::FileAccess::Write,
                                                     platform::FileShare::None,
                                                     platform::FileCreation::CreateAlways);
            WriteText(*stream, text);
        });
    } catch (const std::exception&) {
        // Another program kept the file for half a second; the document is not written.
    }
}

}  // namespace foldant
