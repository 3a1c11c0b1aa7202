#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "pdf/pdf_objects.h"

namespace foldant {
namespace {

TEST(NumberFormat, DefaultPrecisionWritesAtMostFourDecimals) {
    EXPECT_EQ(FormatNumber(1, 4), "1");
    EXPECT_EQ(FormatNumber(0.5, 4), "0.5");
    EXPECT_EQ(FormatNumber(-0.25, 4), "-0.25");
    EXPECT_EQ(FormatNumber(612, 4), "612");
    EXPECT_EQ(FormatNumber(1.23456, 4), "1.2346");
    EXPECT_EQ(FormatNumber(0.00004, 4), "0");
    EXPECT_EQ(FormatNumber(-0.00004, 4), "0");
    EXPECT_EQ(FormatNumber(595.276, 4), "595.276");
    EXPECT_EQ(FormatNumber(-1, 4), "-1");
    EXPECT_EQ(FormatNumber(10, 4), "10");
    EXPECT_EQ(FormatNumber(-0.0005, 4), "-0.0005");
    EXPECT_EQ(FormatNumber(0.0012, 4), "0.0012");
}

TEST(NumberFormat, PrecisionZeroRoundsTiesToEven) {
    EXPECT_EQ(FormatNumber(2.5, 0), "2");
    EXPECT_EQ(FormatNumber(3.5, 0), "4");
    EXPECT_EQ(FormatNumber(-7.6, -1), "-8");
}

TEST(NumberFormat, ValuesBeyondSixtyFourBitsRaise) {
    EXPECT_THROW(FormatNumber(1e300, 4), std::range_error);
    EXPECT_THROW(FormatNumber(std::nan(""), 4), std::range_error);
}

TEST(NumericObject, AsIntegerRoundsTiesToEvenAndKeepsLowBits) {
    TPDFStructure store;
    EXPECT_EQ(store.NewNumber(2.5).AsInteger(), 2);
    EXPECT_EQ(store.NewNumber(3.5).AsInteger(), 4);
    EXPECT_EQ(store.NewNumber(-2.5).AsInteger(), -2);
    EXPECT_EQ(store.NewNumber(4294967297.0).AsInteger(), 1);
    EXPECT_EQ(store.NewNumber(1e30).AsInteger(), 0);
}

TEST(TextForm, NamesEscapeDelimitersBlanksAndHighBytes) {
    TPDFStructure store;
    EXPECT_EQ(store.NewName("A B#").WriteToText(), "/A#20B#23");
    EXPECT_EQ(store.NewName("\xE9").WriteToText(), "/#E9");
    EXPECT_EQ(store.NewName("").WriteToText(), "/");
    EXPECT_EQ(store.NewName("a/b(c)[d]{e}<f>%").WriteToText(),
              "/a#2Fb#28c#29#5Bd#5D#7Be#7D#3Cf#3E#25");
}

TEST(TextForm, StringsInLiteralAndHexadecimalMode) {
    TPDFStructure store;
    const std::string bytes = "(a)\\\r";
    EXPECT_EQ(store.NewString(bytes, 0).WriteToText(), "(\\(a\\)\\\\\\r)");
    EXPECT_EQ(store.NewString(bytes, 1).WriteToText(), "<2861295C0D>");
    EXPECT_EQ(store.NewString("\b\t\n\f\x01\xff", 0).WriteToText(), "(\\b\\t\\n\\f\x01\xff)");
    EXPECT_EQ(store.NewString("x", 7).WriteToText(), "");
}

TEST(TextForm, DictionaryAndNestedDictionary) {
    TPDFStructure store;
    TPDFDictionary& page = store.NewDictionary();
    page.Add("Type", store.NewName("Page"));
    EXPECT_EQ(page.WriteToText(), "<<\n/Type /Page\n>>\n");
    TPDFDictionary& outer = store.NewDictionary();
    outer.Add("Inner", page);
    outer.Add("N", store.NewReference(12, 0));
    EXPECT_EQ(outer.WriteToText(), "<<\n/Inner <<\n/Type /Page\n>>\n/N 12 0 R\n>>\n");
    EXPECT_EQ(store.NewDictionary().WriteToText(), "<<\n>>\n");
}

TEST(TextForm, DictionaryEntryThatCannotBeWrittenBecomesBugComment) {
    TPDFStructure store;
    TPDFDictionary& dictionary = store.NewDictionary();
    dictionary.Add("A", store.NewNumber(1e300));
    dictionary.Add("B", store.NewBoolean(true));
    EXPECT_EQ(dictionary.WriteToText(), "<<\n% bug \n/B true\n>>\n");
}

TEST(TextForm, ArraysBreakLinesPastEightyCharacters) {
    TPDFStructure store;
    EXPECT_EQ(store.NewIntegerArray({1, 2}).WriteToText(), "[ 1 2 ]");
    EXPECT_EQ(store.NewArray().WriteToText(), "[ ]");
    std::vector<int32_t> numbers(30, 10);
    const std::string text = store.NewIntegerArray(numbers).WriteToText();
    // "[ " plus 26 items of "10 " is 80 characters; the 27th item takes the line to 83.
    std::string expected = "[ ";
    for (int i = 0; i < 27; ++i) {
        expected += "10 ";
    }
    expected += "\n10 10 10 ]";
    EXPECT_EQ(text, expected);
}

TEST(TextForm, ArrayAddsNoSpaceAfterItemEndingInLineFeed) {
    TPDFStructure store;
    TPDFArray& array = store.NewArray();
    array.Add(store.NewDictionary());
    array.Add(store.NewNull());
    EXPECT_EQ(array.WriteToText(), "[ <<\n>>\nnull ]");
}

TEST(TextForm, StreamIsDictionaryThenDataBetweenKeywords) {
    TPDFStructure store;
    TPDFStream& stream = store.NewStream("abc", false);
    EXPECT_EQ(stream.WriteToText(), "<<\n/Length 3\n>>\nstream\nabc\nendstream");
}

TEST(Dictionary, AddingAKeyTwiceKeepsTheFirstPositionAndTheSecondValue) {
    TPDFStructure store;
    TPDFDictionary& dictionary = store.NewDictionary();
    dictionary.Add("A", store.NewNumber(1));
    dictionary.Add("B", store.NewNumber(2));
    dictionary.Add("A", store.NewNumber(3));
    EXPECT_EQ(dictionary.WriteToText(), "<<\n/A 3\n/B 2\n>>\n");
    EXPECT_EQ(dictionary.IndexOfKey("B"), 1);
    EXPECT_EQ(dictionary.IndexOfKey("b"), -1);
}

TEST(Dictionary, LookupsResolveThroughTheStore) {
    TPDFStructure store;
    TPDFNumeric& target = store.NewNumber(3.5);
    store.OnResolveReference = [&](TPDFIndRef&, int32_t number, int32_t) -> TPDFObject* {
        return number == 7 ? &target : nullptr;
    };
    TPDFDictionary& dictionary = store.NewDictionary();
    dictionary.Add("Count", store.NewReference(7, 0));
    dictionary.Add("Missing", store.NewReference(8, 0));
    dictionary.Add("Half", store.NewNumber(2.5));
    EXPECT_EQ(dictionary.GetValue("Count", true), &target);
    EXPECT_EQ(dictionary.GetInteger("Count", -1), 4);
    EXPECT_EQ(dictionary.GetInteger("Half", -1), 2);
    EXPECT_EQ(dictionary.GetInteger("Missing", -1), -1);
    EXPECT_EQ(dictionary.GetInteger("Absent", -1), -1);
    EXPECT_EQ(dictionary.GetTypeName(), "");
}

TEST(Dictionary, AddRefusesTheDictionaryItself) {
    TPDFStructure store;
    TPDFDictionary& dictionary = store.NewDictionary();
    dictionary.Add("Self", dictionary);
    EXPECT_EQ(dictionary.EntryCount(), 0);
    EXPECT_TRUE(dictionary.Changed);
}

TEST(Dictionary, AssignFromAnotherStoreCopiesTheEntries) {
    TPDFStructure source;
    TPDFDictionary& original = source.NewDictionary();
    original.Add("Kids", source.NewIntegerArray({1, 2}));
    TPDFStructure target;
    TPDFDictionary& copy = target.NewDictionary();
    copy.Assign(original);
    ASSERT_EQ(copy.EntryCount(), 1);
    EXPECT_EQ(&copy.EntryAt(0).second->Owner, &target);
    EXPECT_EQ(copy.WriteToText(), original.WriteToText());
    EXPECT_EQ(copy.EntryAt(5).first, nullptr);
}

TEST(Store, CopyOfRebuildsEveryMemberInTheTargetStore) {
    TPDFStructure source;
    TPDFObject& parsed = source.Parse(
        "<< /Size 3.14159265 /ID [<0102> (two)] /Root 1 0 R /Deep << /A [null true /N] >> >>");
    auto& original = *As<TPDFDictionary>(&parsed);
    TPDFStructure target;
    auto* copy = As<TPDFDictionary>(&target.CopyOf(original));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->WriteToText(), original.WriteToText());
    EXPECT_EQ(copy->GetValue("Size")->WriteToText(), "3.14159265");

