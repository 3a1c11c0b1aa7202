#include "script/script_engine.h"

#include "script/script_parser.h"
#include "script/script_text.h"

namespace foldant {
namespace {

const ScriptLibrary& EmptyLibrary() {
    static const ScriptLibrary library;
    return library;
}

}  // namespace

ScriptEngine::ScriptEngine() {
    limits_.timeLimit = kDefaultScriptTimeLimit;
}

ScriptEngine::~ScriptEngine() = default;

void ScriptEngine::SetSyntax(const std::string& name) {
    if (!EqualsIgnoringAsciiCase(name, "PascalScript")) {
        throw ScriptError("Unknown script syntax '" + name + "'");
    }
    syntax_ = name;
}

void ScriptEngine::SetScriptText(std::string_view text) {
    lines_.clear();
    program_.reset();
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines_.emplace_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    if (start < text.size()) {
        lines_.emplace_back(text.substr(start));
    }
}

std::string ScriptEngine::ScriptText() const {
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void ScriptEngine::SetParent(const ScriptLibrary* parent) {
    parent_ = parent;
    program_.reset();
}

void ScriptEngine::AddClass(const std::string& ancestorName, const std::string& className) {
    std::string key = AsciiLowerCase(className);
    for (Class& entry : classes_) {
        if (entry.key == key) {
            entry.ancestor = ancestorName;
            return;
        }
    }
    classes_.push_back({key, ancestorName});
    program_.reset();
}

ScriptType ScriptEngine::TypeFromName(const std::string& typeName) const {
    ScriptType type = ScriptType::Variant;
    std::string key = AsciiLowerCase(typeName);
    if (LookUpTypeName(key, type)) {
        return type;
    }
    return IsClassName(key) ? ScriptType::Object : ScriptType::Variant;
}

void ScriptEngine::AddVariable(const std::string& name, const std::string& typeName,
                               const ScriptValue& value) {
    std::string key = AnsiLowerCase(name);
    Slot slot;
    slot.type = TypeFromName(typeName);
    try {
        slot.value = ConvertTo(value, slot.type);
    } catch (const ScriptError&) {
        // A host value the type cannot hold (a Boolean declared as null) is kept as it is.
        slot.value = value;
    }
    for (Variable& variable : variables_) {
        if (variable.key == key) {
            variable.typeName = typeName;
            variable.slot = std::move(slot);
            return;
        }
    }
    variables_.push_back({key, typeName, std::move(slot)});
    program_.reset();
}

void ScriptEngine::AddObject(const std::string& name, ScriptObject* object) {
    std::string key = AnsiLowerCase(name);
    for (Object& entry : objects_) {
        if (entry.key == key) {
            entry.object = object;
            return;
        }
    }
    objects_.push_back({key, object});
    program_.reset();
}

void ScriptEngine::AddFunction(const std::string& declaration, ScriptDispatcher dispatcher,
                               const std::string&, const std::string&) {
    std::unique_ptr<ScriptRoutine> heading = ParseDeclaration(declaration);
    std::string key = heading->name;
    std::string upper = AsciiUpperCase(heading->spelling);
    for (Function& function : functions_) {
        if (function.key == key) {
            function = {key, upper, std::move(heading), std::move(dispatcher)};
            program_.reset();
            return;
        }
    }
    functions_.push_back({key, upper, std::move(heading), std::move(dispatcher)});
    program_.reset();
}

bool ScriptEngine::Compile() {
    program_.reset();
    errorMessage_.clear();
    errorPosition_ = {};
    try {
        std::unique_ptr<ScriptProgram> program = ParseProgram(ScriptText());
        BindProgram(*program, *this, parent_ != nullptr ? *parent_ : EmptyLibrary());
        program_ = std::move(program);
        return true;
    } catch (const ScriptCompileError& error) {
        errorMessage_ = error.what();
        errorPosition_ = error.Position();
        return false;
    }
}

void ScriptEngine::Execute() {
    if (!program_ && !Compile()) {
        throw ScriptError(errorMessage_);
    }
    errorMessage_.clear();
    errorPosition_ = {};
    try {
        ExecuteProgram(*program_, *this, limits_, errorPosition_);
    } catch (const std::exception& error) {
        errorMessage_ = error.what();
        throw ScriptError(errorMessage_);
    }
    errorPosition_ = {};
}

const ScriptEngine::Variable* ScriptEngine::FindVariable(const std::string& name) const {
    std::string key = AnsiLowerCase(name);
    for (const Variable& variable : variables_) {
        if (variable.key == key) {
            return &variable;
        }
    }
    return nullptr;
}

bool ScriptEngine::HasVariable(const std::string& name) const {
    return FindVariable(name) != nullptr;
}

ScriptValue ScriptEngine::GetVariable(const std::string& name) const {
    const Variable* variable = FindVariable(name);
    return variable != nullptr ? variable->slot.value : ScriptValue::Null();
}

std::optional<Binding> ScriptEngine::FindName(const std::string& lowerCaseName) const {
    Binding binding;
    for (size_t i = 0; i < variables_.size(); ++i) {
        if (variables_[i].key == lowerCaseName) {
            binding.kind = BindingKind::EngineVariable;
            binding.index = i;
            return binding;
        }
    }
    for (size_t i = 0; i < objects_.size(); ++i) {
        if (objects_[i].key == lowerCaseName) {
            binding.kind = BindingKind::HostObject;
            binding.index = i;
            return binding;
        }
    }
    for (size_t i = 0; i < functions_.size(); ++i) {
        if (functions_[i].key == lowerCaseName) {
            binding.kind = BindingKind::External;
            binding.index = i;
            binding.routine = functions_[i].heading.get();
            return binding;
        }
    }
    return std::nullopt;
}

bool ScriptEngine::IsClassName(const std::string& lowerCaseName) const {
    for (const Class& entry : classes_) {
        if (entry.key == lowerCaseName) {
            return true;
        }
    }
    return lowerCaseName == "tobject" || lowerCaseName == "tstringlist" ||
           lowerCaseName == "tstrings";
}

Slot& ScriptEngine::EngineVariable(size_t index) {
    return variables_.at(index).slot;
}

ScriptObject* ScriptEngine::HostObject(size_t index) {
    return objects_.at(index).object;
}

ScriptValue ScriptEngine::CallExternal(size_t index, std::vector<ScriptValue>& args) {
    const Function& function = functions_.at(index);
    if (!function.dispatcher) {
        return ScriptValue::FromString({});
    }
    return function.dispatcher(function.upperCaseName, args);
}

}  // namespace foldant
