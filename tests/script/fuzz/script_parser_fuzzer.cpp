// Feeds arbitrary text to the compile stages (lexer, parser, binder) with the names the setup
// script sees; every input must end in a program or a compile error.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "script/script_engine.h"
#include "script/script_helper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static foldant::TScriptHelper helper;
    foldant::ScriptEngine engine;
    engine.SetParent(&foldant::ScriptLibrary::Global());
    engine.AddVariable("ThisForBidden", "Boolean", foldant::ScriptValue::FromBool(false));
    helper.RegisterFunctions(engine);
    engine.SetScriptText(std::string_view(reinterpret_cast<const char*>(data), size));
    engine.Compile();
    return 0;
}
