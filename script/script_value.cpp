#include "script/script_value.h"

#include <cmath>

#include "script/script_datetime.h"
#include "script/script_text.h"

namespace foldant {
namespace {

// Rounds half to even, as the dialect's Round does, and refuses what no integer can hold.
int64_t RoundToInteger(double value, const ScriptValue& source) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) {
        ThrowConversionError(source, "Integer");
    }
    double rounded = std::nearbyint(value);
    if (std::fabs(value - std::trunc(value)) == 0.5) {
        double down = std::floor(value);
        rounded = std::fmod(down, 2.0) == 0 ? down : down + 1;
    }
    return static_cast<int64_t>(rounded);
}

}  // namespace

void ThrowConversionError(const ScriptValue& value, const char* target) {
    throw ScriptError("Could not convert variant of type (" + value.KindName() + ") into type (" +
                      target + ")");
}

ScriptValue ScriptValue::Null() {
    ScriptValue v;
    v.kind_ = ValueKind::Null;
    return v;
}

ScriptValue ScriptValue::FromBool(bool value) {
    ScriptValue v;
    v.kind_ = ValueKind::Boolean;
    v.bool_ = value;
    return v;
}

ScriptValue ScriptValue::FromInt(int64_t value) {
    ScriptValue v;
    v.kind_ = ValueKind::Integer;
    v.int_ = value;
    return v;
}

ScriptValue ScriptValue::FromDouble(double value) {
    ScriptValue v;
    v.kind_ = ValueKind::Double;
    v.double_ = value;
    return v;
}

ScriptValue ScriptValue::FromDate(double value) {
    ScriptValue v;
    v.kind_ = ValueKind::Date;
    v.double_ = value;
    return v;
}

ScriptValue ScriptValue::FromString(std::string value) {
    ScriptValue v;
    v.kind_ = ValueKind::String;
    v.text_ = std::move(value);
    return v;
}

ScriptValue ScriptValue::FromObject(ScriptObject* object) {
    ScriptValue v;
    v.kind_ = ValueKind::Object;
    v.object_ = object;
    return v;
}

ScriptValue ScriptValue::FromArray(ScriptArray array) {
    ScriptValue v;
    v.kind_ = ValueKind::Array;
    v.array_ = std::make_shared<ScriptArray>(std::move(array));
    return v;
}

bool ScriptValue::IsNumeric() const {
    return kind_ == ValueKind::Integer || kind_ == ValueKind::Double || kind_ == ValueKind::Date;
}

bool ScriptValue::IsNil() const {
    return kind_ == ValueKind::Empty || kind_ == ValueKind::Null ||
           (kind_ == ValueKind::Object && object_ == nullptr);
}

bool ScriptValue::AsBool() const {
    switch (kind_) {
        case ValueKind::Empty:
            return false;
        case ValueKind::Boolean:
            return bool_;
        case ValueKind::Integer:
            return int_ != 0;
        case ValueKind::Double:
        case ValueKind::Date:
            return double_ != 0;
        case ValueKind::String: {
            if (EqualsIgnoringAsciiCase(TrimText(text_), "true")) {
                return true;
            }
            if (EqualsIgnoringAsciiCase(TrimText(text_), "false")) {
                return false;
            }
            if (auto number = ParseFloat(text_)) {
                return *number != 0;
            }
            break;
        }
        default:
            break;
    }
    ThrowConversionError(*this, "Boolean");
}

int64_t ScriptValue::AsInt() const {
    switch (kind_) {
        case ValueKind::Empty:
            return 0;
        case ValueKind::Boolean:
            return bool_ ? -1 : 0;
        case ValueKind::Integer:
            return int_;
        case ValueKind::Double:
        case ValueKind::Date:
            return RoundToInteger(double_, *this);
        case ValueKind::String:
            if (auto number = ParseInteger(text_)) {
                return *number;
            }
            if (auto number = ParseFloat(text_)) {
                return RoundToInteger(*number, *this);
            }
            break;
        default:
            break;
    }
    ThrowConversionError(*this, "Integer");
}

