#pragma once

// Attributes, folders and deletion for paths in Windows-1252 text. The paths are converted to
// the file system's UTF-8 at each call.

#include <string>

#include "platform/os_error.h"

namespace foldant::platform {

// The folder delimiter the system's own paths use; Windows also takes "/" in most calls.
#ifdef _WIN32
inline constexpr char kPathDelimiter = '\\';
#else
inline constexpr char kPathDelimiter = '/';
#endif

// Every character that ends a folder in a path: Windows takes "/" beside its own delimiter, and
// a path built from both is common there.
#ifdef _WIN32
inline constexpr const char* kPathDelimiters = "\\/";
#else
inline constexpr const char* kPathDelimiters = "/";
#endif

inline bool IsPathDelimiter(char c) {
    return c == '/' || c == kPathDelimiter;
}

struct FileAttributes {
    // Of what the path leads to: a symbolic link counts as a folder when its target is one.
    bool isFolder = false;
    // The path itself is a symbolic link, the counterpart of a reparse point.
    bool isLink = false;
    // The owner may not write: the counterpart of the read-only attribute.
    bool readOnly = false;
};

struct AttributeQuery {
    ErrorClass error = ErrorClass::None;  // None when the attributes could be read
    FileAttributes attributes;
};

// Reads the attributes of the path itself, without following a final symbolic link.
AttributeQuery ReadFileAttributes(const std::string& ansiPath);

// Whether the path, links followed, can be opened at all (the target exists and is reachable).
bool OpensFollowingLinks(const std::string& ansiPath);

// Looks the last part of the path up in the listing of its folder, the way a directory search
// does, and answers whether an entry of that name exists and is not a folder.
bool FindFirstIsFile(const std::string& ansiPath);

// Gives or takes the owner's write permission. Answers whether that worked.
bool SetReadOnly(const std::string& ansiPath, bool readOnly);

// Creates one folder (the parent must exist). Answers true also when a folder of that name was
// created by someone else at the same moment.
bool MakeFolder(const std::string& ansiPath);

// Whether both paths lead to the same existing file (links followed, hard links included).
bool SameFile(const std::string& ansiFirst, const std::string& ansiSecond);

// Deletes a file (or a symbolic link, not its target). Answers whether that worked.
bool DeleteFile(const std::string& ansiPath);

// $TMPDIR when set and not empty, otherwise /tmp; without a trailing delimiter added.
std::string SystemTempFolder();

// Makes sure a folder that only this user works in exists at the path: creates it with access
// for the owner alone when missing, and answers whether the path is now a real folder (not a
// link) owned by this user, writable by it and by nobody else (no write permission for group or
// others). A folder another user created there first fails, however open its permissions.
bool ClaimPrivateFolder(const std::string& ansiPath);

// The system's folder for this user's runtime files ($XDG_RUNTIME_DIR) when it is set and is a
// private folder of this user; empty otherwise. Without a trailing delimiter.
std::string UserRuntimeFolder();

// The effective user id in decimal, to name per-user folders.
std::string UserIdText();

}  // namespace foldant::platform
