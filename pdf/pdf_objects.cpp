#include "pdf/pdf_objects.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <system_error>

#include "pdf/pdf_filters.h"
#include "pdf/pdf_keys.h"
#include "pdf/pdf_lexical.h"

namespace foldant {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Doubles at or beyond 2^63 in magnitude do not fit a signed 64-bit integer.
constexpr double kInt64Limit = 9223372036854775808.0;

bool RoundToInt64(double value, int64_t& result) {
    double rounded = std::nearbyint(value);
    if (std::isnan(rounded) || rounded >= kInt64Limit || rounded < -kInt64Limit) {
        return false;
    }
    result = static_cast<int64_t>(rounded);
    return true;
}

bool IsNameEscaped(unsigned char byte) {
    if (byte <= 32 || byte >= 127) {
        return true;
    }
    switch (byte) {
        case '/':
        case '(':
        case ')':
        case '#':
        case '%':
        case '[':
        case ']':
        case '{':
        case '}':
        case '<':
        case '>':
            return true;
        default:
            return false;
    }
}

bool EndsWithLineFeed(const std::string& text) {
    return !text.empty() && text.back() == '\n';
}

}  // namespace

std::string FormatNumber(double value, int32_t precision) {
    if (precision <= 0) {
        int64_t whole = 0;
        if (!RoundToInt64(value, whole)) {
            throw std::range_error("number out of range");
        }
        return std::to_string(whole);
    }
    int64_t scaled = 0;
    if (!RoundToInt64(value * PowerOfTen(precision), scaled)) {
        throw std::range_error("number out of range");
    }
    if (scaled == 0) {
        return "0";
    }
    std::string s = std::to_string(scaled);
    const auto length = static_cast<int32_t>(s.size());
    if (s[0] == '-') {
        if (precision - (length - 1) >= 0) {
            s.insert(1, static_cast<size_t>(precision - (length - 1) + 1), '0');
        }
    } else if (precision - length >= 0) {
        s.insert(0, static_cast<size_t>(precision - length + 1), '0');
    }
    s.insert(s.size() - static_cast<size_t>(precision), 1, '.');
    if (s.back() == '0') {
        while (s.back() == '0') {
            s.pop_back();
        }
        if (s.back() == '.') {
            s.pop_back();
        }
    }
    return s;
}

void TPDFObject::Release() {
    Owner.Remove(*this);
}

void TPDFObject::SetIndirect(int32_t objectNumber, int32_t generation) {
    ObjectNumber = objectNumber;
    Generation = generation;
    IsIndirect = true;
}

std::string ExactNumberText(double value) {
    // Beyond 2^53 a double has no fractional part and every integer text reads back exactly.
    constexpr double kIntegerLimit = 9007199254740992.0;
    if (!std::isfinite(value)) {
        throw std::range_error("number out of range");
    }
    if (value == std::trunc(value) && std::fabs(value) < kIntegerLimit) {
        return std::to_string(static_cast<int64_t>(value));
    }
    std::array<char, 400> text{};
    const std::to_chars_result written =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (written.ec != std::errc()) {
        throw std::range_error("number out of range");
    }
    return std::string(text.data(), written.ptr);
}

std::string TPDFNumeric::WriteToText() const {
    if (FromFile && !Changed) {
        return ExactNumberText(Value);
    }
    return FormatNumber(Value, Owner.Precision);
}

void TPDFNumeric::SetValue(double value) {
    Value = value;
    Changed = true;
}

int32_t TPDFNumeric::AsInteger() const {
    int64_t rounded = 0;
    if (!RoundToInt64(Value, rounded)) {
        return 0;
    }
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(rounded)));
}

std::string TPDFName::WriteToText() const {
    std::string text;
    text.reserve(Value.size() + 1);
    text += '/';
    for (unsigned char byte : Value) {
        if (IsNameEscaped(byte)) {
            text += '#';
            text += kHexDigits[byte >> 4];
            text += kHexDigits[byte & 15];
        } else {
            text += static_cast<char>(byte);
        }
    }
    return text;
}

void TPDFName::SetValue(std::string value) {
    Value = std::move(value);
    Changed = true;
}

std::string TPDFString::WriteToText() const {
    std::string text;
    if (Mode == kLiteral) {
        text.reserve(Value.size() + 2);
        text += '(';
        for (char c : Value) {
            switch (c) {
                case 8:
                    text += "\\b";
                    break;
                case 9:
                    text += "\\t";
                    break;
                case 10:
                    text += "\\n";
                    break;
                case 12:
                    text += "\\f";
                    break;
                case 13:
                    text += "\\r";
                    break;
                case '(':
                case ')':
                case '\\':
                    text += '\\';
                    text += c;
                    break;
                default:
                    text += c;
            }
        }
        text += ')';
    } else if (Mode == kHexadecimal) {
        text.reserve(Value.size() * 2 + 2);
        text += '<';
        for (unsigned char byte : Value) {
            text += kHexDigits[byte >> 4];
            text += kHexDigits[byte & 15];
        }
        text += '>';
    }
    return text;
}

