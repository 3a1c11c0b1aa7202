#include "exchange/marker_file.h"

#include <stdexcept>

#include "platform/file_stream.h"
#include "platform/os_error.h"
#include "util/file_utils.h"

namespace foldant {

std::string MarkerFilePath() {
    return GetTempFolder() + "DoCallExternalServerExChangeMMF.txt";
}

void WriteMarkerFile(const std::string& text) {
    std::string path = MarkerFilePath();
    if (text.empty()) {
        DeleteFileIfExists(path);
        return;
    }
    // A new file each time: whatever stands at the name, a link above all, is removed rather
    // than followed.
    DeleteFileIfExists(path);
    std::unique_ptr<platform::FileStream> file;
    try {
        file =
            platform::FileStream::Open(path, platform::FileAccess::Write, platform::FileShare::None,
                                       platform::FileCreation::CreateNew);
    } catch (const platform::OsError&) {
        throw std::runtime_error("Cannot create " + path + ".");
    }
    file->Write(text.data(), static_cast<std::int64_t>(text.size()));
}

}  // namespace foldant
