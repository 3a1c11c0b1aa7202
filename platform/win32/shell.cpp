#include "platform/shell.h"

#include <cstdlib>

#include "platform/file_system.h"
#include "platform/process.h"
#include "platform/win32/windows_api.h"

#include <objbase.h>
#include <shlobj.h>

namespace foldant::platform {

bool ShowFileInFileManager(const std::string& ansiPath) {
    const AttributeQuery query = ReadFileAttributes(ansiPath);
    if (ansiPath.empty() || query.error != ErrorClass::None) {
        return false;
    }
    const char* opener = std::getenv("FOLDANT_OPEN_COMMAND");
    if (opener != nullptr && *opener != '\0') {
        return StartProcess("\"" + std::string(opener) + "\" \"" + ansiPath + "\"");
    }
    const bool initialised = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    bool shown = false;
    if (PIDLIST_ABSOLUTE item = ::ILCreateFromPathW(win32::Wide(ansiPath).c_str())) {
        shown = SUCCEEDED(::SHOpenFolderAndSelectItems(item, 0, nullptr, 0));
        ::ILFree(item);
    }
    if (initialised) {
        ::CoUninitialize();
    }
    return shown;
}

}  // namespace foldant::platform
