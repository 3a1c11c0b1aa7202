#pragma once

// Registry reads under HKEY_LOCAL_MACHINE. On this platform the registry is a folder tree below a
// root folder ($FOLDANT_REGISTRY_ROOT, default /etc/QvRegistry): a key is a chain of folders below
// "HKEY_LOCAL_MACHINE/", and a value is a file in its key's folder, named like the value, whose
// Windows-1252 text is the value.

#include <optional>
#include <string>

namespace foldant::platform {

// The root folder of the registry tree, with a trailing "/", in the file system's UTF-8.
std::string RegistryRoot();

// The text of a value of a key below HKEY_LOCAL_MACHINE. The key path uses "\" (or "/") between
// its parts; a leading delimiter is allowed. Key and value names are matched without regard to
// case, as the registry does. Nothing when the key or the value does not exist; one trailing
// line end of the file does not belong to the value.
std::optional<std::string> ReadLocalMachineString(const std::string& keyPath,
                                                  const std::string& valueName);

}  // namespace foldant::platform