    std::vector<TPDFObject*> members{copy};
    for (size_t i = 0; i < members.size(); ++i) {
        TPDFObject* member = members[i];
        EXPECT_EQ(&member->Owner, &target);
        if (auto* dictionary = As<TPDFDictionary>(member)) {
            for (const auto& [key, value] : dictionary->Entries) {
                members.push_back(key);
                members.push_back(value);
            }
        } else if (auto* array = As<TPDFArray>(member)) {
            members.insert(members.end(), array->Items.begin(), array->Items.end());
        }
    }
    EXPECT_EQ(members.size(), 16u);

    As<TPDFString>(As<TPDFArray>(copy->GetValue("ID"))->Item(1))->SetValue("changed");
    EXPECT_EQ(As<TPDFString>(As<TPDFArray>(original.GetValue("ID"))->Item(1))->Value, "two");
}

TEST(Store, CopyOfAStreamAndOfAContainerHoldingItself) {
    TPDFStructure source;
    TPDFStream& stream = source.NewStream("data", false);
    TPDFStructure target;
    auto* copy = As<TPDFStream>(&target.CopyOf(stream));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->WriteToText(), stream.WriteToText());
    EXPECT_EQ(&copy->Dictionary->Owner, &target);

    TPDFArray& looping = source.NewArray();
    looping.Add(looping);
    EXPECT_THROW(target.CopyOf(looping), std::length_error);
}

