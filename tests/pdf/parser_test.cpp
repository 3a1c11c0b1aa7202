#include <gtest/gtest.h>

#include <stdexcept>

#include "pdf/object_body.h"
#include "pdf/pdf_objects.h"

namespace foldant {
namespace {

class ParserTest : public ::testing::Test {
  protected:
    std::string Text(std::string_view input) { return store.Parse(input).WriteToText(); }
    template <class T>
    T* ParseAs(std::string_view input) {
        return As<T>(&store.Parse(input));
    }
    double Number(std::string_view input) {
        auto* number = ParseAs<TPDFNumeric>(input);
        return number != nullptr ? number->Value : -999;
    }
    std::string Bytes(std::string_view input) {
        auto* string = ParseAs<TPDFString>(input);
        return string != nullptr ? string->Value : "<none>";
    }
    std::string NameValue(std::string_view input) {
        auto* name = ParseAs<TPDFName>(input);
        return name != nullptr ? name->Value : "<none>";
    }

    TPDFStructure store;
};

TEST_F(ParserTest, PageDictionaryWithReferenceAndArray) {
    auto* page = ParseAs<TPDFDictionary>("<</Type/Page/Parent 3 0 R/MediaBox[0 0 612 792]>>");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->EntryCount(), 3);
    auto* parent = As<TPDFIndRef>(page->GetValue("Parent"));
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(parent->RefNumber, 3);
    EXPECT_EQ(parent->RefGeneration, 0);
    auto* box = As<TPDFArray>(page->GetValue("MediaBox"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Count(), 4);
    EXPECT_NE(As<TPDFNumeric>(box->Item(3)), nullptr);
    EXPECT_FALSE(page->IsChanged());
}

TEST_F(ParserTest, ArraysOfNumbersAndOfReferences) {
    EXPECT_EQ(Text("[1 2 3]"), "[ 1 2 3 ]");
    auto* references = ParseAs<TPDFArray>("[1 0 R 2 0 R]");
    ASSERT_NE(references, nullptr);
    EXPECT_EQ(references->Count(), 2);
    EXPECT_EQ(references->Reserved, 0);
    EXPECT_EQ(Text("[1 0 R 2 0 R 3 0 R"), "[ 1 0 R 2 0 R 3 0 R ]");
    EXPECT_EQ(Text("[1 0 R 2 0 R"), "[ 1 0 R 2 0 R ]");
}

TEST_F(ParserTest, ReferenceArrayReservesSlotsAfterTheFirstReference) {
    // The reservation counts "R" characters up to the bracket, whatever holds them.
    auto* kids = ParseAs<TPDFArray>("[1 0 R (RRR)]");
    ASSERT_NE(kids, nullptr);
    EXPECT_EQ(kids->Count(), 2);
    EXPECT_EQ(kids->Reserved, 2);
    auto* numbers = ParseAs<TPDFArray>("[1 (RRR)]");
    ASSERT_NE(numbers, nullptr);
    EXPECT_EQ(numbers->Reserved, 0);
}

TEST_F(ParserTest, NumberScanner) {
    EXPECT_DOUBLE_EQ(Number("1.5E-3"), 0.0015);
    EXPECT_DOUBLE_EQ(Number("1e5"), 1);
    EXPECT_DOUBLE_EQ(Number(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Number("5."), 5);
    EXPECT_DOUBLE_EQ(Number("-12.25"), -12.25);
    EXPECT_DOUBLE_EQ(Number("123456789012"), 123456789012.0);
    EXPECT_DOUBLE_EQ(Number("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(Number("-"), 0);
    EXPECT_DOUBLE_EQ(Number("2E"), 2);
    EXPECT_NE(ParseAs<TPDFNull>("+5"), nullptr);
}

// Type 3 font matrices and shading coefficients carry more decimals than the engine computes
// with; rounding them moves what the page draws.
TEST_F(ParserTest, NumbersReadFromTextAreWrittenBackWithTheirOwnValue) {
    EXPECT_EQ(Text("[0.00999 0.0108696 -0.99628 0.1234567891 -0.0000000001 12345.0000000001]"),
              "[ 0.00999 0.0108696 -0.99628 0.1234567891 -0.0000000001 12345.0000000001 ]");
    EXPECT_EQ(Text("[612 -3. .5 007 2.50 1.5E-3 99999999999]"),
              "[ 612 -3 0.5 7 2.5 0.0015 99999999999 ]");
    EXPECT_THROW(Text("1E999"), std::range_error);

    auto* changed = ParseAs<TPDFNumeric>("0.1234567891");
    ASSERT_NE(changed, nullptr);
    changed->SetValue(changed->Value * 2);
    EXPECT_EQ(changed->WriteToText(), "0.2469");
    EXPECT_EQ(store.NewNumber(1.23456789).WriteToText(), "1.2346");
}

TEST_F(ParserTest, ReferenceNeedsTwoNumbersAndR) {
    auto* reference = ParseAs<TPDFIndRef>("12 3 R");
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(reference->RefNumber, 12);
    EXPECT_EQ(reference->RefGeneration, 3);
    EXPECT_NE(ParseAs<TPDFIndRef>("12 0 Rx"), nullptr);
    EXPECT_DOUBLE_EQ(Number("12 0 obj"), 12);
    EXPECT_DOUBLE_EQ(Number("12.0 0 R"), 12);
    EXPECT_EQ(Text("[12 0 5]"), "[ 12 0 5 ]");
    EXPECT_EQ(Text("[1 % c\n 0 R]"), "[ 1 0 R ]");
}

TEST_F(ParserTest, LiteralStrings) {
    EXPECT_EQ(Bytes("(a\\053b)"), "a+b");
    EXPECT_EQ(Bytes("(a\\qb)"), "a\\qb");
    EXPECT_EQ(Bytes("(line1\\\nline2)"), "line1line2");
    EXPECT_EQ(Bytes("(line1\\\r\nline2)"), "line1line2");
    EXPECT_EQ(Bytes("(a\r\nb\rc)"), "a\nb\nc");
    EXPECT_EQ(Bytes("(\\7\\101\\400\\9)"), std::string("\x07"
                                                       "A\0\x09",
                                                       4));
    EXPECT_EQ(Bytes("(x(y)z\\)w)"), "x(y)z)w");
    EXPECT_EQ(Bytes("(\\n\\r\\t\\b\\f)"), "\n\r\t\b\f");
}

TEST_F(ParserTest, UnterminatedLiteralStringGivesNullAndConsumesNothing) {
    int64_t consumed = 99;
    TPDFObject& object = store.ParseAt("(unterminated", 1, consumed);
    EXPECT_NE(As<TPDFNull>(&object), nullptr);
    EXPECT_EQ(consumed, 0);
}

TEST_F(ParserTest, HexadecimalStrings) {
    EXPECT_EQ(Bytes("<48 65 6c6C6f>"), "Hello");
    EXPECT_EQ(Bytes("<613>"), "a0");
    auto* empty = ParseAs<TPDFString>("<>");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->Value, "");
    EXPECT_EQ(empty->Mode, TPDFString::kHexadecimal);
    EXPECT_EQ(Bytes("<4x1>"), "A");
    int64_t consumed = 0;
    auto* open = As<TPDFString>(&store.ParseAt("<414243", 1, consumed));
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->Value, "AB@");
    EXPECT_EQ(consumed, 7);
}

TEST_F(ParserTest, Names) {
    EXPECT_EQ(NameValue("/A#42C"), "ABC");
    EXPECT_EQ(NameValue("/A#4"), "A#4");
    EXPECT_EQ(NameValue("/Name}"), "Name}");
    EXPECT_EQ(NameValue("/Name/Next"), "Name");
    EXPECT_EQ(NameValue("/ x"), "");
    EXPECT_EQ(NameValue("/a#e9"), "a\xE9");
}

TEST_F(ParserTest, Keywords) {
    EXPECT_NE(ParseAs<TPDFNull>("truex"), nullptr);
    auto* flag = ParseAs<TPDFBoolean>("true]");
    ASSERT_NE(flag, nullptr);
    EXPECT_TRUE(flag->Value);
    EXPECT_NE(ParseAs<TPDFBoolean>("false"), nullptr);
    EXPECT_EQ(Text("[null true false]"), "[ null true false ]");
    EXPECT_EQ(Text("null}"), "null");
    EXPECT_EQ(store.Parse("null}").TypeTag, TPDFNull::kTag);
}

TEST_F(ParserTest, CommentsAreSkippedAndCounted) {
    int64_t consumed = 0;
    auto* number = As<TPDFNumeric>(&store.ParseAt("% comment\n42", 1, consumed));
    ASSERT_NE(number, nullptr);
    EXPECT_DOUBLE_EQ(number->Value, 42);
    EXPECT_EQ(consumed, 12);
    EXPECT_EQ(Text("<</A % note\n 1>>"), "<<\n/A 1\n>>\n");
}

TEST_F(ParserTest, ParseAtStartsAtAOneBasedPosition) {
    int64_t consumed = 0;
    auto* number = As<TPDFNumeric>(&store.ParseAt("1 0 obj 77 endobj", 8, consumed));
    ASSERT_NE(number, nullptr);
    EXPECT_DOUBLE_EQ(number->Value, 77);
    EXPECT_EQ(consumed, 3);
    EXPECT_NE(As<TPDFNull>(&store.ParseAt("", 1, consumed)), nullptr);
    EXPECT_EQ(consumed, 0);
}

TEST_F(ParserTest, DictionaryRecoveries) {
    EXPECT_EQ(Text("<</A 1 /A 2 /B 3>>"), "<<\n/A 2\n/B 3\n>>\n");
    EXPECT_EQ(Text("<</A 1 /B>>"), "<<\n/A 1\n>>\n");
    EXPECT_EQ(Text("<</A 1 2 3>>"), "<<\n/A 1\n>>\n");
    EXPECT_EQ(Text("<</A [1 2"), "<<\n/A [ 1 2 ]\n>>\n");
}

TEST_F(ParserTest, LargeDictionaryKeepsOrderAndReplacesRepeatedKeysInPlace) {
    std::string text = "<<";
    for (int i = 0; i < 200000; ++i) {
        text += "/K" + std::to_string(i) + " " + std::to_string(i) + " ";
    }
    text += "/K5 -5 /K100000 -1 >>";
    auto* dictionary = ParseAs<TPDFDictionary>(text);
    ASSERT_NE(dictionary, nullptr);
    EXPECT_EQ(dictionary->EntryCount(), 200000);
    EXPECT_EQ(dictionary->EntryAt(5).second->WriteToText(), "-5");
    EXPECT_EQ(dictionary->EntryAt(100000).second->WriteToText(), "-1");
    EXPECT_EQ(dictionary->EntryAt(199999).first->Value, "K199999");
    EXPECT_EQ(dictionary->IndexOfKey("K42"), 42);
}

TEST_F(ParserTest, DeepNestingEndsInsteadOfExhaustingTheStack) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    TPDFObject& object = store.Parse(deep);
    EXPECT_NE(As<TPDFArray>(&object), nullptr);
    const std::string dictionaries = [] {
        std::string text;
        for (int i = 0; i < 50000; ++i) {
            text += "<</A ";
        }
        return text;
    }();
    EXPECT_NE(As<TPDFDictionary>(&store.Parse(dictionaries)), nullptr);
}

TEST_F(ParserTest, ObjectNumberOutOfRangeGivesNull) {
    EXPECT_NE(ParseAs<TPDFNull>("99999999999 0 R"), nullptr);
}

TEST(ObjectBody, CutsTheTextAfterObj) {
    EXPECT_EQ(ExtractObjectBody("1 0 obj\n<<>>\nendobj\n"), "\n<<>>\nendobj\n");
    EXPECT_EQ(ExtractObjectBody("tail endobj\n2 0 obj 5 endobj"), " 5 endobj");
    EXPECT_EQ(ExtractObjectBody("nothing here"), "");
    EXPECT_EQ(ExtractObjectBody("x endobj"), "");
}

TEST(StreamData, LocatesDataByLength) {
    const std::string body =
        ExtractObjectBody("1 0 obj\n<</Length 5>>\nstream\nhello\nendstream\nendobj\n");
    int64_t start = 0;
    int64_t length = 0;
    ASSERT_TRUE(LocateStreamData(body, start, length));
    EXPECT_EQ(body.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)), "hello");
}

