#include "script/script_library.h"

#include "script/script_text.h"

namespace foldant {

const ScriptLibrary& ScriptLibrary::Global() {
    static const ScriptLibrary library = [] {
        ScriptLibrary built;
        RegisterStandardFunctions(built);
        return built;
    }();
    return library;
}

void ScriptLibrary::Add(BuiltinFunction function) {
    std::string key = AsciiLowerCase(function.name);
    functions_[key] = std::move(function);
}

void ScriptLibrary::AddConstant(const std::string& name, ScriptValue value) {
    constants_[AsciiLowerCase(name)] = std::move(value);
}

const BuiltinFunction* ScriptLibrary::Find(const std::string& lowerCaseName) const {
    auto found = functions_.find(lowerCaseName);
    return found == functions_.end() ? nullptr : &found->second;
}

std::optional<ScriptValue> ScriptLibrary::FindConstant(const std::string& lowerCaseName) const {
    auto found = constants_.find(lowerCaseName);
    if (found == constants_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::vector<std::string> ScriptLibrary::FunctionNames() const {
    std::vector<std::string> names;
    for (const auto& [key, function] : functions_) {
        names.push_back(function.name);
    }
    return names;
}

}  // namespace foldant
