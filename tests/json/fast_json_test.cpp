#include "json/fast_json.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "json/json_error.h"

namespace foldant {
namespace {

std::string Normalised(std::string_view text) {
    TFastJSON document;
    document.Parse(text);
    return document.ToText();
}

std::string ErrorOf(std::string_view text) {
    TFastJSON document;
    try {
        document.Parse(text);
    } catch (const JsonError& error) {
        return error.what();
    }
    return "no error";
}

std::string StringValue(std::string_view quoted) {
    TFastJSON document;
    document.Parse("[" + std::string(quoted) + "]");
    return document.RootArray()->Item(0).AsText();
}

std::string NumberText(double value) {
    TFastJSON document;
    document.Member("n").SetNumber(value);
    return document.Member("n").AsText();
}

TEST(FastJson, EmptyContainers) {
    EXPECT_EQ(Normalised("{}"), "{}");
    EXPECT_EQ(Normalised("[]"), "[]");
    EXPECT_EQ(Normalised(" \r\n[ ]\t"), "[]");
    TFastJSON document;
    EXPECT_EQ(document.ToText(), "");
    EXPECT_EQ(document.RootKind(), TJsonValueType::jvNone);
}

TEST(FastJson, BlanksAroundSeparatorsDisappear) {
    EXPECT_EQ(Normalised(R"({"a" : [1, 2 ,3 ]})"), R"({"a":[1,2,3]})");
    EXPECT_EQ(Normalised(R"({ "s" : "x , y : z" , "o" : { "k" : [ "]" , "{" ] } })"),
              R"({"s":"x , y : z","o":{"k":["]","{"]}})");
    EXPECT_EQ(Normalised(R"([NULL, True, fAlSe, -0.50, "q\"uote"])"),
              R"([null,true,false,-0.5,"q\"uote"])");
}

TEST(FastJson, RepeatedNamesInAnyCaseStayAndTheFirstIsFound) {
    TFastJSON document;
    document.Parse(R"({"a":1,"A":2})");
    EXPECT_EQ(document.ToText(), R"({"a":1,"A":2})");
    EXPECT_EQ(document.Member("a").AsText(), "1");
    EXPECT_EQ(document.Member("A").AsText(), "1");
    EXPECT_EQ(document.RootObject()->Count(), 2);
}

TEST(FastJson, TrailingCommaButNoLeadingOne) {
    EXPECT_EQ(Normalised("[1,]"), "[1]");
    EXPECT_EQ(ErrorOf("[,1]"), "<TJsonValue>\"\" parse error:  ..");
    EXPECT_EQ(ErrorOf("[1,,2]"), "<TJsonValue>\"\" parse error:  ..");
}

TEST(FastJson, PairsNeedAQuotedNameAndOneValue) {
    EXPECT_EQ(ErrorOf(R"({"a"})"), "<TJsonPair>\"\" parse error: \"a\" ..");
    EXPECT_EQ(ErrorOf("{a:1}"), "<TJsonPair>\"\" parse error: a ..");
    EXPECT_EQ(ErrorOf(R"({"a":1:2})"), "<TJsonPair>\"\" parse error: \"a\":1:2 ..");
    EXPECT_EQ(ErrorOf(R"({"a":})"), "<TJsonPair>\"\" parse error: \"a\": ..");
}

TEST(FastJson, ParseErrorsNameTheEnclosingPairAndQuoteAHundredCharacters) {
    EXPECT_EQ(ErrorOf(R"({"outer":{"inner":[1,x]}})"), "<TJsonValue>\"inner\" parse error: x ..");
    std::string longBad = "[" + std::string(150, 'z') + "]";
    EXPECT_EQ(ErrorOf(longBad), "<TJsonValue>\"\" parse error: " + std::string(100, 'z') + " ..");
    EXPECT_EQ(ErrorOf("x"), "<TFastJSON>\"\" parse error: x ..");
    EXPECT_EQ(ErrorOf("\xEF\xBB\xBF{}"), "<TFastJSON>\"\" parse error: \xEF\xBB\xBF{} ..");
    EXPECT_EQ(ErrorOf(R"({"a":"x\u12G4"})"), "<TJsonValue>InvalidHexNumber");
    EXPECT_EQ(ErrorOf(R"({"\uXXXX":1})"), "<TJsonPair>InvalidHexNumber");
}

