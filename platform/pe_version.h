#pragma once

// The version resource of an executable in the PE format, read by a portable parser. Every offset
// and length of the file is checked before use, so damaged or hostile files give no result
// instead of a crash.

#include <optional>
#include <string>
#include <string_view>

namespace foldant::platform {

// True when the file starts with a DOS header whose new-header offset leads to "PE\0\0".
bool IsPeFile(const std::string& ansiPath);

// The "FileVersion" string of the string table named by the first translation entry of the
// version resource ("\VarFileInfo\Translation", language and code page as eight upper-case
// hexadecimal digits), in Windows-1252. Nothing when the file is no PE file, has no version
// resource, no translation entry or no such string.
std::optional<std::string> ReadFileVersionText(const std::string& ansiPath);

// The same for the bytes of a whole file in memory.
std::optional<std::string> FileVersionTextOfImage(std::string_view image);

}  // namespace foldant::platform
