#include <cmath>
#include <mutex>
#include <random>

#include "platform/message_box.h"
#include "script/script_datetime.h"
#include "script/script_format.h"
#include "script/script_library.h"
#include "script/script_text.h"

namespace foldant {
namespace {

using Args = std::vector<ScriptValue>;

// The longest text or array a script may ask for with SetLength or VarArrayCreate.
constexpr int64_t kMaxLength = 64 << 20;
constexpr int64_t kMaxArrayLength = 1 << 20;

ScriptValue Text(std::string value) {
    return ScriptValue::FromString(std::move(value));
}
ScriptValue Int(int64_t value) {
    return ScriptValue::FromInt(value);
}
ScriptValue Real(double value) {
    return ScriptValue::FromDouble(value);
}
ScriptValue Bool(bool value) {
    return ScriptValue::FromBool(value);
}
ScriptValue Date(double value) {
    return ScriptValue::FromDate(value);
}

double Checked(double value) {
    if (std::isnan(value)) {
        throw ScriptError("Invalid floating point operation");
    }
    if (std::isinf(value)) {
        throw ScriptError("Floating point overflow");
    }
    return value;
}

int64_t ToInteger(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) {
        throw ScriptError("Invalid floating point operation");
    }
    return static_cast<int64_t>(value);
}

// Position and count of Copy, Delete and Insert, clipped to the text as the dialect does.
void Clip(const std::string& text, int64_t index, int64_t count, size_t& from, size_t& length) {
    int64_t size = static_cast<int64_t>(text.size());
    if (index < 1) {
        index = 1;
    }
    if (index > size || count <= 0) {
        from = 0;
        length = 0;
        return;
    }
    from = static_cast<size_t>(index - 1);
    length = static_cast<size_t>(std::min(count, size - index + 1));
}

std::mt19937_64& Generator() {
    static std::mt19937_64 generator{0x5EED};
    return generator;
}
std::mutex gRandomGuard;

// ---- strings

ScriptValue Length(Args& a) {
    if (a[0].Kind() == ValueKind::Array) {
        return Int(static_cast<int64_t>(a[0].AsArray().items.size()));
    }
    return Int(static_cast<int64_t>(a[0].AsString().size()));
}

ScriptValue Copy(Args& a) {
    std::string text = a[0].AsString();
    size_t from, length;
    Clip(text, a[1].AsInt(), a.size() > 2 ? a[2].AsInt() : INT64_MAX, from, length);
    return Text(text.substr(from, length));
}

ScriptValue Delete(Args& a) {
    std::string text = a[0].AsString();
    size_t from, length;
    Clip(text, a[1].AsInt(), a[2].AsInt(), from, length);
    text.erase(from, length);
    a[0] = Text(std::move(text));
    return {};
}

ScriptValue DeleteStr(Args& a) {
    std::string text = a[0].AsString();
    size_t from, length;
    Clip(text, a[1].AsInt(), a[2].AsInt(), from, length);
    text.erase(from, length);
    return Text(std::move(text));
}

ScriptValue Insert(Args& a) {
    std::string text = a[1].AsString();
    std::string part = a[0].AsString();
    int64_t index = a[2].AsInt();
    if (text.size() + part.size() > static_cast<size_t>(kMaxLength)) {
        throw ScriptError("Out of memory");
    }
    index = std::max<int64_t>(1, std::min<int64_t>(index, static_cast<int64_t>(text.size()) + 1));
    text.insert(static_cast<size_t>(index - 1), part);
    a[1] = Text(std::move(text));
    return {};
}

ScriptValue Pos(Args& a) {
    std::string part = a[0].AsString();
    std::string text = a[1].AsString();
    if (part.empty()) {
        return Int(0);
    }
    size_t found = text.find(part);
    return Int(found == std::string::npos ? 0 : static_cast<int64_t>(found) + 1);
}

ScriptValue SetLength(Args& a) {
    int64_t length = a[1].AsInt();
    if (length < 0) {
        length = 0;
    }
    if (a[0].Kind() == ValueKind::Array) {
        if (length > kMaxArrayLength) {
            throw ScriptError("Out of memory");
        }
        ScriptArray& array = a[0].MutableArray();
        array.items.resize(static_cast<size_t>(length), DefaultValue(array.elementType));
        return {};
    }
    if (length > kMaxLength) {
        throw ScriptError("Out of memory");
    }
    std::string text = a[0].AsString();
    text.resize(static_cast<size_t>(length), ' ');
    a[0] = Text(std::move(text));
    return {};
}

ScriptValue Trim(Args& a) {
    return Text(TrimText(a[0].AsString()));
}
ScriptValue Uppercase(Args& a) {
    return Text(AsciiUpperCase(a[0].AsString()));
}
ScriptValue Lowercase(Args& a) {
    return Text(AsciiLowerCase(a[0].AsString()));
}

ScriptValue CompareText(Args& a) {
    std::string x = AsciiUpperCase(a[0].AsString());
    std::string y = AsciiUpperCase(a[1].AsString());
    size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i) {
        if (x[i] != y[i]) {
            return Int(static_cast<unsigned char>(x[i]) - static_cast<unsigned char>(y[i]));
        }
    }
    return Int(static_cast<int64_t>(x.size()) - static_cast<int64_t>(y.size()));
}

