#pragma once

// Outside checkers (qpdf, pdfinfo, pdftoppm, pypdf) are Linux programs, started through a POSIX
// shell. The Windows test programs run under wine, whose cmd cannot start them, so there the
// command goes to the Linux shell through wine's start of Unix programs, with the paths of the
// files the Windows program wrote translated to the Linux paths of the same files.

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "platform/child_process.h"
#else
#include <sys/wait.h>
#endif

namespace foldant::testing {

struct ShellResult {
    // The shell's exit code; -1 when it could not be started or did not finish.
    int status = -1;
    std::string output;
};

// How the Linux side names a file the test program names `path`.
inline std::string LinuxPath(const std::filesystem::path& path) {
#ifdef _WIN32
    // Linux names files in UTF-8; a narrow path here is in the ANSI code page.
    const std::u8string utf8 = path.u8string();
    std::string text(utf8.begin(), utf8.end());
    for (char& c : text) {
        if (c == '\\') {
            c = '/';
        }
    }
    // Wine maps each drive to a link in the prefix's dosdevices folder; Z: is the root.
    if (text.size() >= 3 && text[1] == ':' && text[2] == '/') {
        const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
        if (drive == 'z') {
            return text.substr(2);
        }
        const char* prefix = std::getenv("WINEPREFIX");
        const char* home = std::getenv("HOME");
        const std::string root = prefix != nullptr && *prefix != '\0'
                                     ? std::string(prefix)
                                     : std::string(home != nullptr ? home : "") + "/.wine";
        return root + "/dosdevices/" + drive + ":" + text.substr(2);
    }
    return text;
#else
    return path.string();
#endif
}

// The path as one shell word. Paths with a single quote are not used by the tests.
inline std::string ShellQuoted(const std::filesystem::path& path) {
    return "'" + LinuxPath(path) + "'";
}

// The shell words that start a program of this build from the Linux side.
inline std::string ProgramCommand(const std::filesystem::path& program) {
#ifdef _WIN32
    return "wine " + ShellQuoted(program);
#else
    return ShellQuoted(program);
#endif
}

#ifdef _WIN32
namespace detail {

inline std::string ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Wine does not track a Unix process it started, so the script itself says when it is done:
// it writes its exit code to a file of its own and renames it into place as its last step.
inline ShellResult RunLinuxShell(const std::string& command) {
    namespace fs = std::filesystem;
    static std::atomic<unsigned> counter{0};
    const fs::path base =
        fs::temp_directory_path() / ("foldant-shell-" + std::to_string(std::random_device{}()) +
                                     "-" + std::to_string(counter++));
    const fs::path script = base.string() + ".sh";
    const fs::path output = base.string() + ".out";
    const fs::path status = base.string() + ".status";
    {
        std::ofstream out(script, std::ios::binary);
        out << "(\n"
            << command << "\n) >" << ShellQuoted(output) << "\n"
            << "echo $? >" << ShellQuoted(status.string() + ".part") << "\n"
            << "mv " << ShellQuoted(status.string() + ".part") << " " << ShellQuoted(status)
            << "\n";
        if (!out.flush()) {
            return {};
        }
    }
    ShellResult result;
    try {
        auto shell = platform::ChildProcess::Start("Z:\\bin\\sh", {LinuxPath(script)});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(10);
        while (!fs::exists(status) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (fs::exists(status)) {
            result.status = std::atoi(ReadWhole(status).c_str());
            result.output = ReadWhole(output);
        }
    } catch (const std::exception&) {
        result.status = -1;
    }
    std::error_code ignored;
    for (const fs::path& file : {script, output, status}) {
        fs::remove(file, ignored);
    }
    return result;
}

}  // namespace detail
#endif

// Runs a POSIX shell command line on the Linux side: its exit code and standard output.
inline ShellResult RunShell(const std::string& command) {
#ifdef _WIN32
    return detail::RunLinuxShell(command);
#else
    ShellResult result;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
            result.output.append(buffer, n);
        }
        const int raw = pclose(pipe);
        result.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    return result;
#endif
}

// The exit code of a command whose output is not needed.
inline int CommandStatus(const std::string& command) {
    return RunShell(command + " >/dev/null 2>&1").status;
}

// What an outside checker prints on standard output. The redirection is appended to the
// command: " 2>/dev/null" drops its error output, " 2>&1" keeps it with the rest.
inline std::string CommandOutput(const std::string& command,
                                 const std::string& errors = " 2>/dev/null") {
    return RunShell(command + errors).output;
}

}  // namespace foldant::testing
