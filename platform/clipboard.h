#pragma once

// The system clipboard as plain text. The window toolkit installs a handler that hands the text
// to the desktop; until then the text is kept here, where ClipboardText can read it back.

#include <functional>
#include <string>

namespace foldant::platform {

// The text is Windows-1252; a handler converts it for the desktop.
using ClipboardHandler = std::function<void(const std::string& text)>;

void SetClipboardText(const std::string& text);

// The last text put on the clipboard while no handler was installed.
std::string ClipboardText();

// Replaces the handler and answers the previous one; an empty handler restores the default.
ClipboardHandler SetClipboardHandler(ClipboardHandler handler);

}  // namespace foldant::platform