// Every word begins with a capital letter, the rest in small letters.
ScriptValue NameCase(Args& a) {
    std::string text = a[0].AsString();
    bool start = true;
    for (char& c : text) {
        bool letter = AnsiUpperChar(c) != AnsiLowerChar(c);
        c = start ? AnsiUpperChar(c) : AnsiLowerChar(c);
        start = !letter && c != '\'';
    }
    return Text(std::move(text));
}

ScriptValue Chr(Args& a) {
    return Text(std::string(1, static_cast<char>(a[0].AsInt() & 0xFF)));
}

ScriptValue Ord(Args& a) {
    if (a[0].IsString()) {
        if (a[0].StringRef().size() != 1) {
            throw ScriptError("Ordinal type required");
        }
        return Int(static_cast<unsigned char>(a[0].StringRef()[0]));
    }
    if (a[0].Kind() == ValueKind::Boolean) {
        return Int(a[0].AsBool() ? 1 : 0);
    }
    return Int(a[0].AsInt());
}

// ---- conversions

ScriptValue IntToStr(Args& a) {
    return Text(std::to_string(a[0].AsInt()));
}

ScriptValue StrToInt(Args& a) {
    std::string text = a[0].AsString();
    auto value = ParseInteger(text);
    if (!value) {
        throw ScriptError("'" + text + "' is not a valid integer value");
    }
    return Int(*value);
}

ScriptValue StrToFloat(Args& a) {
    std::string text = a[0].AsString();
    auto value = ParseFloat(text);
    if (!value) {
        throw ScriptError("'" + text + "' is not a valid floating point value");
    }
    return Real(*value);
}

ScriptValue FloatToStr(Args& a) {
    return Text(FloatToText(a[0].AsDouble()));
}

ScriptValue ValidInt(Args& a) {
    return Bool(ParseInteger(a[0].AsString()).has_value());
}
ScriptValue ValidFloat(Args& a) {
    return Bool(ParseFloat(a[0].AsString()).has_value());
}
ScriptValue ValidDate(Args& a) {
    return Bool(TextToDateTime(a[0].AsString()).has_value());
}

ScriptValue VarToStr(Args& a) {
    return Text(a[0].AsString());
}

ScriptValue VarType(Args& a) {
    switch (a[0].Kind()) {
        case ValueKind::Empty:
            return Int(0);
        case ValueKind::Null:
            return Int(1);
        case ValueKind::Integer:
            return Int(3);
        case ValueKind::Double:
            return Int(5);
        case ValueKind::Date:
            return Int(7);
        case ValueKind::Object:
            return Int(9);
        case ValueKind::Boolean:
            return Int(11);
        case ValueKind::String:
            return Int(0x100);
        case ValueKind::Array:
            return Int(0x200C);
    }
    return Int(0);
}

ScriptValue VarArrayCreate(Args& a) {
    const ScriptArray& bounds = a[0].AsArray();
    if (bounds.items.size() != 2) {
        throw ScriptError("Variant array bounds must be one low and one high bound");
    }
    int64_t low = bounds.items[0].AsInt();
    int64_t high = bounds.items[1].AsInt();
    bool empty = low != INT64_MIN && high == low - 1;
    uint64_t span = static_cast<uint64_t>(high) - static_cast<uint64_t>(low);
    if (!empty && (high < low || span >= static_cast<uint64_t>(kMaxArrayLength))) {
        throw ScriptError("Invalid variant array bounds");
    }
    ScriptArray array;
    array.lowBound = low;
    array.items.resize(empty ? 0 : static_cast<size_t>(span) + 1);
    return ScriptValue::FromArray(std::move(array));
}

