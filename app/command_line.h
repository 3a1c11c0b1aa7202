#pragma once

// What the module reads from its command line: argument 1 names the channel (or asks for the
// installation, or a debug run), arguments 2 and 3 a point to centre the window on.

#include <optional>
#include <string>
#include <vector>

namespace foldant {

inline constexpr char kInstallArgument[] = "INSTALLVOK";

struct TModuleArguments {
    // Argument 0: the full path of the running program.
    std::string ProgramPath;
    // Argument 1; empty when absent.
    std::string Channel;
    int X = 0;
    int Y = 0;
};

// Arguments in Windows-1252, argument 0 first.
TModuleArguments ReadModuleArguments(const std::vector<std::string>& arguments);

// A decimal integer (blanks around it and a sign allowed); 0 for anything else, an overflow too.
int CoordinateArgument(const std::string& text);

// Case-sensitive: "installvok" is a channel name.
bool IsInstallArgument(const std::string& argument);
// "DEBUG" in any letter case.
bool IsDebugArgument(const std::string& argument);

struct TPlacement {
    int Left = 0;
    int Top = 0;
    friend bool operator==(const TPlacement&, const TPlacement&) = default;
};

// The window's place when it is centred on (x, y); nothing when either is 0, and the window
// keeps its default place in the middle of the screen.
std::optional<TPlacement> PlacementAround(int x, int y, int width, int height);

}  // namespace foldant
