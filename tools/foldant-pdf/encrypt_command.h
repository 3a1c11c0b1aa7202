#pragma once

#include <string>
#include <vector>

namespace foldant {

inline constexpr const char* kEncryptUsage = "encrypt -o OUT --level L [--permissions EIGHT] IN";

// Writes an encrypted copy of IN to OUT at level L (0, 1, 2, 3 or 5) with the permissions of
// EIGHT, the first eight characters of a permission code ("1" grants; default all granted).
// Exit status 0 when the copy was made, 1 when IN was refused (encrypted or not readable), 2
// for a usage or file error. OUT is replaced only by a complete copy; otherwise it stays as it
// was, or absent.
int RunEncrypt(const std::vector<std::string>& arguments);

}  // namespace foldant
