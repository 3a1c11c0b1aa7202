#pragma once

// The process-wide global library every engine sees as its parent scope: standard functions in
// a table, looked up by lower-case name, and named constants.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "script/script_value.h"

namespace foldant {

using BuiltinBody = ScriptValue (*)(std::vector<ScriptValue>& args);

struct BuiltinFunction {
    std::string name;  // as the dialect spells it
    int minArgs = 0;
    int maxArgs = 0;
    // Bit i set: argument i is passed by reference; the body's change to it is written back.
    unsigned varParams = 0;
    BuiltinBody body = nullptr;
};

class ScriptLibrary {
  public:
    // The library with every standard function; built on first use, then only read.
    static const ScriptLibrary& Global();

    void Add(BuiltinFunction function);
    void AddConstant(const std::string& name, ScriptValue value);
    const BuiltinFunction* Find(const std::string& lowerCaseName) const;
    std::optional<ScriptValue> FindConstant(const std::string& lowerCaseName) const;
    std::vector<std::string> FunctionNames() const;

  private:
    std::map<std::string, BuiltinFunction> functions_;
    std::map<std::string, ScriptValue> constants_;
};

// Fills the library with the standard string, conversion, math and date functions.
void RegisterStandardFunctions(ScriptLibrary& library);

}  // namespace foldant
