#pragma once

// Forced into every test source of the Windows build: the C library there has no setenv and
// unsetenv, which the tests use to point the code at scratch folders.

#include <cstdlib>

inline int setenv(const char* name, const char* value, int overwrite) {
    if (overwrite == 0 && std::getenv(name) != nullptr) {
        return 0;
    }
    return _putenv_s(name, value);
}

inline int unsetenv(const char* name) {
    return _putenv_s(name, "");
}
