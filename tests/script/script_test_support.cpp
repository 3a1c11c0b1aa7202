#include "script_test_support.h"

#include <stdexcept>

namespace foldant::testing {
namespace {

void Prepare(ScriptEngine& engine, const std::string& text) {
    engine.SetParent(&ScriptLibrary::Global());
    engine.AddVariable("Out", "Variant", {});
    engine.SetScriptText(text);
}

}  // namespace

ScriptValue RunForOut(const std::string& text) {
    ScriptEngine engine;
    Prepare(engine, text);
    if (!engine.Compile()) {
        throw std::runtime_error("compile: " + engine.ErrorMessage());
    }
    engine.Execute();
    return engine.GetVariable("Out");
}

std::string Evaluate(const std::string& expression) {
    return RunForOut("begin Out := " + expression + "; end.").AsString();
}

std::string CompileMessage(const std::string& text) {
    ScriptEngine engine;
    Prepare(engine, text);
    return engine.Compile() ? std::string() : engine.ErrorMessage();
}

std::string RunMessage(const std::string& text) {
    ScriptEngine engine;
    Prepare(engine, text);
    if (!engine.Compile()) {
        return "compile: " + engine.ErrorMessage();
    }
    try {
        engine.Execute();
    } catch (const ScriptError& error) {
        return error.what();
    }
    return {};
}

}  // namespace foldant::testing
