#include "script/fill_data.h"

#include "script/script_text.h"

namespace foldant {
namespace {

// The value's text, Booleans as "-1" and "0" so that their truth survives the reading as an
// integer that follows.
std::string BooleanSourceText(const ScriptValue& value) {
    if (value.Kind() == ValueKind::Boolean) {
        return value.AsBool() ? "-1" : "0";
    }
    return value.AsString();
}

bool TextFormIsEmpty(const ScriptValue& value) {
    try {
        return value.AsString().empty();
    } catch (const ScriptError&) {
        return false;
    }
}

ScriptValue ConvertForStoring(const std::string& Typ, const ScriptValue& Value) {
    std::string type = AnsiLowerCase(Typ);
    if (type == "boolean") {
        if (Value.IsNull()) {
            return Value;
        }
        std::optional<int64_t> number;
        try {
            std::string text = TrimText(BooleanSourceText(Value));
            if (text.find('$') == std::string::npos) {
                number = ParseInteger(text);
            }
        } catch (const ScriptError&) {
        }
        return ScriptValue::FromBool(number.value_or(0) != 0);
    }
    if ((type == "extended" || type == "double" || type == "tdate") && TextFormIsEmpty(Value)) {
        return ScriptValue::FromInt(0);
    }
    return Value;
}

}  // namespace

void TFillData::ClearAll() {
    variables_.clear();
    objects_.clear();
    classes_.clear();
    errorText_.clear();
}

void TFillData::PutVariable(const std::string& Name, const std::string& Typ, bool AddNull,
                            const ScriptValue& Value) {
    if (!AddNull && Value.IsNull()) {
        return;
    }
    ScriptValue stored = ConvertForStoring(Typ, Value);
    if (TVarData* existing = FindVariable(Name)) {
        existing->Typ = Typ;
        existing->Value = std::move(stored);
        return;
    }
    variables_.push_back(std::make_unique<TVarData>(TVarData{Name, Typ, std::move(stored)}));
}

TVarData* TFillData::FindVariable(const std::string& Name) {
    std::string key = AnsiLowerCase(Name);
    for (auto& variable : variables_) {
        if (AnsiLowerCase(variable->Name) == key) {
            return variable.get();
        }
    }
    return nullptr;
}

void TFillData::AddObject(const std::string& Name, ScriptObject* Obj) {
    objects_.push_back(std::make_unique<TObjData>(TObjData{Name, Obj}));
}

void TFillData::AddClass(const std::string& AncestorName, const std::string& ClassName) {
    classes_.push_back(std::make_unique<TClassData>(TClassData{AncestorName, ClassName}));
}

}  // namespace foldant
