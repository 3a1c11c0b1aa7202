#include "app/command_line.h"

#include <charconv>
#include <string_view>

namespace foldant {

namespace {

std::string_view Trimmed(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

TModuleArguments ReadModuleArguments(const std::vector<std::string>& arguments) {
    TModuleArguments read;
    auto argument = [&](std::size_t index) {
        return index < arguments.size() ? arguments[index] : std::string();
    };
    read.ProgramPath = argument(0);
    read.Channel = argument(1);
    read.X = CoordinateArgument(argument(2));
    read.Y = CoordinateArgument(argument(3));
    return read;
}

int CoordinateArgument(const std::string& text) {
    std::string_view digits = Trimmed(text);
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (!digits.empty() && digits.front() == '-') {
            return 0;
        }
    }
    int value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        return 0;
    }
    return value;
}

bool IsInstallArgument(const std::string& argument) {
    return argument == kInstallArgument;
}

bool IsDebugArgument(const std::string& argument) {
    if (argument.size() != 5) {
        return false;
    }
    std::string upper = argument;
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper == "DEBUG";
}

std::optional<TPlacement> PlacementAround(int x, int y, int width, int height) {
    if (x == 0 || y == 0) {
        return std::nullopt;
    }
    return TPlacement{x - width / 2, y - height / 2};
}

}  // namespace foldant
