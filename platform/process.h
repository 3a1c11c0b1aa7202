#pragma once

// Starting other programs. Command lines are Windows command lines in Windows-1252: the program
// path first (quoted when it holds blanks, or found by trying ever longer prefixes that end at a
// blank, as the original platform does), then the arguments, split by the Windows rules for
// quotes and backslashes. A program in the PE format is started through the launcher named by
// $FOLDANT_EXE_LAUNCHER (default: wine, when it is on the PATH); any other file directly.
// Nothing here waits for a started program.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foldant::platform {

// All parts of a command line: the program part by the rules for the program name (quotes only
// group, backslashes are plain), the rest by the rules for arguments (2n backslashes before a
// quote give n backslashes and toggle quoting, 2n+1 give n backslashes and a literal quote, ""
// inside quotes is a literal quote).
std::vector<std::string> SplitCommandLine(std::string_view commandLine);
// Only the argument rules, for a text that holds arguments alone.
std::vector<std::string> SplitArguments(std::string_view arguments);

// The program a command line names and the arguments that follow it.
struct ProgramCall {
    std::string program;
    std::vector<std::string> arguments;
};
ProgramCall ParseProgramCall(std::string_view commandLine);

// The arguments main() received, program name first, as UTF-8 on every system: Windows hands
// main() text in the ANSI code page, which cannot hold every file name, so there the wide
// command line is read instead.
class Utf8Arguments {
  public:
    Utf8Arguments(int argc, char** argv);
    Utf8Arguments(const Utf8Arguments&) = delete;
    Utf8Arguments& operator=(const Utf8Arguments&) = delete;

    int Count() const { return static_cast<int>(texts_.size()); }
    // Stay valid as long as this object.
    char** Values() { return pointers_.data(); }

  private:
    std::vector<std::string> texts_;
    std::vector<char*> pointers_;
};

// Makes standard output and error pass bytes through unchanged. Windows opens them in text mode,
// which turns every LF into CR LF, so text that already ends its lines with CR LF would come out
// with CR CR LF.
void UseBinaryStandardStreams();

// Starts the program of the command line; false when it could not be started.
bool StartProcess(const std::string& commandLine);

// Whether an executable file of that name lies in one of the folders of PATH.
bool ProgramOnPath(const std::string& name);

// Performs a shell verb ("open", or empty for the same) on a document or address; the target
// may come in one pair of double quotes. Uses $FOLDANT_OPEN_COMMAND, default xdg-open. False for
// other verbs or when the opener could not be started.
bool ShellExecute(const std::string& verb, const std::string& target);

// A symbolic link plays the part of a shell link: the absolute path of its target, or nothing
// when the path is no symbolic link.
std::optional<std::string> ShellLinkTarget(const std::string& ansiPath);

}  // namespace foldant::platform
