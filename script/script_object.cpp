#include "script/script_object.h"

#include <algorithm>
#include <climits>

#include "json/fast_json.h"
#include "script/script_text.h"

namespace foldant {

ScriptValue ScriptObject::GetProperty(const std::string& name) {
    throw ScriptError("Unknown property '" + name + "' of " + ClassName());
}

void ScriptObject::SetProperty(const std::string& name, const ScriptValue&) {
    throw ScriptError("Property '" + name + "' of " + ClassName() + " cannot be written");
}

ScriptValue ScriptObject::CallMethod(const std::string& name, const std::vector<ScriptValue>&) {
    throw ScriptError("Unknown method '" + name + "' of " + ClassName());
}

ScriptValue ScriptObject::GetDefault(const ScriptValue&) {
    throw ScriptError(ClassName() + " has no default property");
}

void ScriptObject::SetDefault(const ScriptValue&, const ScriptValue&) {
    throw ScriptError(ClassName() + " has no default property");
}

ScriptValue ScriptException::GetProperty(const std::string& name) {
    if (EqualsIgnoringAsciiCase(name, "Message")) {
        return ScriptValue::FromString(message_);
    }
    if (EqualsIgnoringAsciiCase(name, "ClassName")) {
        return ScriptValue::FromString(ClassName());
    }
    return ScriptObject::GetProperty(name);
}

void ScriptException::SetProperty(const std::string& name, const ScriptValue& value) {
    if (EqualsIgnoringAsciiCase(name, "Message")) {
        message_ = value.AsString();
        return;
    }
    ScriptObject::SetProperty(name, value);
}

size_t ScriptStringList::CheckedIndex(const ScriptValue& index) const {
    int64_t i = index.AsInt();
    if (i < 0 || static_cast<uint64_t>(i) >= items_.size()) {
        throw ScriptError(
            ListIndexErrorText(static_cast<int>(std::clamp<int64_t>(i, INT_MIN, INT_MAX))));
    }
    return static_cast<size_t>(i);
}

ScriptValue ScriptStringList::GetProperty(const std::string& name) {
    if (EqualsIgnoringAsciiCase(name, "Count")) {
        return ScriptValue::FromInt(static_cast<int64_t>(items_.size()));
    }
    if (EqualsIgnoringAsciiCase(name, "Text")) {
        std::string text;
        for (const auto& item : items_) {
            text += item + "\r\n";
        }
        return ScriptValue::FromString(text);
    }
    return ScriptObject::GetProperty(name);
}

ScriptValue ScriptStringList::CallMethod(const std::string& name,
                                         const std::vector<ScriptValue>& args) {
    if (EqualsIgnoringAsciiCase(name, "Add") && args.size() == 1) {
        items_.push_back(args[0].AsString());
        return ScriptValue::FromInt(static_cast<int64_t>(items_.size()) - 1);
    }
    if (EqualsIgnoringAsciiCase(name, "Clear") && args.empty()) {
        items_.clear();
        return {};
    }
    if (EqualsIgnoringAsciiCase(name, "IndexOf") && args.size() == 1) {
        std::string wanted = AnsiUpperCase(args[0].AsString());
        for (size_t i = 0; i < items_.size(); ++i) {
            if (AnsiUpperCase(items_[i]) == wanted) {
                return ScriptValue::FromInt(static_cast<int64_t>(i));
            }
        }
        return ScriptValue::FromInt(-1);
    }
    if (EqualsIgnoringAsciiCase(name, "Strings") && args.size() == 1) {
        return GetDefault(args[0]);
    }
    return ScriptObject::CallMethod(name, args);
}

ScriptValue ScriptStringList::GetDefault(const ScriptValue& index) {
    return ScriptValue::FromString(items_[CheckedIndex(index)]);
}

void ScriptStringList::SetDefault(const ScriptValue& index, const ScriptValue& value) {
    items_[CheckedIndex(index)] = value.AsString();
}

}  // namespace foldant
