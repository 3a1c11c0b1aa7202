#pragma once

// The dynamically typed value of the script interpreter. Values behave as the variants of the
// Pascal dialect: every value can be asked for its text, its number or its truth, and a
// conversion that has no sensible answer raises a ScriptError with the dialect's wording.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace foldant {

// A run-time failure inside a script: a conversion, a division by zero, RaiseException.
class ScriptError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class ScriptObject;
class ScriptValue;

// Elements of an array value and the index of the first one.
// The static types a variable may be declared with.
enum class ScriptType { Variant, Integer, Double, String, Char, Boolean, Date, Object, Array };

// Elements of an array value, the index of the first one and the type every element converts to.
struct ScriptArray {
    int64_t lowBound = 0;
    ScriptType elementType = ScriptType::Variant;
    std::vector<ScriptValue> items;
};

enum class ValueKind { Empty, Null, Boolean, Integer, Double, Date, String, Object, Array };

class ScriptValue {
  public:
    ScriptValue() = default;
    static ScriptValue Null();
    static ScriptValue FromBool(bool value);
    static ScriptValue FromInt(int64_t value);
    static ScriptValue FromDouble(double value);
    static ScriptValue FromDate(double value);
    static ScriptValue FromString(std::string value);
    // The object is borrowed; null stands for nil.
    static ScriptValue FromObject(ScriptObject* object);
    static ScriptValue FromArray(ScriptArray array);

    ValueKind Kind() const { return kind_; }
    bool IsEmpty() const { return kind_ == ValueKind::Empty; }
    bool IsNull() const { return kind_ == ValueKind::Null; }
    bool IsNumeric() const;
    bool IsString() const { return kind_ == ValueKind::String; }
    // True for nil, Null and Empty: the values that compare equal to nil.
    bool IsNil() const;

    bool AsBool() const;
    int64_t AsInt() const;
    double AsDouble() const;
    // The text form: numbers with the process-wide decimal separator, Booleans as "True" and
    // "False", dates in the short date and time format, Null and Empty as the empty text.
    std::string AsString() const;
    ScriptObject* AsObject() const;
    const ScriptArray& AsArray() const;
    // Shared elements are copied first, so array values keep value semantics.
    ScriptArray& MutableArray();

    const std::string& StringRef() const { return text_; }
    // The name of the kind as conversion errors spell it ("String", "Integer", ...).
    std::string KindName() const;

  private:
    ValueKind kind_ = ValueKind::Empty;
    bool bool_ = false;
    int64_t int_ = 0;
    double double_ = 0;
    std::string text_;
    ScriptObject* object_ = nullptr;
    std::shared_ptr<ScriptArray> array_;
};

// "Could not convert variant of type (String) into type (Double)".
[[noreturn]] void ThrowConversionError(const ScriptValue& value, const char* target);

// The value converted for a variable of the given type; raises ScriptError when it cannot be.
ScriptValue ConvertTo(const ScriptValue& value, ScriptType type);
// The value a variable of the type holds before anything is assigned.
ScriptValue DefaultValue(ScriptType type);

}  // namespace foldant
