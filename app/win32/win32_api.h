#pragma once

// The system's declarations for the Win32 window code of this folder; only its .cpp files
// include it, so that the macros of <windows.h> stay out of every other file.

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>

#undef MessageBox

#include <string>
#include <string_view>

#include "platform/windows1252.h"

namespace foldant::win32window {

inline std::wstring Wide(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

inline std::wstring Wide(std::string_view ansi) {
    return Wide(AnsiToUtf16(ansi));
}

// Deletes a pen, brush or font when it goes out of scope.
class TGdiObject {
  public:
    explicit TGdiObject(HGDIOBJ object = nullptr) : object_(object) {}
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;
    ~TGdiObject() {
        if (object_ != nullptr) {
            ::DeleteObject(object_);
        }
    }
    HGDIOBJ Get() const { return object_; }

  private:
    HGDIOBJ object_;
};

// Selects an object into a device context for the scope and selects the previous one back.
class TSelection {
  public:
    TSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;
    ~TSelection() { ::SelectObject(dc_, previous_); }

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace foldant::win32window
