#pragma once

// Builds the syntax tree from script text. Raises ScriptCompileError with the position of the
// offending token.

#include <memory>
#include <string_view>

#include "script/script_ast.h"

namespace foldant {

std::unique_ptr<ScriptProgram> ParseProgram(std::string_view text);

// A routine heading such as "function Part(Row:Integer;Index:string):string", the form in
// which the host declares its functions; a trailing ";" is allowed.
std::unique_ptr<ScriptRoutine> ParseDeclaration(std::string_view text);

// The built-in type for a lower-case type name, or nothing for a name the dialect does not know.
bool LookUpTypeName(std::string_view lowerCaseName, ScriptType& type);

}  // namespace foldant
