#include <cstdio>

#include "platform/message_box.h"
#include "platform/windows1252.h"

namespace foldant::platform {

// Without a window toolkit the text goes to standard error, caption first.
void ShowDefaultMessageBox(const std::string& caption, const std::string& text) {
    const std::string line = AnsiToUtf8(caption.empty() ? text : caption + ": " + text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace foldant::platform
