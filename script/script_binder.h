#pragma once

// Resolves every name of a parsed program: to a frame slot, a script variable, a routine, or
// something the host or the global library offers. Unknown names, wrong argument counts and
// assignments to what cannot be assigned are compile errors here, before anything runs.

#include <optional>
#include <string>

#include "script/script_ast.h"
#include "script/script_library.h"

namespace foldant {

// The names the host declares for a run: variables, objects, functions and classes.
class ScriptScope {
  public:
    virtual ~ScriptScope() = default;
    virtual std::optional<Binding> FindName(const std::string& lowerCaseName) const = 0;
    virtual bool IsClassName(const std::string& lowerCaseName) const = 0;
};

void BindProgram(ScriptProgram& program, const ScriptScope& host, const ScriptLibrary& library);

}  // namespace foldant
