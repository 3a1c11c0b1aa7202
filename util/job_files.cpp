#include "util/job_files.h"

#include <charconv>
#include <cstdint>

#include "platform/file_replace.h"
#include "platform/file_system.h"
#include "platform/guid.h"
#include "platform/process_identity.h"
#include "util/file_utils.h"

namespace foldant {

namespace {

constexpr std::string_view kJobPrefix = "~foldant-";
constexpr std::string_view kOriginalPrefix = "~foldant-original-";

std::string UniquePart() {
    return std::to_string(ElfHash(platform::NewGuidText()));
}

}  // namespace

std::string JobFileName(const std::string& folder, std::string_view extension) {
    std::string name = WithTrailingDelimiter(folder.empty() ? std::string("./") : folder);
    name += kJobPrefix;
    name += std::to_string(platform::CurrentProcessId());
    name += '-';
    name += UniquePart();
    name += extension;
    return name;
}

std::string KeptOriginalName(const std::string& folder) {
    return WithTrailingDelimiter(folder) + std::string(kOriginalPrefix) +
           std::to_string(platform::CurrentProcessId()) + '-' + UniquePart() + ".pdf";
}

int64_t JobFileOwner(std::string_view fileName) {
    if (fileName.substr(0, kJobPrefix.size()) != kJobPrefix) {
        return 0;
    }
    const std::string_view rest = fileName.substr(kJobPrefix.size());
    int64_t owner = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), owner);
    if (error != std::errc() || end == rest.data() || end == rest.data() + rest.size() ||
        *end != '-' || owner < 1) {
        return 0;
    }
    return owner;
}

int RemoveStaleJobFiles(const std::string& folder) {
    int removed = 0;
    const std::string prefix = WithTrailingDelimiter(folder);
    for (const std::string& name : platform::FileNamesIn(folder)) {
        const int64_t owner = JobFileOwner(name);
        if (owner != 0 && !platform::ProcessRunning(owner) && platform::DeleteFile(prefix + name)) {
            ++removed;
        }
    }
    return removed;
}

}  // namespace foldant
