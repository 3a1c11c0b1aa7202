#include "platform/registry.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/windows1252.h"

namespace foldant::platform {
namespace {

// Registry values of this module are short paths; a larger file is not a value.
constexpr off_t kMaxValueBytes = 1 << 20;

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsKind(const std::string& path, bool folder) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return false;
    }
    return folder ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode);
}

// The entry of folder (UTF-8, with trailing "/") named like ansiName, exactly or else without
// regard to case; empty when there is none of the wanted kind.
std::string FindEntry(const std::string& folder, const std::string& ansiName, bool wantFolder) {
    if (ansiName.empty() || ansiName == "." || ansiName == ".." ||
        ansiName.find('/') != std::string::npos || ansiName.find('\0') != std::string::npos) {
        return {};
    }
    std::string exact = folder + AnsiToUtf8(ansiName);
    if (IsKind(exact, wantFolder)) {
        return exact;
    }
    DIR* directory = ::opendir(folder.c_str());
    if (directory == nullptr) {
        return {};
    }
    std::string found;
    while (dirent* entry = ::readdir(directory)) {
        std::string name = entry->d_name;
        if (SameName(Utf8ToAnsi(name), ansiName) && IsKind(folder + name, wantFolder)) {
            found = folder + name;
            break;
        }
    }
    ::closedir(directory);
    return found;
}

std::vector<std::string> KeyParts(const std::string& keyPath) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : keyPath) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) {
        parts.push_back(part);
    }
    return parts;
}

}  // namespace

std::string RegistryRoot() {
    const char* root = std::getenv("FOLDANT_REGISTRY_ROOT");
    std::string folder = root != nullptr && *root != '\0' ? root : "/etc/QvRegistry";
    if (folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::optional<std::string> ReadLocalMachineString(const std::string& keyPath,
                                                  const std::string& valueName) {
    std::string folder = FindEntry(RegistryRoot(), "HKEY_LOCAL_MACHINE", true);
    if (folder.empty()) {
        return std::nullopt;
    }
    for (const std::string& part : KeyParts(keyPath)) {
        folder = FindEntry(folder + "/", part, true);
        if (folder.empty()) {
            return std::nullopt;
        }
    }
    std::string file = FindEntry(folder + "/", valueName, false);
    if (file.empty()) {
        return std::nullopt;
    }
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || info.st_size > kMaxValueBytes) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    std::string value(static_cast<size_t>(info.st_size), '\0');
    if (!in.read(value.data(), static_cast<std::streamsize>(value.size()))) {
        return std::nullopt;
    }
    if (!value.empty() && value.back() == '\n') {
        value.pop_back();
        if (!value.empty() && value.back() == '\r') {
            value.pop_back();
        }
    }
    return value;
}

}  // namespace foldant::platform
