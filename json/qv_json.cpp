#include "json/qv_json.h"

#include <cmath>
#include <limits>

#include "json/json_error.h"
#include "json/json_number.h"
#include "platform/windows1252.h"

namespace foldant {
namespace {

const char* ScalarKindName(const JsonScalar& value) {
    static const char* const kNames[] = {"null", "Boolean", "integer", "float", "currency", "text"};
    return kNames[value.index()];
}

[[noreturn]] void RaiseConversionError(const JsonScalar& value, const char* target) {
    throw JsonError(std::string("json value conversion error: ") + ScalarKindName(value) + " to " +
                    target);
}

std::optional<double> ScalarToNumber(const JsonScalar& value) {
    if (auto* b = std::get_if<bool>(&value)) {
        return *b ? 1.0 : 0.0;
    }
    if (auto* i = std::get_if<int64_t>(&value)) {
        return static_cast<double>(*i);
    }
    if (auto* d = std::get_if<double>(&value)) {
        return *d;
    }
    if (auto* c = std::get_if<Currency>(&value)) {
        return static_cast<double>(c->scaled) / 10000.0;
    }
    if (auto* text = std::get_if<std::u16string>(&value)) {
        return TextToNumber(Utf16ToAnsi(*text));
    }
    return std::nullopt;
}

std::optional<bool> ScalarToBoolean(const JsonScalar& value) {
    if (auto* text = std::get_if<std::u16string>(&value)) {
        std::string ansi = Utf16ToAnsi(*text);
        if (EqualsIgnoringAsciiCase(ansi, "true")) {
            return true;
        }
        if (EqualsIgnoringAsciiCase(ansi, "false")) {
            return false;
        }
    }
    if (std::holds_alternative<std::monostate>(value)) {
        return std::nullopt;
    }
    if (auto number = ScalarToNumber(value)) {
        return *number != 0;
    }
    return std::nullopt;
}

// Truncates toward zero and saturates at the 32-bit range, so no value is undefined.
int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

std::optional<int> NumericIndex(const JsonScalar& key) {
    if (std::holds_alternative<int64_t>(key) || std::holds_alternative<double>(key) ||
        std::holds_alternative<Currency>(key)) {
        return TruncateToInt32(*ScalarToNumber(key));
    }
    return std::nullopt;
}

}  // namespace

std::string ScalarToText(const JsonScalar& value) {
    if (std::holds_alternative<std::monostate>(value)) {
        return {};
    }
    if (auto* b = std::get_if<bool>(&value)) {
        return *b ? "true" : "false";
    }
    if (auto* text = std::get_if<std::u16string>(&value)) {
        return Utf16ToAnsi(*text);
    }
    if (auto* i = std::get_if<int64_t>(&value)) {
        return std::to_string(*i);
    }
    return GeneralNumberText(*ScalarToNumber(value));
}

bool ScalarToBool(const JsonScalar& value) {
    return ScalarToBoolean(value).value_or(false);
}

void TQvCustomJSON::WriteToLookedUp(std::string_view name, const JsonScalar& value) {
    if (TQvCustomJSON* node = Lookup(AnsiToUtf16(name))) {
        node->WriteValue(value);
    }
}

void TQvCustomJSON::SetBoolMember(std::string_view name, bool value) {
    WriteToLookedUp(name, value);
}

void TQvCustomJSON::SetIntMember(std::string_view name, int32_t value) {
    WriteToLookedUp(name, int64_t{value});
}

void TQvCustomJSON::SetCurrencyMember(std::string_view name, Currency value) {
    WriteToLookedUp(name, value);
}

void TQvCustomJSON::SetFloatMember(std::string_view name, double value) {
    WriteToLookedUp(name, value);
}

void TQvCustomJSON::SetTextMember(std::string_view name, std::string_view value) {
    WriteToLookedUp(name, AnsiToUtf16(value));
}

void TUxJSONnumber::WriteValue(const JsonScalar& value) {
    auto number = ScalarToNumber(value);
    if (!number) {
        RaiseConversionError(value, KindName());
    }
    value_ = *number;
}

void TUxJSONstring::WriteValue(const JsonScalar& value) {
    if (auto* text = std::get_if<std::u16string>(&value)) {
        value_ = *text;
    } else {
        value_ = AnsiToUtf16(ScalarToText(value));
    }
}

void TUxJSONboolean::WriteValue(const JsonScalar& value) {
    auto b = ScalarToBoolean(value);
    if (!b) {
        RaiseConversionError(value, KindName());
    }
    value_ = *b;
}

TUxJSONcustomlist::~TUxJSONcustomlist() {
    while (!children_.empty()) {
        children_.pop_back();
    }
}

TQvCustomJSON* TUxJSONcustomlist::ChildAt(int index) const {
    return ValidIndex(index) ? children_[static_cast<size_t>(index)].get() : nullptr;
}

void TUxJSONcustomlist::ReplaceChildAt(int index, std::unique_ptr<TQvCustomJSON> node) {
    if (ValidIndex(index) && node) {
        children_[static_cast<size_t>(index)] = std::move(node);
    }
}

TQvCustomJSON* TUxJSONcustomlist::Lookup(const JsonScalar& key) {
    if (auto index = NumericIndex(key)) {
        return ChildAt(*index);
    }
    return this;
}

TQvCustomJSON* TUxJSONcustomlist::EntryAt(int index, std::string& name) const {
    name = std::to_string(index);
    return ChildAt(index);
}

int TUxJSONcustomlist::AppendNode(std::unique_ptr<TQvCustomJSON> node) {
    if (!node) {
        return -1;
    }
    children_.push_back(std::move(node));
    return ChildCount() - 1;
}

void TUxJSONcustomlist::RemoveAt(int index) {
    if (!ValidIndex(index)) {
        return;
    }
    auto place = static_cast<size_t>(index);
    if (place + 1 < children_.size()) {
        children_[place] = std::move(children_.back());
    }
    children_.pop_back();
}

int TUxJSONcustomlist::PositionOf(const TQvCustomJSON* node) const {
    for (size_t i = 0; i < children_.size(); ++i) {
        if (children_[i].get() == node) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const TQvCustomJSON* TUxJSONcustomlist::ValueOfKind(int index, int kind,
                                                    const char* kindName) const {
    const TQvCustomJSON* node = ValueAt(index);
    if (node && node->Kind() != kind) {
        throw JsonError(std::string("json node kind error: ") + node->KindName() + " to " +
                        kindName);
    }
    return node;
}

int32_t TUxJSONcustomlist::IntAt(int index) const {
    auto* node = static_cast<const TUxJSONnumber*>(ValueOfKind(index, 1, "js_Number"));
    return node ? TruncateToInt32(node->Value()) : 0;
}

std::string TUxJSONcustomlist::TextAt(int index) const {
    return Utf16ToAnsi(WideTextAt(index));
}

std::u16string TUxJSONcustomlist::WideTextAt(int index) const {
    auto* node = static_cast<const TUxJSONstring*>(ValueOfKind(index, 2, "js_String"));
    return node ? node->Value() : std::u16string();
}

double TUxJSONcustomlist::FloatAt(int index) const {
    auto* node = static_cast<const TUxJSONnumber*>(ValueOfKind(index, 1, "js_Number"));
    return node ? node->Value() : 0;
}

bool TUxJSONcustomlist::BoolAt(int index) const {
    auto* node = static_cast<const TUxJSONboolean*>(ValueOfKind(index, 3, "js_Boolean"));
    return node ? node->Value() : false;
}

void TQvJSON::SetBoolMember(std::string_view name, bool value) {
    SetMember(name, value, std::make_unique<TUxJSONboolean>());
}

void TQvJSON::SetIntMember(std::string_view name, int32_t value) {
    SetMember(name, int64_t{value}, std::make_unique<TUxJSONnumber>());
}

void TQvJSON::SetCurrencyMember(std::string_view name, Currency value) {
    SetMember(name, value, std::make_unique<TUxJSONnumber>());
}

void TQvJSON::SetFloatMember(std::string_view name, double value) {
    SetMember(name, value, std::make_unique<TUxJSONnumber>());
}

void TQvJSON::SetTextMember(std::string_view name, std::string_view value) {
    SetMember(name, AnsiToUtf16(value), std::make_unique<TUxJSONstring>());
}

void TQvJSON::SetMember(std::string_view name, JsonScalar value,
                        std::unique_ptr<TQvCustomJSON> fresh) {
    std::u16string wideName = AnsiToUtf16(name);
    if (TQvCustomJSON* member = MemberByName(wideName)) {
        member->WriteValue(value);
        return;
    }
    fresh->WriteValue(value);
    AddMember(std::move(wideName), std::move(fresh));
}

TQvCustomJSON* TQvJSON::Lookup(const JsonScalar& key) {
    if (auto* name = std::get_if<std::u16string>(&key)) {
        return MemberByName(*name);
    }
    return TUxJSONcustomlist::Lookup(key);
}

TQvCustomJSON* TQvJSON::EntryAt(int index, std::string& name) const {
    name = Utf16ToAnsi(MemberNameAt(index));
    return MemberValueAt(index);
}

int TQvJSON::AppendNode(std::unique_ptr<TQvCustomJSON> node) {
    auto* pair = dynamic_cast<TUxJSONobjectmethod*>(node.get());
    if (!pair) {
        return -1;
    }
    int position = TUxJSONcustomlist::AppendNode(std::move(node));
    index_.Insert(pair->Name(), position);
    return position;
}

void TQvJSON::ReplaceChildAt(int index, std::unique_ptr<TQvCustomJSON> node) {
    if (!dynamic_cast<TUxJSONobjectmethod*>(node.get())) {
        return;
    }
    TUxJSONcustomlist::ReplaceChildAt(index, std::move(node));
    RebuildIndex();
}

void TQvJSON::RemoveAt(int index) {
    TUxJSONcustomlist::RemoveAt(index);
    RebuildIndex();
}

void TQvJSON::RebuildIndex() {
    index_.Clear();
    for (int i = 0; i < ChildCount(); ++i) {
        index_.Insert(PairAt(i)->Name(), i);
    }
}

int TQvJSON::AddMember(std::u16string name, std::unique_ptr<TQvCustomJSON> node) {
    if (!node) {
        return -1;
    }
    return AppendNode(std::make_unique<TUxJSONobjectmethod>(std::move(name), std::move(node)));
}

TQvCustomJSON* TQvJSON::MemberByName(std::u16string_view name) const {
    TUxJSONobjectmethod* pair = PairAt(IndexOfMember(name));
    return pair ? pair->Value() : nullptr;
}

std::u16string TQvJSON::MemberNameAt(int index) const {
    TUxJSONobjectmethod* pair = PairAt(index);
    return pair ? pair->Name() : std::u16string();
}

TQvCustomJSON* TQvJSON::MemberValueAt(int index) const {
    std::u16string name = MemberNameAt(index);
    return name.empty() ? nullptr : MemberByName(name);
}

TUxJSONobjectmethod* TQvJSON::PairAt(int index) const {
    // Every child of an object is a pair: AppendNode and ReplaceChildAt take nothing else.
    return static_cast<TUxJSONobjectmethod*>(ChildAt(index));
}

TQvCustomJSON* JsonFindNode(TQvCustomJSON* node, std::string_view name) {
    return node ? node->Lookup(AnsiToUtf16(name)) : nullptr;
}

std::string JsonReadText(TQvCustomJSON* node, std::string_view name) {
    TQvCustomJSON* found = JsonFindNode(node, name);
    return found ? ScalarToText(found->ReadValue()) : std::string();
}

bool JsonReadBool(TQvCustomJSON* node, std::string_view name) {
    TQvCustomJSON* found = JsonFindNode(node, name);
    return found ? ScalarToBool(found->ReadValue()) : false;
}

TQvCustomJSON* JsonChild(TQvCustomJSON* node, int index) {
    return node ? node->ChildAt(index) : nullptr;
}

}  // namespace foldant
