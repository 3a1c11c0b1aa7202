#pragma once

// The module's script functions: eight functions that read the loaded order data, test text
// and put the whole document on the clipboard, all answered by one dispatch routine.

#include <array>
#include <string>
#include <vector>

#include "script/order_data.h"
#include "script/script_value.h"

namespace foldant {

class ScriptEngine;

// The declaration texts exactly as the engine is given them.
inline constexpr std::array<const char*, 8> kScriptFunctionDeclarations = {
    "function ExtractFileExt(AFileName:string):string",
    "function Adress(Index:string):string",
    "function Order(Index:string):string",
    "function  Main(Index:string):string",
    "function Part(Row:Integer;Index:string):string",
    "function PartCount :Integer",
    "function AnsiContainsText(const AText, ASubText: string): Boolean;",
    "procedure ToClipboard ",
};

class TScriptHelper {
  public:
    // Declares the eight functions with the engine, all bound to DispatchCall of this helper.
    void RegisterFunctions(ScriptEngine& engine);
    void LoadOrder(const std::string& FileName);
    // Name arrives in upper case. An error inside a function becomes its result text.
    ScriptValue DispatchCall(const std::string& Name, const std::vector<ScriptValue>& Arguments);

    TQvJSONObject& OrderData() { return orderData_; }

  private:
    ScriptValue Call(const std::string& Name, const std::vector<std::string>& args);
    void ToClipboard();

    TQvJSONObject orderData_;
};

// The extension from the last "." to the end, lower-cased; empty when a folder delimiter ("/",
// "\") or ":" follows the last dot, or when there is no dot.
std::string ExtractFileExt(const std::string& fileName);

// True when both are non-empty and subText occurs in text, ignoring case by the code page's
// upper-case mapping.
bool AnsiContainsText(const std::string& text, const std::string& subText);

}  // namespace foldant