TEST(Store, StartsSmallAndDoublesKeepingTheObjectsInSlotOrder) {
    TPDFStructure store;
    TPDFNumeric& first = store.NewNumber(0);
    EXPECT_EQ(store.SlotCount(), 16);
    for (int i = 1; i < 1000; ++i) {
        store.NewNumber(i);
    }
    EXPECT_EQ(store.Count(), 1000);
    EXPECT_EQ(store.SlotCount(), 1024);
    EXPECT_EQ(store.FreeSlots, 24);
    EXPECT_EQ(store.At(0), &first);
    EXPECT_EQ(As<TPDFNumeric>(store.At(999))->Value, 999);
}

TEST(Store, RemoveRefusesObjectsStillHeldAndSharedNames) {
    TPDFStructure store;
    TPDFDictionary& dictionary = store.NewDictionary();
    TPDFNumeric& value = store.NewNumber(1);
    dictionary.Add("Width", value);
    const int32_t before = store.Count();
    store.Remove(value);
    EXPECT_EQ(store.Count(), before);
    dictionary.RemoveKey("Width");
    store.Remove(value);
    EXPECT_EQ(store.Count(), before - 1);
    TPDFName& shared = store.KeyName("Type");
    store.Remove(shared);
    EXPECT_EQ(store.FindName("Type"), &shared);
}

TEST(Store, KeyNamesAreSharedOnlyForListedNames) {
    TPDFStructure store;
    TPDFName& type = store.KeyName("Type");
    EXPECT_EQ(&store.KeyName("Type"), &type);
    TPDFName& widths = store.KeyName("Widths");
    TPDFName& widthsAgain = store.KeyName("Widths");
    EXPECT_NE(&widths, &widthsAgain);
    EXPECT_TRUE(widths.Shared && widthsAgain.Shared);
    EXPECT_TRUE(IsSharedKeyName("MediaBox"));
    EXPECT_FALSE(IsSharedKeyName("Media"));
}

TEST(Objects, ShiftMovesEveryReferenceAndMarksTheTreeChanged) {
    TPDFStructure store;
    auto* dictionary =
        As<TPDFDictionary>(&store.Parse("<</Kids [1 0 R 2 0 R] /Parent 3 0 R /N 4>>"));
    ASSERT_NE(dictionary, nullptr);
    EXPECT_FALSE(dictionary->IsChanged());
    dictionary->ShiftObjectNumbers(10);
    EXPECT_EQ(dictionary->WriteToText(), "<<\n/Kids [ 11 0 R 12 0 R ]\n/Parent 13 0 R\n/N 4\n>>\n");
    EXPECT_TRUE(dictionary->IsChanged());
}

TEST(Array, ReserveFillsSlotsAndSetItemReplaces) {
    TPDFStructure store;
    TPDFArray& array = store.NewArray();
    array.Reserve(2);
    EXPECT_EQ(array.Reserved, 2);
    array.Add(store.NewNumber(1));
    EXPECT_EQ(array.Reserved, 1);
    EXPECT_EQ(array.Count(), 1);
    array.SetItem(0, store.NewName("X"));
    array.SetItem(4, store.NewName("Y"));
    EXPECT_EQ(array.WriteToText(), "[ /X ]");
    EXPECT_EQ(array.IndexOfText(store.NewName("X")), 0);
    EXPECT_EQ(array.IndexOfText(store.NewName("Z")), -1);
    EXPECT_EQ(array.Item(-1), nullptr);
}

TEST(Stream, SetRawDataKeepsLengthAndSetDataCompresses) {
    TPDFStructure store;
    TPDFStream& stream = store.NewStream("hello hello hello hello", true);
    EXPECT_EQ(stream.Dictionary->GetInteger("Length", -1),
              static_cast<int32_t>(stream.Data.size()));
    EXPECT_EQ(As<TPDFName>(stream.Dictionary->GetValue("Filter"))->Value, "FlateDecode");
    EXPECT_EQ(stream.GetDecodedData(), "hello hello hello hello");
    stream.Dictionary->Add("Length", store.NewReference(9, 0));
    stream.SetData("abc", false);
    EXPECT_EQ(stream.Dictionary->WriteToText(), "<<\n/Length 3\n>>\n");
}

}  // namespace
}  // namespace foldant
