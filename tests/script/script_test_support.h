#pragma once

#include <string>

#include "script/script_engine.h"

namespace foldant::testing {

// Runs text on a fresh engine with the global library and a Variant variable "Out"; answers
// the final value of Out. Compile and run failures raise with their message.
ScriptValue RunForOut(const std::string& text);

// The text of Out after running "begin Out := <expression>; end.".
std::string Evaluate(const std::string& expression);

// The compile message for text, or "" when it compiles.
std::string CompileMessage(const std::string& text);

// The run-time message for text, or "" when it runs through.
std::string RunMessage(const std::string& text);

}  // namespace foldant::testing