void TPDFString::SetValue(std::string value) {
    Value = std::move(value);
    Changed = true;
}

bool TPDFArray::IsChanged() const {
    if (Changed) {
        return true;
    }
    for (const TPDFObject* item : Items) {
        if (item != nullptr && item->IsChanged()) {
            return true;
        }
    }
    return false;
}

std::string TPDFArray::WriteToText() const {
    std::string text = "[ ";
    size_t lineStart = 0;
    for (const TPDFObject* item : Items) {
        if (item != nullptr) {
            text += item->WriteToText();
        }
        if (!EndsWithLineFeed(text)) {
            text += ' ';
        }
        if (text.size() - lineStart > 80) {
            text += '\n';
            lineStart = text.size();
        }
    }
    text += ']';
    return text;
}

void TPDFArray::Release() {
    for (TPDFObject* item : Items) {
        if (item != nullptr) {
            Owner.Remove(*item);
        }
    }
    Changed = true;
    Owner.Remove(*this);
}

void TPDFArray::ShiftObjectNumbers(int32_t delta) {
    for (TPDFObject* item : Items) {
        if (item != nullptr) {
            item->ShiftObjectNumbers(delta);
            Changed = true;
        }
    }
}

bool TPDFArray::RefersTo(const TPDFObject& object) const {
    for (const TPDFObject* item : Items) {
        if (item == &object) {
            return true;
        }
    }
    return false;
}

void TPDFArray::Add(TPDFObject& object) {
    if (Reserved > 0) {
        --Reserved;
    }
    Items.push_back(&object);
    Changed = true;
}

void TPDFArray::Reserve(int32_t n) {
    if (Reserved < n) {
        Items.reserve(Items.size() + static_cast<size_t>(n));
        Reserved = n;
    }
}

TPDFObject* TPDFArray::Item(int32_t index) const {
    return index >= 0 && index < Count() ? Items[static_cast<size_t>(index)] : nullptr;
}

void TPDFArray::SetItem(int32_t index, TPDFObject& object) {
    if (index < 0 || index >= Count()) {
        return;
    }
    TPDFObject*& slot = Items[static_cast<size_t>(index)];
    if (slot != nullptr) {
        Owner.Remove(*slot);
    }
    slot = &object;
    Changed = true;
}

int32_t TPDFArray::IndexOfText(const TPDFObject& object) const {
    const std::string wanted = object.WriteToText();
    for (int32_t i = 0; i < Count(); ++i) {
        const TPDFObject* item = Items[static_cast<size_t>(i)];
        if (item != nullptr && item->WriteToText() == wanted) {
            return i;
        }
    }
    return -1;
}

bool TPDFDictionary::IsChanged() const {
    if (Changed) {
        return true;
    }
    for (const auto& [key, value] : Entries) {
        if (value != nullptr && value->IsChanged()) {
            return true;
        }
    }
    return false;
}

std::string TPDFDictionary::WriteToText() const {
    std::string text = "<<\n";
    for (const auto& [key, value] : Entries) {
        try {
            std::string entry = key != nullptr ? key->WriteToText() : std::string();
            entry += ' ';
            if (value != nullptr) {
                entry += value->WriteToText();
            }
            text += entry;
        } catch (const std::exception&) {
            text += "% bug \n";
        }
        if (!EndsWithLineFeed(text)) {
            text += '\n';
        }
    }
    text += ">>\n";
    return text;
}

void TPDFDictionary::Release() {
    for (auto& [key, value] : Entries) {
        if (key != nullptr) {
            key->Release();
        }
        if (value != nullptr) {
            value->Release();
        }
    }
    Changed = true;
    Owner.Remove(*this);
}

void TPDFDictionary::ShiftObjectNumbers(int32_t delta) {
    for (auto& [key, value] : Entries) {
        if (value != nullptr) {
            value->ShiftObjectNumbers(delta);
        }
    }
    Changed = true;
}

bool TPDFDictionary::RefersTo(const TPDFObject& object) const {
    for (const auto& [key, value] : Entries) {
        if (key == &object || value == &object) {
            return true;
        }
    }
    return false;
}

int32_t TPDFDictionary::IndexOfKey(std::string_view name) const {
    for (size_t i = 0; i < Entries.size(); ++i) {
        const TPDFName* key = Entries[i].first;
        if (key != nullptr && key->Value == name) {
            return static_cast<int32_t>(i);
        }
    }
    return -1;
}

