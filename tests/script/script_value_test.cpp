#include <gtest/gtest.h>

#include <cmath>

#include "script/script_datetime.h"
#include "script/script_format.h"
#include "script/script_text.h"
#include "script/script_value.h"

namespace foldant::testing {
namespace {

TEST(ScriptValue, ConversionsBetweenKinds) {
    EXPECT_EQ(ScriptValue::FromBool(true).AsInt(), -1);
    EXPECT_EQ(ScriptValue::FromString(" 12 ").AsInt(), 12);
    EXPECT_EQ(ScriptValue::FromString("2.5").AsInt(), 2);
    EXPECT_EQ(ScriptValue::FromDouble(3.5).AsInt(), 4);
    EXPECT_DOUBLE_EQ(ScriptValue::FromString("1.25").AsDouble(), 1.25);
    EXPECT_TRUE(ScriptValue::FromString("TRUE").AsBool());
    EXPECT_FALSE(ScriptValue::FromString("0").AsBool());
    EXPECT_EQ(ScriptValue().AsString(), "");
    EXPECT_EQ(ScriptValue().AsInt(), 0);
    EXPECT_EQ(ScriptValue::FromBool(false).AsString(), "False");
    EXPECT_EQ(ScriptValue::FromObject(nullptr).AsString(), "");
}

TEST(ScriptValue, ImpossibleConversionsNameBothTypes) {
    try {
        ScriptValue::FromString("abc").AsDouble();
        FAIL();
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "Could not convert variant of type (String) into type (Double)");
    }
    EXPECT_THROW(ScriptValue::Null().AsBool(), ScriptError);
    EXPECT_THROW(ScriptValue::FromDouble(1e300).AsInt(), ScriptError);
    EXPECT_THROW(ScriptValue::FromDouble(NAN).AsInt(), ScriptError);
    EXPECT_THROW(ScriptValue::FromArray({}).AsString(), ScriptError);
    EXPECT_THROW(ScriptValue::FromInt(1).AsObject(), ScriptError);
}

TEST(ScriptValue, ArraysCopyOnWrite) {
    ScriptArray items;
    items.items = {ScriptValue::FromInt(1)};
    ScriptValue first = ScriptValue::FromArray(items);
    ScriptValue second = first;
    second.MutableArray().items[0] = ScriptValue::FromInt(2);
    EXPECT_EQ(first.AsArray().items[0].AsInt(), 1);
    EXPECT_EQ(second.AsArray().items[0].AsInt(), 2);
}

TEST(ScriptValue, ConvertToDeclaredTypes) {
    EXPECT_EQ(ConvertTo(ScriptValue::FromString("7"), ScriptType::Integer).Kind(),
              ValueKind::Integer);
    EXPECT_EQ(ConvertTo(ScriptValue::FromInt(7), ScriptType::String).AsString(), "7");
    EXPECT_EQ(ConvertTo(ScriptValue::FromString("01.02.2026"), ScriptType::Date).AsString(),
              "01.02.2026");
    EXPECT_EQ(ConvertTo(ScriptValue::FromString("x"), ScriptType::Char).AsString(), "x");
    EXPECT_THROW(ConvertTo(ScriptValue::FromInt(1), ScriptType::Array), ScriptError);
    EXPECT_EQ(DefaultValue(ScriptType::Char).AsString(), std::string(1, '\0'));
}

TEST(ScriptText, IntegersParseStrictly) {
    EXPECT_EQ(ParseInteger("-9223372036854775808"), INT64_MIN);
    EXPECT_FALSE(ParseInteger("9223372036854775808"));
    EXPECT_FALSE(ParseInteger("99999999999999999999999"));
    EXPECT_EQ(ParseInteger("$ff"), 255);
    EXPECT_FALSE(ParseInteger("$"));
    EXPECT_FALSE(ParseInteger("1 2"));
    EXPECT_FALSE(ParseInteger(""));
    EXPECT_FALSE(ParseInteger("+"));
}

TEST(ScriptText, FloatsFollowTheDecimalSeparator) {
    char saved = DecimalSeparator();
    SetDecimalSeparator(',');
    EXPECT_EQ(ParseFloat("1,5"), 1.5);
    EXPECT_EQ(ParseFloat("2.5"), 2.5);
    EXPECT_FALSE(ParseFloat("1,5,5"));
    EXPECT_EQ(FloatToText(-0.25), "-0,25");
    SetDecimalSeparator(saved);
    EXPECT_EQ(FloatToText(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToText(123456789012345678.0), "1.23456789012346E17");
    EXPECT_EQ(FloatToText(0.00001), "1E-5");
    EXPECT_FALSE(ParseFloat("1e999"));
    EXPECT_FALSE(ParseFloat("abc"));
}

TEST(ScriptText, CodePageCaseMapping) {
    EXPECT_EQ(AnsiUpperCase("a\xE4\xF6\xFC\xFF\x9A"), "A\xC4\xD6\xDC\x9F\x8A");
    EXPECT_EQ(AnsiLowerCase("\xC4\xD7\xDE"), "\xE4\xD7\xFE");
    EXPECT_EQ(AnsiUpperCase("\xDF\xF7"), "\xDF\xF7");
    EXPECT_EQ(AsciiUpperCase("a\xE4"), "A\xE4");
}

TEST(ScriptDates, RoundTripsAndCalendarRules) {
    for (int year : {1, 1600, 1899, 1900, 2000, 2024, 9999}) {
        auto value = TryEncodeDate(year, 2, IsLeapYear(year) ? 29 : 28);
        ASSERT_TRUE(value) << year;
        CivilDate back = DecodeDate(*value);
        EXPECT_EQ(back.year, year);
        EXPECT_EQ(back.month, 2);
    }
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29));
    EXPECT_FALSE(TryEncodeDate(10000, 1, 1));
    EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0));
    ClockTime t = DecodeTime(*TryEncodeTime(23, 59, 59, 999));
    EXPECT_EQ(t.hour, 23);
    EXPECT_EQ(t.millisecond, 999);
    EXPECT_EQ(DayOfWeek(0), 7);
    EXPECT_EQ(DateToText(1e308), "31.12.9999");
    EXPECT_EQ(DateToText(NAN), "30.12.1899");
}