ScriptValue Format(Args& a) {
    std::vector<ScriptValue> values;
    if (a[1].Kind() == ValueKind::Array) {
        values = a[1].AsArray().items;
    } else {
        values.push_back(a[1]);
    }
    return Text(FormatText(a[0].AsString(), values));
}

ScriptValue FormatFloat(Args& a) {
    return Text(FormatFloatText(a[0].AsString(), a[1].AsDouble()));
}

ScriptValue FormatMaskText(Args& a) {
    return Text(FormatMaskedText(a[0].AsString(), a[1].AsString()));
}

// ---- numbers

ScriptValue Abs(Args& a) {
    if (a[0].Kind() == ValueKind::Integer) {
        int64_t v = a[0].AsInt();
        return Int(v < 0 ? static_cast<int64_t>(0 - static_cast<uint64_t>(v)) : v);
    }
    return Real(std::fabs(a[0].AsDouble()));
}

ScriptValue ArcTan(Args& a) {
    return Real(std::atan(a[0].AsDouble()));
}
ScriptValue Cos(Args& a) {
    return Real(std::cos(a[0].AsDouble()));
}
ScriptValue Sin(Args& a) {
    return Real(std::sin(a[0].AsDouble()));
}
ScriptValue Tan(Args& a) {
    return Real(Checked(std::tan(a[0].AsDouble())));
}
ScriptValue Exp(Args& a) {
    return Real(Checked(std::exp(a[0].AsDouble())));
}

ScriptValue Ln(Args& a) {
    double v = a[0].AsDouble();
    if (v <= 0) {
        throw ScriptError("Invalid floating point operation");
    }
    return Real(std::log(v));
}

ScriptValue Log10(Args& a) {
    double v = a[0].AsDouble();
    if (v <= 0) {
        throw ScriptError("Invalid floating point operation");
    }
    return Real(std::log10(v));
}

ScriptValue LogN(Args& a) {
    double base = a[0].AsDouble();
    double v = a[1].AsDouble();
    if (v <= 0 || base <= 0 || base == 1) {
        throw ScriptError("Invalid floating point operation");
    }
    return Real(std::log(v) / std::log(base));
}

ScriptValue Sqrt(Args& a) {
    double v = a[0].AsDouble();
    if (v < 0) {
        throw ScriptError("Invalid floating point operation");
    }
    return Real(std::sqrt(v));
}

ScriptValue Ceil(Args& a) {
    return Int(ToInteger(std::ceil(a[0].AsDouble())));
}
ScriptValue Floor(Args& a) {
    return Int(ToInteger(std::floor(a[0].AsDouble())));
}
ScriptValue Trunc(Args& a) {
    return Int(ToInteger(std::trunc(a[0].AsDouble())));
}
ScriptValue Round(Args& a) {
    return Int(ScriptValue::FromDouble(Checked(a[0].AsDouble())).AsInt());
}
ScriptValue Frac(Args& a) {
    double v = a[0].AsDouble();
    return Real(v - std::trunc(v));
}
ScriptValue IntPart(Args& a) {
    return Real(std::trunc(a[0].AsDouble()));
}
ScriptValue Pi(Args&) {
    return Real(3.14159265358979323846);
}

ScriptValue Random(Args& a) {
    std::lock_guard lock(gRandomGuard);
    if (a.empty()) {
        return Real(std::uniform_real_distribution<double>(0.0, 1.0)(Generator()));
    }
    int64_t range = a[0].AsInt();
    if (range <= 0) {
        return Int(0);
    }
    return Int(std::uniform_int_distribution<int64_t>(0, range - 1)(Generator()));
}

ScriptValue Randomize(Args&) {
    std::lock_guard lock(gRandomGuard);
    Generator().seed(std::random_device{}());
    return {};
}

ScriptValue Inc(Args& a) {
    int64_t step = a.size() > 1 ? a[1].AsInt() : 1;
    a[0] = Int(
        static_cast<int64_t>(static_cast<uint64_t>(a[0].AsInt()) + static_cast<uint64_t>(step)));
    return {};
}

ScriptValue Dec(Args& a) {
    int64_t step = a.size() > 1 ? a[1].AsInt() : 1;
    a[0] = Int(
        static_cast<int64_t>(static_cast<uint64_t>(a[0].AsInt()) - static_cast<uint64_t>(step)));
    return {};
}

// ---- dates

ScriptValue Now(Args&) {
    return Date(CurrentDateTime());
}
ScriptValue Today(Args&) {
    return Date(std::trunc(CurrentDateTime()));
}
ScriptValue TimeNow(Args&) {
    double now = CurrentDateTime();
    return Date(now - std::trunc(now));
}

