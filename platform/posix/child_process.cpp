#include "platform/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/os_error.h"
#include "platform/windows1252.h"

extern char** environ;

namespace foldant::platform {

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& program,
                                                  const std::vector<std::string>& arguments,
                                                  const std::string& outputPath) {
    std::vector<std::string> texts{AnsiToUtf8(program)};
    for (const auto& argument : arguments) {
        texts.push_back(AnsiToUtf8(argument));
    }
    std::vector<char*> argv;
    for (auto& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    std::string output = AnsiToUtf8(outputPath);
    if (!output.empty()) {
        ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                           O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    pid_t pid = 0;
    int error = ::posix_spawn(&pid, texts[0].c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw OsError("cannot start " + texts[0], error, ClassifyErrno(error, texts[0]));
    }
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid));
}

ChildProcess::~ChildProcess() {
    if (!exitCode_) {
        Kill();
    }
}

std::optional<int> ChildProcess::WaitFor(int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!exitCode_) {
        int status = 0;
        pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        } else if (done < 0 && errno != EINTR) {
            exitCode_ = -1;
        } else if (std::chrono::steady_clock::now() >= deadline) {
            break;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return exitCode_;
}

void ChildProcess::Kill() {
    if (exitCode_) {
        return;
    }
    ::kill(pid_, SIGKILL);
    WaitFor(10000);
}

std::string CurrentExecutablePath() {
    std::string buffer(4096, '\0');
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) {
        return {};
    }
    buffer.resize(static_cast<std::size_t>(length));
    return Utf8ToAnsi(buffer);
}

}  // namespace foldant::platform
