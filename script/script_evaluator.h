#pragma once

// Runs a bound program by walking its tree. Run-time failures raise ScriptError (which the
// script's own try ... except can catch) or ScriptAbort (which it cannot: the time limit).

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "script/script_ast.h"
#include "script/script_object.h"

namespace foldant {

// A variable: its value and the type every assigned value is converted to.
struct Slot {
    ScriptValue value;
    ScriptType type = ScriptType::Variant;
};

// Ends a run no matter what the script does: it ran out of time or nested too deeply.
class ScriptAbort : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What the running program reaches outside itself.
class ScriptHost {
  public:
    virtual ~ScriptHost() = default;
    virtual Slot& EngineVariable(size_t index) = 0;
    virtual ScriptObject* HostObject(size_t index) = 0;
    virtual ScriptValue CallExternal(size_t index, std::vector<ScriptValue>& args) = 0;
};

struct RunLimits {
    std::chrono::milliseconds timeLimit{10000};
    int maxCallDepth = 1000;
};

// The value a variable of this declared type starts with (static arrays get their elements).
ScriptValue InitialValue(const DeclaredType& type);

// Executes the program's global initialisations and main block. position receives the
// position of the statement that was running when an error escaped.
void ExecuteProgram(const ScriptProgram& program, ScriptHost& host, const RunLimits& limits,
                    SourcePosition& position);

}  // namespace foldant