ScriptValue DateToStr(Args& a) {
    return Text(DateToText(a[0].AsDouble()));
}
ScriptValue TimeToStr(Args& a) {
    return Text(TimeToText(a[0].AsDouble()));
}
ScriptValue DateTimeToStr(Args& a) {
    return Text(DateTimeToText(a[0].AsDouble()));
}
ScriptValue FormatDateTime(Args& a) {
    return Text(FormatDateTimeText(a[0].AsString(), a[1].AsDouble()));
}

ScriptValue StrToDate(Args& a) {
    std::string text = a[0].AsString();
    auto value = TextToDate(text);
    if (!value) {
        throw ScriptError("'" + text + "' is not a valid date");
    }
    return Date(*value);
}

ScriptValue StrToTime(Args& a) {
    std::string text = a[0].AsString();
    auto value = TextToTime(text);
    if (!value) {
        throw ScriptError("'" + text + "' is not a valid time");
    }
    return Date(*value);
}

ScriptValue StrToDateTime(Args& a) {
    std::string text = a[0].AsString();
    auto value = TextToDateTime(text);
    if (!value) {
        throw ScriptError("'" + text + "' is not a valid date and time");
    }
    return Date(*value);
}

ScriptValue EncodeDate(Args& a) {
    auto value = TryEncodeDate(a[0].AsInt(), a[1].AsInt(), a[2].AsInt());
    if (!value) {
        throw ScriptError("Invalid argument to date encode");
    }
    return Date(*value);
}

ScriptValue EncodeTime(Args& a) {
    auto value = TryEncodeTime(a[0].AsInt(), a[1].AsInt(), a[2].AsInt(), a[3].AsInt());
    if (!value) {
        throw ScriptError("Invalid argument to time encode");
    }
    return Date(*value);
}

ScriptValue DecodeDateParts(Args& a) {
    CivilDate date = foldant::DecodeDate(a[0].AsDouble());
    a[1] = Int(date.year);
    a[2] = Int(date.month);
    a[3] = Int(date.day);
    return {};
}

ScriptValue DecodeTimeParts(Args& a) {
    ClockTime time = foldant::DecodeTime(a[0].AsDouble());
    a[1] = Int(time.hour);
    a[2] = Int(time.minute);
    a[3] = Int(time.second);
    a[4] = Int(time.millisecond);
    return {};
}

ScriptValue DayOfWeekOf(Args& a) {
    return Int(foldant::DayOfWeek(a[0].AsDouble()));
}

// DaysInMonth(date) or DaysInMonth(year, month).
ScriptValue DaysInMonthOf(Args& a) {
    if (a.size() == 2) {
        return Int(foldant::DaysInMonth(a[0].AsInt(), a[1].AsInt()));
    }
    CivilDate date = foldant::DecodeDate(a[0].AsDouble());
    return Int(foldant::DaysInMonth(date.year, date.month));
}

ScriptValue IsLeapYearOf(Args& a) {
    return Bool(foldant::IsLeapYear(a[0].AsInt()));
}

// ---- other

ScriptValue ShowMessage(Args& a) {
    platform::ShowMessageBox({}, a[0].AsString());
    return {};
}

// RaiseException(message) or RaiseException(kind, message).
ScriptValue RaiseException(Args& a) {
    throw ScriptError(a.back().AsString());
}

ScriptValue CreateOleObject(Args& a) {
    throw ScriptError("CreateOleObject is not available on this platform: cannot create '" +
                      a[0].AsString() + "'");
}

constexpr unsigned Ref(unsigned index) {
    return 1U << index;
}

}  // namespace

