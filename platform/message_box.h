#pragma once

// Message boxes for code below the window toolkit. The toolkit installs a handler that shows a
// real dialog; until then (and in programs without windows) the text goes to standard error.

#include <functional>
#include <string>

namespace foldant::platform {

// Caption and text are Windows-1252. An empty caption stands for the application's title.
using MessageBoxHandler = std::function<void(const std::string& caption, const std::string& text)>;

void ShowMessageBox(const std::string& caption, const std::string& text);

// Replaces the handler and answers the previous one; an empty handler restores the default.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The box the system shows when no handler is set; each backend has its own.
void ShowDefaultMessageBox(const std::string& caption, const std::string& text);

}  // namespace foldant::platform
