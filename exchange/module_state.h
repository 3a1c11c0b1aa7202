#pragma once

#include "platform/message_loop.h"

namespace foldant {

// What the exchange channel needs to know of the module shell around it.
class TModuleState {
  public:
    virtual ~TModuleState() = default;
    // The main window's endpoint while the message loop runs; null before and after.
    virtual platform::WindowHandle MainWindowHandle() const = 0;
    // A debug run never closes its main window by itself.
    virtual bool IsDebugRun() const = 0;
};

}  // namespace foldant