TEST(ScriptDates, TextForms) {
    double value = *TryEncodeDate(2026, 1, 5) + *TryEncodeTime(9, 7, 3, 45);
    EXPECT_EQ(FormatDateTimeText("d.m.yy h:n:s.zzz", value), "5.1.26 9:7:3.045");
    EXPECT_EQ(FormatDateTimeText("ddd mmm 'yyyy' \"mm\"", value), "Mo Jan yyyy mm");
    EXPECT_EQ(FormatDateTimeText("hh:mm", value), "09:07");
    EXPECT_EQ(FormatDateTimeText("dd/mm/yyyy", value), "05.01.2026");
    EXPECT_FALSE(TextToDate("1.13.2026"));
    EXPECT_FALSE(TextToDate("1..2026"));
    EXPECT_EQ(DateToText(*TextToDate("3.4.26")), "03.04.2026");
    EXPECT_EQ(DateToText(*TextToDate("3.4.99")), "03.04.1999");
    EXPECT_FALSE(TextToTime("25:00"));
    EXPECT_FALSE(TextToDateTime("1.1.2026 x"));
}

TEST(ScriptFormat, MasksAndFloats) {
    EXPECT_EQ(FormatMaskedText("(000) 000;1;_", "(040) 123"), "(040) 123");
    EXPECT_EQ(FormatMaskedText("000-000;0;*", "12"), "12*-***");
    EXPECT_EQ(FormatMaskedText("\\A00;0;_", "77"), "A77");
    EXPECT_EQ(FormatMaskedText("\\A00", "A77"), "A77");
    EXPECT_EQ(FormatFloatText("0.0", -0.04), "0.0");
    EXPECT_EQ(FormatFloatText("0.0", -0.06), "-0.1");
    EXPECT_EQ(FormatFloatText("#", 0), "0");
    EXPECT_EQ(FormatFloatText("0.00E+00", 12345), "1.23E+04");
    EXPECT_EQ(FormatFloatText("", 2.5), "2.5");
    EXPECT_EQ(FormatFloatText("0;-0;'null'", 0), "null");
}

}  // namespace
}  // namespace foldant::testing