TEST(FastJson, UnterminatedStringIsNotAValue) {
    EXPECT_EQ(ErrorOf(R"(["abc])"), "<TJsonValue>\"\" parse error: \"abc ..");
    // An escaped quote at the end still ends the piece; the dangling backslash is dropped.
    EXPECT_EQ(Normalised(R"(["abc\"])"), R"(["abc"])");
    EXPECT_EQ(ErrorOf("[\"]"), "<TJsonValue>\"\" parse error: \" ..");
    EXPECT_EQ(ErrorOf("{"), "<TFastJSON>\"\" parse error: { ..");
    EXPECT_EQ(ErrorOf("[{]"), "<TJsonValue>\"\" parse error: { ..");
}

TEST(FastJson, HighBytesAreWrittenAsTheirUnicodeEscapes) {
    TFastJSON document;
    document.Member("t").SetText("\xE4\x80\x96\x8C\x9F\x81");
    EXPECT_EQ(document.ToText(), R"({"t":"\u00e4\u20ac\u2013\u0152\u0178\u0081"})");
    EXPECT_EQ(StringValue(R"("\u00e4")"), "\xE4");
    EXPECT_EQ(StringValue(R"("\u20ac")"), "\x80");
    EXPECT_EQ(StringValue(R"("\u20AC")"), "\x80");
    EXPECT_EQ(StringValue(R"("\u0152")"), "\x8C");
    EXPECT_EQ(StringValue(R"("\u2013")"), "\x96");
    // Characters outside the code page keep their lowest eight bits.
    EXPECT_EQ(StringValue(R"("\u0096")"), "\x96");
    EXPECT_EQ(StringValue(R"("\u4e41")"), "A");
}

TEST(FastJson, ControlBytesAndSpecialCharactersAreEscaped) {
    TFastJSON document;
    document.Member("t").SetText(std::string("\b\t\n\f\r\"/\\\x01\x1f\x7f", 11));
    EXPECT_EQ(document.ToText(), R"({"t":"\b\t\n\f\r\"\/\\\u0001\u001f)"
                                 "\x7f\"}");
}

