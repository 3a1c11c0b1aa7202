#include "platform/shell.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/process.h"
#include "platform/windows1252.h"

extern char** environ;

namespace foldant::platform {
namespace {

// Runs the program and waits for it; answers its exit status, or -1 when it could not start.
int RunAndWait(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts the program without waiting for it: an intermediate child starts it and ends at
// once, so the program is never left as a zombie of this process.
bool StartDetached(const std::vector<std::string>& arguments) {
    std::vector<std::string> wrapped = {"/bin/sh", "-c", "\"$@\" >/dev/null 2>&1 &", "sh"};
    wrapped.insert(wrapped.end(), arguments.begin(), arguments.end());
    return RunAndWait(wrapped) == 0;
}

std::string FileUri(const std::string& utf8Path) {
    static const char* kHex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : utf8Path) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

std::string AbsolutePath(const std::string& utf8Path) {
    if (!utf8Path.empty() && utf8Path[0] == '/') {
        return utf8Path;
    }
    std::vector<char> buffer(4096);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) {
        return utf8Path;
    }
    return std::string(buffer.data()) + "/" + utf8Path;
}

bool SelectInFileManager(const std::string& absolutePath) {
    if (!ProgramOnPath("dbus-send")) {
        return false;
    }
    return RunAndWait({"dbus-send", "--session", "--print-reply", "--reply-timeout=3000",
                       "--dest=org.freedesktop.FileManager1", "--type=method_call",
                       "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1.ShowItems",
                       "array:string:" + FileUri(absolutePath), "string:"}) == 0;
}

}  // namespace

bool ShowFileInFileManager(const std::string& ansiPath) {
    std::string path = AbsolutePath(AnsiToUtf8(ansiPath));
    struct stat info {};
    if (ansiPath.empty() || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    if (const char* opener = std::getenv("FOLDANT_OPEN_COMMAND"); opener != nullptr && *opener) {
        return RunAndWait({opener, path}) == 0;
    }
    if (SelectInFileManager(path)) {
        return true;
    }
    std::string folder = path.substr(0, path.rfind('/') + 1);
    return ProgramOnPath("xdg-open") && StartDetached({"xdg-open", folder});
}

}  // namespace foldant::platform