void TPDFDictionary::SetEntry(TPDFName& key, TPDFObject& value) {
    int32_t index = IndexOfKey(key.Value);
    if (index >= 0) {
        Entries[static_cast<size_t>(index)] = {&key, &value};
    } else {
        Entries.emplace_back(&key, &value);
    }
    Changed = true;
}

void TPDFDictionary::Add(std::string_view name, TPDFObject& value) {
    if (&value != this) {
        SetEntry(Owner.KeyName(name), value);
    }
    Changed = true;
}

TPDFObject* TPDFDictionary::GetValue(std::string_view name, bool resolve) const {
    int32_t index = IndexOfKey(name);
    if (index < 0) {
        return nullptr;
    }
    TPDFObject* value = Entries[static_cast<size_t>(index)].second;
    if (resolve) {
        if (auto* reference = As<TPDFIndRef>(value)) {
            return reference->Resolve();
        }
    }
    return value;
}

std::string TPDFDictionary::GetTypeName() const {
    auto* name = As<TPDFName>(GetValue(kType));
    return name != nullptr ? name->Value : std::string();
}

int32_t TPDFDictionary::GetInteger(std::string_view name, int32_t defaultValue) const {
    auto* number = As<TPDFNumeric>(GetValue(name, true));
    return number != nullptr ? number->AsInteger() : defaultValue;
}

void TPDFDictionary::RemoveKey(std::string_view name) {
    int32_t index = IndexOfKey(name);
    if (index < 0) {
        return;
    }
    Entries.erase(Entries.begin() + index);
    Changed = true;
}

void TPDFDictionary::DeleteKey(std::string_view name) {
    int32_t index = IndexOfKey(name);
    if (index < 0) {
        return;
    }
    auto [key, value] = Entries[static_cast<size_t>(index)];
    if (value != nullptr &&
        (value->TypeTag == TPDFDictionary::kTag || value->TypeTag == TPDFArray::kTag)) {
        value->Release();
    }
    if (key != nullptr && !IsSharedKeyName(name)) {
        Owner.Remove(*key);
    }
    RemoveKey(name);
}

void TPDFDictionary::Assign(const TPDFDictionary& source) {
    if (&source.Owner == &Owner) {
        if (&source != this) {
            Entries = source.Entries;
        }
    } else if (auto* copy = As<TPDFDictionary>(&Owner.Parse(source.WriteToText()))) {
        Entries = copy->Entries;
    }
    Changed = true;
}

TPDFDictionary::Entry TPDFDictionary::EntryAt(int32_t index) const {
    if (index < 0 || index >= EntryCount()) {
        return {nullptr, nullptr};
    }
    return Entries[static_cast<size_t>(index)];
}

std::string TPDFStream::WriteToText() const {
    std::string text = Dictionary->WriteToText();
    text.reserve(text.size() + Data.size() + 18);
    text += "stream\n";
    text += Data;
    text += "\nendstream";
    return text;
}

void TPDFStream::Release() {
    Dictionary->Release();
    Owner.Remove(*this);
}

void TPDFStream::ShiftObjectNumbers(int32_t delta) {
    Dictionary->ShiftObjectNumbers(delta);
    Changed = true;
}

bool TPDFStream::RefersTo(const TPDFObject& object) const {
    return Dictionary->RefersTo(object);
}

void TPDFStream::SetDictionary(TPDFDictionary& dictionary) {
    TPDFDictionary* old = Dictionary;
    Dictionary = &dictionary;
    if (old != &dictionary) {
        Owner.Remove(*old);
    }
    Changed = true;
}

void TPDFStream::SetRawData(std::string bytes) {
    Data = std::move(bytes);
    const auto size = static_cast<double>(Data.size());
    if (auto* length = As<TPDFNumeric>(Dictionary->GetValue(kLength))) {
        length->SetValue(size);
    } else {
        Dictionary->Add(kLength, Owner.NewNumber(size));
    }
    Changed = true;
}

void TPDFStream::SetData(const std::string& bytes, bool compress) {
    if (compress) {
        SetRawData(FlateEncode(bytes));
        Dictionary->DeleteKey(kFilter);
        Dictionary->Add(kFilter, Owner.NewName("FlateDecode"));
    } else {
        SetRawData(bytes);
        Dictionary->DeleteKey(kFilter);
    }
    Changed = true;
}

std::string TPDFIndRef::WriteToText() const {
    return std::to_string(RefNumber) + ' ' + std::to_string(RefGeneration) + " R";
}

void TPDFIndRef::ShiftObjectNumbers(int32_t delta) {
    RefNumber =
        static_cast<int32_t>(static_cast<uint32_t>(RefNumber) + static_cast<uint32_t>(delta));
}

TPDFObject* TPDFIndRef::Resolve() const {
    if (!Owner.OnResolveReference) {
        return nullptr;
    }
    return Owner.OnResolveReference(const_cast<TPDFIndRef&>(*this), RefNumber, RefGeneration);
}

}  // namespace foldant
