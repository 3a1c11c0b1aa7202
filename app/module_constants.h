#pragma once

// The constants the entry hands to the module shell.

#include <string>

#include "app/module_shell.h"

namespace foldant {

inline constexpr char kModuleTitle[] = "Foldant";
inline constexpr char kMainWindowClass[] = "TAttachmentsFrm";
inline constexpr char kModuleGuid[] = "{5B1E7A3C-8D42-4F09-B6A1-3C9E2D7F4A18}";

// The script the host suite runs to decide whether the module is offered for a sending job:
// thirteen lines, each ended by CR LF.
std::string ModuleFilterScript();

// The main window class: the Qt window on Linux, the Win32 window on Windows.
TMainWindowClass AttachmentsWindowClass();

}  // namespace foldant