TEST(FastJson, UnescapingOddCases) {
    EXPECT_EQ(StringValue(R"("a\qb")"), "aqb");
    EXPECT_EQ(StringValue(R"("\'")"), "'");
    EXPECT_EQ(StringValue(R"("ab\u12")"), "ab12");
    EXPECT_EQ(StringValue(R"("\u")"), "");
    EXPECT_EQ(StringValue(R"("\u1\n")"), "1\\n");
    EXPECT_EQ(StringValue(R"("\u0041BC")"), "ABC");
    EXPECT_EQ(StringValue("\"\xE4\""), "\xE4");
}

TEST(FastJson, NumberText) {
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(0.5), "0.5");
    EXPECT_EQ(NumberText(-2), "-2");
    EXPECT_EQ(NumberText(0.0001), "0.0001");
    EXPECT_EQ(NumberText(0.00001), "1E-5");
    EXPECT_EQ(NumberText(1e20), "1E20");
    EXPECT_EQ(NumberText(1.5e-7), "1.5E-7");
    EXPECT_EQ(NumberText(-1.5e-7), "-1.5E-7");
    EXPECT_EQ(NumberText(123456789012345.0), "123456789012345");
    EXPECT_EQ(NumberText(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(NumberText(999999999999999.9), "1E15");
    EXPECT_EQ(NumberText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(NumberText(12.5), "12.5");
    EXPECT_EQ(NumberText(100), "100");
    EXPECT_EQ(NumberText(0.000123), "0.000123");
}

TEST(FastJson, NumbersIgnoreTheUserLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    EXPECT_EQ(Normalised("[0.5, 1e3]"), "[0.5,1000]");
    EXPECT_EQ(NumberText(0.5), "0.5");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(FastJson, MemberAddsMissingMembers) {
    TFastJSON document;
    document.Member("x");
    EXPECT_EQ(document.ToText(), R"({"x":null})");
    document.Member("list").AsArray().Add().SetBoolean(true);
    document.Member("obj").AsObject().Member("k").SetText("v");
    EXPECT_EQ(document.ToText(), R"({"x":null,"list":[true],"obj":{"k":"v"}})");
}

TEST(FastJson, MemberOfAnArrayDocumentRaises) {
    TFastJSON document;
    document.Parse("[1]");
    try {
        document.Member("x");
        FAIL();
    } catch (const JsonError& error) {
        EXPECT_STREQ(error.what(), "<TFastJSON>json struct type is not jsObject");
    }
}

TEST(FastJson, ValueTypeErrors) {
    TFastJSON document;
    document.Parse(R"({"Order":[{"Parts":"none","Adress":{}}]})");
    TJsonObject& order = document.Member("Order").AsArray().Item(0).AsObject();
    try {
        order.Member("Parts").AsArray();
        FAIL();
    } catch (const JsonError& error) {
        EXPECT_STREQ(error.what(), "<TJsonValue>\"Parts\" value type error: jvString to jvArray");
    }
    try {
        order.Member("Adress").AsText();
        FAIL();
    } catch (const JsonError& error) {
        EXPECT_STREQ(error.what(), "<TJsonValue>\"Adress\" value type error: jvObject to jvString");
    }
    EXPECT_THROW(document.Member("Order").AsObject(), JsonError);
    EXPECT_EQ(order.Member("Missing").AsText(), "");
}

TEST(FastJson, ListIndexErrors) {
    TFastJSON document;
    document.Parse("[1,2]");
    try {
        document.RootArray()->Item(2);
        FAIL();
    } catch (const JsonError& error) {
        EXPECT_STREQ(error.what(),
                     "Der Index der Liste \xFC"
                     "berschreitet das Maximum (2)");
    }
    EXPECT_THROW(document.RootArray()->Item(-1), JsonError);
    EXPECT_EQ(ListIndexErrorText(-1),
              "Der Index der Liste \xFC"
              "berschreitet das Maximum (-1)");
}

TEST(FastJson, ReparsingAndClearing) {
    TFastJSON document;
    document.Parse(R"({"a":1})");
    document.Parse("[true]");
    EXPECT_EQ(document.ToText(), "[true]");
    EXPECT_THROW(document.Parse("nonsense"), JsonError);
    EXPECT_EQ(document.ToText(), "");
    document.Parse("{}");
    document.Clear();
    EXPECT_EQ(document.RootKind(), TJsonValueType::jvNone);
}

TEST(FastJson, DeepNestingIsAParseError) {
    EXPECT_THROW(Normalised(std::string(100000, '[') + std::string(100000, ']')), JsonError);
    EXPECT_THROW(Normalised(std::string(100000, '[')), JsonError);
    std::string deepest =
        std::string(TFastJSON::kMaxDepth, '[') + std::string(TFastJSON::kMaxDepth, ']');
    EXPECT_EQ(Normalised(deepest), deepest);
    std::string objects;
    for (int i = 0; i < 600; ++i) {
        objects += "{\"a\":";
    }
    objects += "1" + std::string(600, '}');
    EXPECT_THROW(Normalised(objects), JsonError);
}

TEST(FastJson, AFailedParseLeavesWhatWasBuilt) {
    TFastJSON document;
    EXPECT_THROW(document.Parse(R"({"a":1,"b":x,"c":3})"), JsonError);
    EXPECT_EQ(document.ToText(), R"({"a":1,"b":null})");
}

}  // namespace
}  // namespace foldant