double ScriptValue::AsDouble() const {
    switch (kind_) {
        case ValueKind::Empty:
            return 0;
        case ValueKind::Boolean:
            return bool_ ? -1 : 0;
        case ValueKind::Integer:
            return static_cast<double>(int_);
        case ValueKind::Double:
        case ValueKind::Date:
            return double_;
        case ValueKind::String:
            if (auto number = ParseFloat(text_)) {
                return *number;
            }
            if (auto number = ParseInteger(text_)) {
                return static_cast<double>(*number);
            }
            break;
        default:
            break;
    }
    ThrowConversionError(*this, "Double");
}

std::string ScriptValue::AsString() const {
    switch (kind_) {
        case ValueKind::Empty:
        case ValueKind::Null:
            return {};
        case ValueKind::Boolean:
            return bool_ ? "True" : "False";
        case ValueKind::Integer:
            return std::to_string(int_);
        case ValueKind::Double:
            return FloatToText(double_);
        case ValueKind::Date:
            return DateTimeToText(double_);
        case ValueKind::String:
            return text_;
        case ValueKind::Object:
            if (object_ == nullptr) {
                return {};
            }
            break;
        case ValueKind::Array:
            break;
    }
    ThrowConversionError(*this, "String");
}

ScriptObject* ScriptValue::AsObject() const {
    if (kind_ == ValueKind::Object) {
        return object_;
    }
    if (IsNil()) {
        return nullptr;
    }
    ThrowConversionError(*this, "Object");
}

const ScriptArray& ScriptValue::AsArray() const {
    if (kind_ != ValueKind::Array) {
        ThrowConversionError(*this, "Array");
    }
    return *array_;
}

ScriptArray& ScriptValue::MutableArray() {
    if (kind_ != ValueKind::Array) {
        ThrowConversionError(*this, "Array");
    }
    if (array_.use_count() > 1) {
        array_ = std::make_shared<ScriptArray>(*array_);
    }
    return *array_;
}

std::string ScriptValue::KindName() const {
    switch (kind_) {
        case ValueKind::Empty:
            return "Empty";
        case ValueKind::Null:
            return "Null";
        case ValueKind::Boolean:
            return "Boolean";
        case ValueKind::Integer:
            return "Integer";
        case ValueKind::Double:
            return "Double";
        case ValueKind::Date:
            return "Date";
        case ValueKind::String:
            return "String";
        case ValueKind::Object:
            return "Object";
        case ValueKind::Array:
            return "Array";
    }
    return "Unknown";
}

ScriptValue ConvertTo(const ScriptValue& value, ScriptType type) {
    switch (type) {
        case ScriptType::Variant:
            return value;
        case ScriptType::Integer:
            return value.Kind() == ValueKind::Integer ? value : ScriptValue::FromInt(value.AsInt());
        case ScriptType::Double:
            return ScriptValue::FromDouble(value.AsDouble());
        case ScriptType::String:
            return value.IsString() ? value : ScriptValue::FromString(value.AsString());
        case ScriptType::Char:
            if (value.IsString() && value.StringRef().size() == 1) {
                return value;
            }
            ThrowConversionError(value, "Char");
        case ScriptType::Boolean:
            return ScriptValue::FromBool(value.AsBool());
        case ScriptType::Date:
            if (value.IsString()) {
                if (auto date = TextToDateTime(value.StringRef())) {
                    return ScriptValue::FromDate(*date);
                }
            }
            return ScriptValue::FromDate(value.AsDouble());
        case ScriptType::Object:
            return ScriptValue::FromObject(value.AsObject());
        case ScriptType::Array:
            value.AsArray();
            return value;
    }
    return value;
}

ScriptValue DefaultValue(ScriptType type) {
    switch (type) {
        case ScriptType::Variant:
            return {};
        case ScriptType::Integer:
            return ScriptValue::FromInt(0);
        case ScriptType::Double:
            return ScriptValue::FromDouble(0);
        case ScriptType::String:
            return ScriptValue::FromString({});
        case ScriptType::Char:
            return ScriptValue::FromString(std::string(1, '\0'));
        case ScriptType::Boolean:
            return ScriptValue::FromBool(false);
        case ScriptType::Date:
            return ScriptValue::FromDate(0);
        case ScriptType::Object:
            return ScriptValue::FromObject(nullptr);
        case ScriptType::Array:
            return ScriptValue::FromArray({});
    }
    return {};
}

}  // namespace foldant
