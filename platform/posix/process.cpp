#include "platform/process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/pe_version.h"
#include "platform/windows1252.h"

namespace foldant::platform {
namespace {

bool IsRegularFile(const std::string& ansiPath) {
    struct stat info {};
    return !ansiPath.empty() && ::stat(AnsiToUtf8(ansiPath).c_str(), &info) == 0 &&
           S_ISREG(info.st_mode);
}

bool IsExecutable(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string ExeLauncher() {
    const char* launcher = std::getenv("FOLDANT_EXE_LAUNCHER");
    if (launcher != nullptr && *launcher != '\0') {
        return launcher;
    }
    return ProgramOnPath("wine") ? "wine" : std::string();
}

void WriteAll(int fd, const void* data, size_t count) {
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
    }
}

// Starts argv[0] (searched on the PATH when it holds no "/") in a grandchild, so that nobody
// has to wait for it, and reports whether the exec succeeded.
bool SpawnDetached(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) {
        return false;
    }
    std::vector<char*> pointers;
    for (const std::string& arg : argv) {
        pointers.push_back(const_cast<char*>(arg.c_str()));
    }
    pointers.push_back(nullptr);
    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0) {
        return false;
    }
    pid_t child = ::fork();
    if (child == 0) {
        ::close(status[0]);
        pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::setsid();
            ::execvp(pointers[0], pointers.data());
            int error = errno;
            WriteAll(status[1], &error, sizeof error);
            ::_exit(127);
        }
        if (grandchild < 0) {
            int error = errno;
            WriteAll(status[1], &error, sizeof error);
        }
        ::_exit(0);
    }
    ::close(status[1]);
    if (child < 0) {
        ::close(status[0]);
        return false;
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t n;
    do {
        n = ::read(status[0], &error, sizeof error);
    } while (n < 0 && errno == EINTR);
    ::close(status[0]);
    return n == 0;
}

}  // namespace

bool StartProcess(const std::string& commandLine) {
    ProgramCall call = ParseProgramCall(commandLine);
    if (!IsRegularFile(call.program)) {
        return false;
    }
    std::vector<std::string> argv;
    if (IsPeFile(call.program)) {
        std::string launcher = ExeLauncher();
        if (launcher.empty()) {
            return false;
        }
        argv.push_back(launcher);
    }
    argv.push_back(AnsiToUtf8(call.program));
    for (const std::string& argument : call.arguments) {
        argv.push_back(AnsiToUtf8(argument));
    }
    return SpawnDetached(argv);
}

bool ShellExecute(const std::string& verb, const std::string& target) {
    if (!verb.empty() && verb != "open") {
        return false;
    }
    std::string file = target;
    if (file.size() >= 2 && file.front() == '"' && file.back() == '"') {
        file = file.substr(1, file.size() - 2);
    }
    if (file.empty()) {
        return false;
    }
    const char* opener = std::getenv("FOLDANT_OPEN_COMMAND");
    return SpawnDetached(
        {opener != nullptr && *opener != '\0' ? opener : "xdg-open", AnsiToUtf8(file)});
}

std::optional<std::string> ShellLinkTarget(const std::string& ansiPath) {
    std::string path = AnsiToUtf8(ansiPath);
    struct stat info {};
    if (path.empty() || ::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return std::nullopt;
    }
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr) {
        return Utf8ToAnsi(resolved);
    }
    // A link whose target is missing still names it, as a shell link does.
    std::string target(PATH_MAX, '\0');
    ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0) {
        return std::nullopt;
    }
    target.resize(static_cast<size_t>(n));
    if (target[0] != '/') {
        size_t slash = path.find_last_of('/');
        target = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + target;
    }
    return Utf8ToAnsi(target);
}

bool ProgramOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return false;
    }
    std::string folders = path;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) {
            end = folders.size();
        }
        std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && IsExecutable(folder + "/" + name)) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

void UseBinaryStandardStreams() {}

Utf8Arguments::Utf8Arguments(int argc, char** argv) : texts_(argv, argv + argc) {
    for (std::string& text : texts_) {
        pointers_.push_back(text.data());
    }
    pointers_.push_back(nullptr);
}

}  // namespace foldant::platform