TEST(StreamData, ShortLengthIsExtendedToTheKeyword) {
    const std::string body =
        ExtractObjectBody("1 0 obj\n<</Length 3>>\nstream\nhello\nendstream\nendobj\n");
    int64_t start = 0;
    int64_t length = 0;
    ASSERT_TRUE(LocateStreamData(body, start, length));
    EXPECT_EQ(body.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)), "hello\n");
}

TEST(StreamData, KeywordMustEndItsLine) {
    const std::string body =
        ExtractObjectBody("1 0 obj\n<</Length 5>>\nstream hello\nendstream\nendobj\n");
    int64_t start = 0;
    int64_t length = 0;
    EXPECT_FALSE(LocateStreamData(body, start, length));
    EXPECT_TRUE(LocateStreamData(
        ExtractObjectBody("1 0 obj\n<</Length 5>>\nstream  \r\nhello\r\nendstream\nendobj"), start,
        length));
    EXPECT_EQ(length, 5);
}

TEST(StreamData, LengthBeyondTheBodyStopsBeforeTheKeyword) {
    const std::string body =
        ExtractObjectBody("1 0 obj\n<</Length 500>>\nstream\nhello\nendstream\nendobj\n");
    int64_t start = 0;
    int64_t length = 0;
    ASSERT_TRUE(LocateStreamData(body, start, length));
    EXPECT_EQ(body.substr(static_cast<size_t>(start - 1), static_cast<size_t>(length)), "hello");
}

TEST(StreamData, AKeywordOfALaterObjectIsNotThisObjectsStream) {
    const std::string body = ExtractObjectBody(
        "5 0 obj\n<</Type /Font>>\nendobj\n6 0 obj\n<</Length 5>>\nstream\nhello\nendstream\n");
    int64_t start = 0;
    int64_t length = 0;
    EXPECT_FALSE(LocateStreamData(body, start, length));
}

TEST(StreamData, IndirectLengthIsResolvedAndMissingLengthFails) {
    const std::string body =
        ExtractObjectBody("1 0 obj\n<</Length 9 0 R>>\nstream\nhello\nendstream\nendobj\n");
    TPDFStructure lengths;
    TPDFNumeric& five = lengths.NewNumber(5);
    int64_t start = 0;
    int64_t length = 0;
    EXPECT_FALSE(LocateStreamData(body, start, length));
    ASSERT_TRUE(LocateStreamData(body, start, length,
                                 [&](TPDFIndRef&, int32_t number, int32_t) -> TPDFObject* {
                                     return number == 9 ? &five : nullptr;
                                 }));
    EXPECT_EQ(length, 5);
}

}  // namespace
}  // namespace foldant