void RegisterStandardFunctions(ScriptLibrary& library) {
    const std::vector<BuiltinFunction> functions = {
        {"Abs", 1, 1, 0, Abs},
        {"ArcTan", 1, 1, 0, ArcTan},
        {"Ceil", 1, 1, 0, Ceil},
        {"Chr", 1, 1, 0, Chr},
        {"CompareText", 2, 2, 0, CompareText},
        {"Copy", 2, 3, 0, Copy},
        {"Cos", 1, 1, 0, Cos},
        {"CreateOleObject", 1, 1, 0, CreateOleObject},
        {"Date", 0, 0, 0, Today},
        {"DateTimeToStr", 1, 1, 0, DateTimeToStr},
        {"DateToStr", 1, 1, 0, DateToStr},
        {"DayOfWeek", 1, 1, 0, DayOfWeekOf},
        {"DaysInMonth", 1, 2, 0, DaysInMonthOf},
        {"Dec", 1, 2, Ref(0), Dec},
        {"DecodeDate", 4, 4, Ref(1) | Ref(2) | Ref(3), DecodeDateParts},
        {"DecodeTime", 5, 5, Ref(1) | Ref(2) | Ref(3) | Ref(4), DecodeTimeParts},
        {"Delete", 3, 3, Ref(0), Delete},
        {"DeleteStr", 3, 3, 0, DeleteStr},
        {"EncodeDate", 3, 3, 0, EncodeDate},
        {"EncodeTime", 4, 4, 0, EncodeTime},
        {"Exp", 1, 1, 0, Exp},
        {"FloatToStr", 1, 1, 0, FloatToStr},
        {"Floor", 1, 1, 0, Floor},
        {"Format", 2, 2, 0, Format},
        {"FormatDateTime", 2, 2, 0, FormatDateTime},
        {"FormatFloat", 2, 2, 0, FormatFloat},
        {"FormatMaskText", 2, 2, 0, FormatMaskText},
        {"Frac", 1, 1, 0, Frac},
        {"Inc", 1, 2, Ref(0), Inc},
        {"Insert", 3, 3, Ref(1), Insert},
        {"Int", 1, 1, 0, IntPart},
        {"IntToStr", 1, 1, 0, IntToStr},
        {"IsLeapYear", 1, 1, 0, IsLeapYearOf},
        {"Length", 1, 1, 0, Length},
        {"Ln", 1, 1, 0, Ln},
        {"Log10", 1, 1, 0, Log10},
        {"LogN", 2, 2, 0, LogN},
        {"Lowercase", 1, 1, 0, Lowercase},
        {"NameCase", 1, 1, 0, NameCase},
        {"Now", 0, 0, 0, Now},
        {"Ord", 1, 1, 0, Ord},
        {"Pi", 0, 0, 0, Pi},
        {"Pos", 2, 2, 0, Pos},
        {"RaiseException", 1, 2, 0, RaiseException},
        {"Random", 0, 1, 0, Random},
        {"Randomize", 0, 0, 0, Randomize},
        {"Round", 1, 1, 0, Round},
        {"SetLength", 2, 2, Ref(0), SetLength},
        {"ShowMessage", 1, 1, 0, ShowMessage},
        {"Sin", 1, 1, 0, Sin},
        {"Sqrt", 1, 1, 0, Sqrt},
        {"StrToDate", 1, 1, 0, StrToDate},
        {"StrToDateTime", 1, 1, 0, StrToDateTime},
        {"StrToFloat", 1, 1, 0, StrToFloat},
        {"StrToInt", 1, 1, 0, StrToInt},
        {"StrToTime", 1, 1, 0, StrToTime},
        {"Tan", 1, 1, 0, Tan},
        {"Time", 0, 0, 0, TimeNow},
        {"TimeToStr", 1, 1, 0, TimeToStr},
        {"Trim", 1, 1, 0, Trim},
        {"Trunc", 1, 1, 0, Trunc},
        {"Uppercase", 1, 1, 0, Uppercase},
        {"ValidDate", 1, 1, 0, ValidDate},
        {"ValidFloat", 1, 1, 0, ValidFloat},
        {"ValidInt", 1, 1, 0, ValidInt},
        {"VarArrayCreate", 2, 2, 0, VarArrayCreate},
        {"VarToStr", 1, 1, 0, VarToStr},
        {"VarType", 1, 1, 0, VarType},
    };
    for (const BuiltinFunction& function : functions) {
        library.Add(function);
    }
    library.AddConstant("True", ScriptValue::FromBool(true));
    library.AddConstant("False", ScriptValue::FromBool(false));
    library.AddConstant("MaxInt", ScriptValue::FromInt(2147483647));
    library.AddConstant("Null", ScriptValue::Null());
    library.AddConstant("Unassigned", ScriptValue());
    const std::vector<std::pair<const char*, int64_t>> variantTypes = {
        {"varEmpty", 0},  {"varNull", 1},       {"varSmallint", 2},  {"varInteger", 3},
        {"varSingle", 4}, {"varDouble", 5},     {"varCurrency", 6},  {"varDate", 7},
        {"varOleStr", 8}, {"varDispatch", 9},   {"varBoolean", 11},  {"varVariant", 12},
        {"varByte", 17},  {"varString", 0x100}, {"varArray", 0x2000}};
    for (const auto& [name, code] : variantTypes) {
        library.AddConstant(name, ScriptValue::FromInt(code));
    }
}

}  // namespace foldant
