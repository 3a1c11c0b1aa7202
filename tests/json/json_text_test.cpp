#include "json/json_text.h"

#include <gtest/gtest.h>

#include <string>

namespace foldant {
namespace {

std::string Reprint(std::string_view text) {
    auto tree = TQvJSONText::ParseJsonText(text);
    return tree ? TQvJSONText::PrintCompact(*tree) : "<none>";
}

std::u16string StringValue(std::string_view text) {
    auto tree = TQvJSONText::ParseJsonText(text);
    auto* node = dynamic_cast<TUxJSONstring*>(tree.get());
    return node ? node->Value() : u"<none>";
}

std::string PrintString(std::u16string value) {
    return TQvJSONText::PrintCompact(TUxJSONstring(std::move(value)));
}

TEST(JsonParse, NothingToParseGivesNone) {
    for (std::string_view text :
         {"", " \t\r\n", "\xEF\xBB\xBF", "\xEF\xBB\xBF  ", "x", "-", "1.", "1e", ".5", "nul", "tru",
          "\"abc", "[", "{", "[1", "{\"a\"", "{\"a\":}", "{\"a\" 1}", "{a:1}"}) {
        EXPECT_EQ(Reprint(text), "<none>") << text;
    }
}

TEST(JsonParse, ByteOrderMarkAndTrailingTextAreIgnored) {
    EXPECT_EQ(Reprint("\xEF\xBB\xBF{} trailing"), "{}");
    EXPECT_EQ(Reprint("  true false"), "true");
    EXPECT_EQ(Reprint("truex"), "true");
    EXPECT_EQ(Reprint("[1]]"), "[1]");
}

TEST(JsonParse, ListCommasAreOptionalButNotLeadingOrDoubled) {
    EXPECT_EQ(Reprint("[1 2]"), "[1,2]");
    EXPECT_EQ(Reprint("[1,2,]"), "[1,2]");
    EXPECT_EQ(Reprint("[ ]"), "[]");
    EXPECT_EQ(Reprint("[,1]"), "<none>");
    EXPECT_EQ(Reprint("[1,,2]"), "<none>");
    EXPECT_EQ(Reprint("{\"a\":1 \"b\":2,}"), R"({"a":1,"b":2})");
    EXPECT_EQ(Reprint("{,\"a\":1}"), "<none>");
}

TEST(JsonParse, Numbers) {
    EXPECT_EQ(Reprint("[+1, -3, 007, 0.5, 1.50, 2e3, 1E-2, -0, 123456789012345678]"),
              "[1,-3,7,0.5,1.5,2000,0.01,0,1.23456789012346e+17]");
    EXPECT_EQ(Reprint("1e400"), "<none>");
    EXPECT_EQ(Reprint("[1e400]"), "<none>");
    EXPECT_EQ(Reprint("1e-400"), "0");
    EXPECT_EQ(Reprint("0.1"), "0.1");
    EXPECT_EQ(Reprint("[1.e5]"), "<none>");
    EXPECT_EQ(Reprint("1e99999999999999999999"), "<none>");
    EXPECT_EQ(Reprint("0.000001e-99999999999999"), "0");
}

TEST(JsonParse, StringEscapes) {
    EXPECT_EQ(StringValue(R"("\"\'\/\\\b\f\n\r\t")"), u"\"'/\\\b\f\n\r\t");
    EXPECT_EQ(StringValue(R"("a\xb")"), u"ab");
    EXPECT_EQ(StringValue(R"("\u00e4")"), u"\u00e4");
    EXPECT_EQ(StringValue(R"("\u20ac")"), u"\u20ac");
    EXPECT_EQ(StringValue(R"("\u20AC und \u00e4")"), u"\u20ac und \u00e4");
    EXPECT_EQ(StringValue(R"("\u4e2d")"), u"\u4e2d");
    EXPECT_EQ(StringValue(R"("\u41")"), u"A");
    EXPECT_EQ(StringValue(R"("\u004")"), u"\u0004");
    EXPECT_EQ(Reprint(R"("\u00g4")"), "<none>");
    EXPECT_EQ(Reprint(R"("\u")"), "<none>");
    EXPECT_EQ(Reprint(R"(["ok","\uzzzz"])"), "<none>");
    EXPECT_EQ(StringValue("\"a\\\"b\""), u"a\"b");
    EXPECT_EQ(Reprint("\"ab\\\""), "<none>");
}

TEST(JsonParse, StringBytesAreUtf8OrElseWindows1252) {
    EXPECT_EQ(StringValue("\"M\xC3\xA4rz\""), u"M\u00e4rz");
    EXPECT_EQ(StringValue("\"M\xE4rz\""), u"M\u00e4rz");
    EXPECT_EQ(StringValue("\"\x80 \xC3\xA4\""), u"\u20ac \u00c3\u00a4");
    EXPECT_EQ(StringValue("\"\xE2\x82\xAC\""), u"\u20ac");
    EXPECT_EQ(StringValue("\"end\xC3\""), u"end\u00c3");
    EXPECT_EQ(StringValue("\"f\xFCr 500 \\u20ac\""), u"f\u00fcr 500 \u20ac");
    EXPECT_EQ(StringValue("\"M\xC3\xA4rz \\u20ac\\u00e4\""), u"M\u00e4rz \u20ac\u00e4");
    EXPECT_EQ(StringValue("\"\x96\""), u"\u2013");
    EXPECT_EQ(StringValue("\"500\x80\x96"
                          "600\x80\""),
              u"500\u20ac\u2013"
              "600\u20ac");
    EXPECT_EQ(StringValue("\"\xC0\xA4\""), u"\u00c0\u00a4");
    EXPECT_EQ(StringValue("\"\xF0\x9F\x98\x80\""), u"\U0001F600");
    EXPECT_EQ(StringValue(R"("\ud83d\ude00 \u00e4")"), u"\U0001F600 \u00e4");
}

TEST(JsonParse, RepeatedMembersAreAllKept) {
    EXPECT_EQ(Reprint(R"({"a":1,"a":[2],"A":3})"), R"({"a":1,"a":[2],"A":3})");
}

TEST(JsonParse, DeepNestingFailsCleanly) {
    EXPECT_EQ(Reprint(std::string(100000, '[')), "<none>");
    EXPECT_EQ(Reprint(std::string(100000, '{')), "<none>");
    std::string deepButClosed = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_EQ(Reprint(deepButClosed), "<none>");
    std::string allowed =
        std::string(TQvJSONText::kMaxDepth, '[') + std::string(TQvJSONText::kMaxDepth, ']');
    EXPECT_EQ(Reprint(allowed), allowed);
    std::string objects;
    for (int i = 0; i < 600; ++i) {
        objects += "{\"a\":";
    }
    objects += "1" + std::string(600, '}');
    EXPECT_EQ(Reprint(objects), "<none>");
}

TEST(JsonParse, NeverReadsPastTheText) {
    std::string text = "[\"abc\\";
    // A view that ends before the bytes that would close the string.
    std::string backing = text + "\"]";
    EXPECT_EQ(Reprint(std::string_view(backing.data(), text.size())), "<none>");
    EXPECT_EQ(Reprint(std::string_view("\"\\u12\"", 4)), "<none>");
    EXPECT_EQ(Reprint(std::string_view("truefalse", 3)), "<none>");
}

TEST(JsonPrint, StringEscapes) {
    EXPECT_EQ(PrintString(u"a/b\t\u20ac"), R"("a\/b\t\u20ac")");
    EXPECT_EQ(PrintString(std::u16string(1, u'\x1f')), R"("\u001F")");
    EXPECT_EQ(PrintString(std::u16string(1, u'\0')), R"("\u0000")");
    EXPECT_EQ(PrintString(u"\"\\\b\f\n\r"), R"("\"\\\b\f\n\r")");
    EXPECT_EQ(PrintString(u"\u00e4\u2013\x7f"), "\"\xE4\x96\x7F\"");
    EXPECT_EQ(PrintString(u"\u4e2d"), "\"?\"");
}

TEST(JsonPrint, NumbersUseAPointAndNoTrailingZeros) {
    EXPECT_EQ(TQvJSONText::PrintCompact(TUxJSONnumber(1)), "1");
    EXPECT_EQ(TQvJSONText::PrintCompact(TUxJSONnumber(-3)), "-3");
    EXPECT_EQ(TQvJSONText::PrintCompact(TUxJSONnumber(2.5)), "2.5");
    EXPECT_EQ(TQvJSONText::PrintCompact(TUxJSONnumber(1.0 / 3)), "0.333333333333333");
    EXPECT_EQ(TQvJSONText::PrintCompact(TUxJSONnumber(123456789012345.0)), "123456789012345");
    EXPECT_EQ(TQvJSONText::PrintCompact(TUxJSONnumber(-0.0)), "0");
}

TEST(JsonPrint, CompactHasNoWhitespace) {
    EXPECT_EQ(Reprint(" { \"a\" : [ 1 , { } , [ ] , null , true ] , \"b\" : \"x y\" } "),
              R"({"a":[1,{},[],null,true],"b":"x y"})");
}

TEST(JsonPrint, ReadableNestedObject) {
    auto tree = TQvJSONText::ParseJsonText(R"({"a":1,"b":{"c":2}})");
    EXPECT_EQ(TQvJSONText::PrintReadable(*tree),
              "{\r\n  \"a\":1,\r\n  \"b\":{\r\n    \"c\":2\r\n  }\r\n}");
}

TEST(JsonPrint, ReadableSmallCases) {
    EXPECT_EQ(TQvJSONText::PrintReadable(TQvSONList()), "[]");
    EXPECT_EQ(TQvJSONText::PrintReadable(TQvJSON()), "{}");
    EXPECT_EQ(TQvJSONText::PrintReadable(TUxJSONstring(u"s")), "\"s\"");
    auto one = TQvJSONText::ParseJsonText(R"({"a":1})");
    EXPECT_EQ(TQvJSONText::PrintReadable(*one), "{\r\n  \"a\":1\r\n}");
    auto list = TQvJSONText::ParseJsonText(R"([1,[2,{}],{"k":[]}])");
    EXPECT_EQ(TQvJSONText::PrintReadable(*list),
              "[\r\n  1,\r\n  [\r\n    2,\r\n    {}\r\n  ],\r\n  {\r\n    \"k\":[]\r\n  }\r\n]");
}

TEST(JsonPrint, ReadableTextParsesToTheSameTree) {
    std::string text = R"({"a":[1,{"b":"\u20ac"}],"c":{"d":{"e":null}}})";
    auto tree = TQvJSONText::ParseJsonText(text);
    EXPECT_EQ(Reprint(TQvJSONText::PrintReadable(*tree)), text);
}

TEST(JsonPrint, LargeTextGrowsThroughManySteps) {
    TQvSONList list;
    std::u16string chunk(1000, u'x');
    for (int i = 0; i < 300; ++i) {
        list.AddItem(std::make_unique<TUxJSONstring>(chunk));
    }
    std::string text = TQvJSONText::PrintCompact(list);
    EXPECT_EQ(text.size(), 300u * 1003 - 1 + 2);
    EXPECT_EQ(Reprint(text), text);
}

}  // namespace
}  // namespace foldant
