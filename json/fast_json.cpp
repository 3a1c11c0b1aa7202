#include "json/fast_json.h"

#include <cstdio>

#include "json/fast_json_syntax.h"
#include "json/json_error.h"
#include "json/json_number.h"
#include "platform/windows1252.h"

namespace foldant {

using fast_json::AppendEscaped;
using fast_json::Classify;
using fast_json::CutAtSeparators;
using fast_json::IsQuoted;
using fast_json::PieceKind;
using fast_json::Trim;
using fast_json::Unescape;

const char* ValueTypeName(TJsonValueType kind) {
    static const char* const kNames[] = {"jvNone",    "jvNull",   "jvString", "jvNumber",
                                         "jvBoolean", "jvObject", "jvArray"};
    return kNames[static_cast<int>(kind)];
}

std::string ListIndexErrorText(int index) {
    char text[96];
    std::snprintf(text, sizeof text,
                  "Der Index der Liste \xFC"
                  "berschreitet das Maximum (%d)",
                  index);
    return text;
}

void TJsonBase::RaiseError(const std::string& message) const {
    throw JsonError("<" + std::string(ClassName()) + ">" + message);
}

void TJsonBase::RaiseParseError(std::string_view text) const {
    RaiseError("\"" + EnclosingPairName() + "\" parse error: " + std::string(text.substr(0, 100)) +
               " ..");
}

void TJsonBase::RaiseValueTypeError(TJsonValueType from, TJsonValueType to) const {
    RaiseError("\"" + EnclosingPairName() + "\" value type error: " + ValueTypeName(from) + " to " +
               ValueTypeName(to));
}

std::string TJsonBase::EnclosingPairName() const {
    for (const TJsonBase* node = this; node; node = node->Owner()) {
        if (auto* pair = dynamic_cast<const TJsonPair*>(node)) {
            return pair->Name();
        }
    }
    return {};
}

TJsonValue::TJsonValue(TJsonBase* owner) : TJsonBase(owner) {}
TJsonValue::~TJsonValue() = default;

void TJsonValue::Reset(TJsonValueType kind) {
    text_.clear();
    number_ = 0;
    boolean_ = false;
    object_.reset();
    array_.reset();
    kind_ = kind;
}

TJsonArray& TJsonValue::AsArray() {
    if (kind_ == TJsonValueType::jvNone) {
        Reset(TJsonValueType::jvArray);
        array_ = std::make_unique<TJsonArray>(this);
    }
    if (kind_ != TJsonValueType::jvArray) {
        RaiseValueTypeError(kind_, TJsonValueType::jvArray);
    }
    return *array_;
}

TJsonObject& TJsonValue::AsObject() {
    if (kind_ == TJsonValueType::jvNone) {
        Reset(TJsonValueType::jvObject);
        object_ = std::make_unique<TJsonObject>(this);
    }
    if (kind_ != TJsonValueType::jvObject) {
        RaiseValueTypeError(kind_, TJsonValueType::jvObject);
    }
    return *object_;
}

std::string TJsonValue::AsText() const {
    switch (kind_) {
        case TJsonValueType::jvString:
            return text_;
        case TJsonValueType::jvNumber:
            return FixedOrScientificNumberText(number_);
        case TJsonValueType::jvBoolean:
            return boolean_ ? "true" : "false";
        case TJsonValueType::jvNone:
        case TJsonValueType::jvNull:
            return {};
        default:
            RaiseValueTypeError(kind_, TJsonValueType::jvString);
    }
}

double TJsonValue::AsNumber() const {
    if (kind_ != TJsonValueType::jvNumber) {
        RaiseValueTypeError(kind_, TJsonValueType::jvNumber);
    }
    return number_;
}

bool TJsonValue::AsBoolean() const {
    if (kind_ != TJsonValueType::jvBoolean) {
        RaiseValueTypeError(kind_, TJsonValueType::jvBoolean);
    }
    return boolean_;
}

void TJsonValue::SetText(std::string text) {
    Reset(TJsonValueType::jvString);
    text_ = std::move(text);
}

void TJsonValue::SetNumber(double number) {
    Reset(TJsonValueType::jvNumber);
    number_ = number;
}

void TJsonValue::SetBoolean(bool value) {
    Reset(TJsonValueType::jvBoolean);
    boolean_ = value;
}

void TJsonValue::SetNull() {
    Reset(TJsonValueType::jvNull);
}

void TJsonValue::Parse(std::string_view text, int depth) {
    auto piece = Classify(text);
    switch (piece.kind) {
        case PieceKind::String:
            SetText(Unescape(text.substr(1, text.size() - 2), ClassName()));
            break;
        case PieceKind::Number:
            SetNumber(piece.number);
            break;
        case PieceKind::Boolean:
            SetBoolean(EqualsIgnoringAsciiCase(text, "true"));
            break;
        case PieceKind::Null:
            SetNull();
            break;
        case PieceKind::Object:
            Reset(TJsonValueType::jvObject);
            object_ = std::make_unique<TJsonObject>(this);
            object_->Parse(text, depth + 1);
            break;
        case PieceKind::Array:
            Reset(TJsonValueType::jvArray);
            array_ = std::make_unique<TJsonArray>(this);
            array_->Parse(text, depth + 1);
            break;
        case PieceKind::NotAValue:
            RaiseParseError(text);
    }
}

void TJsonValue::AppendText(std::string& out) const {
    switch (kind_) {
        case TJsonValueType::jvString:
            out += '"';
            AppendEscaped(out, text_);
            out += '"';
            break;
        case TJsonValueType::jvNumber:
            out += FixedOrScientificNumberText(number_);
            break;
        case TJsonValueType::jvBoolean:
            out += boolean_ ? "true" : "false";
            break;
        case TJsonValueType::jvObject:
            object_->AppendText(out);
            break;
        case TJsonValueType::jvArray:
            array_->AppendText(out);
            break;
        case TJsonValueType::jvNone:
        case TJsonValueType::jvNull:
            out += "null";
            break;
    }
}

TJsonValue& TJsonArray::Item(int index) const {
    if (index < 0 || index >= Count()) {
        throw JsonError(ListIndexErrorText(index));
    }
    return *items_[static_cast<size_t>(index)];
}

TJsonValue& TJsonArray::Add() {
    return *items_.emplace_back(std::make_unique<TJsonValue>(this));
}

void TJsonArray::Parse(std::string_view text, int depth) {
    text = Trim(text);
    if (depth > TFastJSON::kMaxDepth || text.size() < 2 || text.front() != '[' ||
        text.back() != ']') {
        RaiseParseError(text);
    }
    for (std::string_view piece : CutAtSeparators(Trim(text.substr(1, text.size() - 2)), ',')) {
        Add().Parse(piece, depth);
    }
}

void TJsonArray::AppendText(std::string& out) const {
    out += '[';
    for (size_t i = 0; i < items_.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        items_[i]->AppendText(out);
    }
    out += ']';
}

TJsonPair::TJsonPair(TJsonBase* owner, std::string name)
    : TJsonBase(owner), name_(std::move(name)), value_(std::make_unique<TJsonValue>(this)) {}

void TJsonPair::Parse(std::string_view text, int depth) {
    auto pieces = CutAtSeparators(text, ':');
    if (pieces.size() != 2) {
        RaiseParseError(text);
    }
    if (!IsQuoted(pieces[0])) {
        RaiseParseError(pieces[0]);
    }
    name_ = Unescape(pieces[0].substr(1, pieces[0].size() - 2), ClassName());
    value_->Parse(pieces[1], depth);
}

void TJsonPair::AppendText(std::string& out) const {
    out += '"';
    AppendEscaped(out, name_);
    out += "\":";
    value_->AppendText(out);
}

TJsonValue& TJsonObject::Member(std::string_view name) {
    for (auto& pair : pairs_) {
        if (EqualsIgnoringAsciiCase(pair->Name(), name)) {
            return pair->Value();
        }
    }
    return Add(std::string(name)).Value();
}

TJsonPair& TJsonObject::Pair(int index) const {
    if (index < 0 || index >= Count()) {
        throw JsonError(ListIndexErrorText(index));
    }
    return *pairs_[static_cast<size_t>(index)];
}

TJsonPair& TJsonObject::Add(std::string name) {
    return *pairs_.emplace_back(std::make_unique<TJsonPair>(this, std::move(name)));
}

void TJsonObject::Parse(std::string_view text, int depth) {
    text = Trim(text);
    if (depth > TFastJSON::kMaxDepth || text.size() < 2 || text.front() != '{' ||
        text.back() != '}') {
        RaiseParseError(text);
    }
    for (std::string_view piece : CutAtSeparators(Trim(text.substr(1, text.size() - 2)), ',')) {
        Add({}).Parse(piece, depth);
    }
}

void TJsonObject::AppendText(std::string& out) const {
    out += '{';
    for (size_t i = 0; i < pairs_.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        pairs_[i]->AppendText(out);
    }
    out += '}';
}

TFastJSON::TFastJSON() : TJsonBase(nullptr) {}
TFastJSON::~TFastJSON() = default;

void TFastJSON::Clear() {
    object_.reset();
    array_.reset();
}

TJsonValueType TFastJSON::RootKind() const {
    if (object_) {
        return TJsonValueType::jvObject;
    }
    return array_ ? TJsonValueType::jvArray : TJsonValueType::jvNone;
}

void TFastJSON::Parse(std::string_view text) {
    Clear();
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
        array_ = std::make_unique<TJsonArray>(this);
        array_->Parse(text, 1);
    } else if (text.size() >= 2 && text.front() == '{' && text.back() == '}') {
        object_ = std::make_unique<TJsonObject>(this);
        object_->Parse(text, 1);
    } else {
        RaiseParseError(text);
    }
}

TJsonValue& TFastJSON::Member(std::string_view name) {
    if (RootKind() == TJsonValueType::jvNone) {
        object_ = std::make_unique<TJsonObject>(this);
    }
    if (!object_) {
        RaiseError("json struct type is not jsObject");
    }
    return object_->Member(name);
}

std::string TFastJSON::ToText() const {
    std::string out;
    if (object_) {
        object_->AppendText(out);
    } else if (array_) {
        array_->AppendText(out);
    }
    return out;
}

}  // namespace foldant
