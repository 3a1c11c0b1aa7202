#include "script/script_helper.h"

#include <array>
#include <climits>

#include "json/json_text.h"
#include "platform/clipboard.h"
#include "script/script_engine.h"
#include "script/script_text.h"

namespace foldant {
namespace {

std::string MemberText(TJsonObject* object, const std::string& name) {
    if (object == nullptr) {
        return {};
    }
    return object->Member(name).AsText();
}

// Horspool's search over the folded texts.
bool ContainsFolded(const std::string& text, const std::string& pattern) {
    size_t m = pattern.size();
    if (m > text.size()) {
        return false;
    }
    std::array<size_t, 256> shift;
    shift.fill(m);
    for (size_t i = 0; i + 1 < m; ++i) {
        shift[static_cast<unsigned char>(pattern[i])] = m - 1 - i;
    }
    size_t pos = 0;
    while (pos + m <= text.size()) {
        size_t j = m;
        while (j > 0 && text[pos + j - 1] == pattern[j - 1]) {
            --j;
        }
        if (j == 0) {
            return true;
        }
        pos += shift[static_cast<unsigned char>(text[pos + m - 1])];
    }
    return false;
}

int RowNumber(const std::string& text) {
    std::optional<int64_t> row = ParseInteger(text);
    if (!row || *row < INT_MIN || *row > INT_MAX) {
        return -1;
    }
    return static_cast<int>(*row);
}

}  // namespace

std::string ExtractFileExt(const std::string& fileName) {
    size_t dot = fileName.find_last_of(".\\/:");
    if (dot == std::string::npos || fileName[dot] != '.') {
        return {};
    }
    return AnsiLowerCase(fileName.substr(dot));
}

bool AnsiContainsText(const std::string& text, const std::string& subText) {
    if (text.empty() || subText.empty()) {
        return false;
    }
    return ContainsFolded(AnsiUpperCase(text), AnsiUpperCase(subText));
}

void TScriptHelper::RegisterFunctions(ScriptEngine& engine) {
    for (const char* declaration : kScriptFunctionDeclarations) {
        engine.AddFunction(
            declaration,
            [this](const std::string& name, const std::vector<ScriptValue>& args) {
                return DispatchCall(name, args);
            },
            "", "");
    }
}

void TScriptHelper::LoadOrder(const std::string& FileName) {
    orderData_.LoadOrder(FileName);
}

ScriptValue TScriptHelper::DispatchCall(const std::string& Name,
                                        const std::vector<ScriptValue>& Arguments) {
    try {
        std::vector<std::string> args;
        args.reserve(Arguments.size());
        for (const ScriptValue& argument : Arguments) {
            args.push_back(argument.AsString());
        }
        return Call(Name, args);
    } catch (const std::exception& error) {
        return ScriptValue::FromString(error.what());
    }
}

ScriptValue TScriptHelper::Call(const std::string& Name, const std::vector<std::string>& args) {
    auto arg = [&args](size_t i) -> const std::string& {
        static const std::string kNone;
        return i < args.size() ? args[i] : kNone;
    };
    if (Name == "EXTRACTFILEEXT") {
        return ScriptValue::FromString(ExtractFileExt(arg(0)));
    }
    if (Name == "ADRESS") {
        return ScriptValue::FromString(MemberText(orderData_.Adress(), arg(0)));
    }
    if (Name == "ORDER") {
        return ScriptValue::FromString(MemberText(orderData_.Order(), arg(0)));
    }
    if (Name == "MAIN") {
        return ScriptValue::FromString(orderData_.Document().Member(arg(0)).AsText());
    }
    if (Name == "PART") {
        TJsonArray* parts = orderData_.Parts();
        if (parts == nullptr) {
            return ScriptValue::FromString({});
        }
        TJsonObject& row = parts->Item(RowNumber(arg(0))).AsObject();
        return ScriptValue::FromString(row.Member(arg(1)).AsText());
    }
    if (Name == "PARTCOUNT") {
        TJsonArray* parts = orderData_.Parts();
        return ScriptValue::FromInt(parts != nullptr ? parts->Count() : 0);
    }
    if (Name == "ANSICONTAINSTEXT") {
        return ScriptValue::FromBool(AnsiContainsText(arg(0), arg(1)));
    }
    if (Name == "TOCLIPBOARD") {
        ToClipboard();
    }
    return ScriptValue::FromString({});
}

void TScriptHelper::ToClipboard() {
    std::unique_ptr<TQvCustomJSON> tree =
        TQvJSONText::ParseJsonText(orderData_.Document().ToText());
    if (tree) {
        platform::SetClipboardText(TQvJSONText::PrintReadable(*tree));
    }
}

}  // namespace foldant
