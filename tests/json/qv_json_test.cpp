#include "json/qv_json.h"

#include <gtest/gtest.h>

#include <memory>

#include "json/json_error.h"
#include "json/json_text.h"

namespace foldant {
namespace {

std::unique_ptr<TQvCustomJSON> Parse(std::string_view text) {
    auto tree = TQvJSONText::ParseJsonText(text);
    EXPECT_TRUE(tree) << text;
    return tree;
}

std::string Compact(const TQvCustomJSON& node) {
    return TQvJSONText::PrintCompact(node);
}

TEST(QvJson, KindsAndKindNames) {
    EXPECT_EQ(TUxJSONnumber().Kind(), 1);
    EXPECT_STREQ(TUxJSONstring().KindName(), "js_String");
    EXPECT_EQ(TUxJSONboolean().Kind(), 3);
    EXPECT_STREQ(TUxJSONnull().KindName(), "js_Null");
    EXPECT_EQ(TQvSONList().Kind(), 5);
    EXPECT_STREQ(TQvJSON().KindName(), "js_Object");
    EXPECT_EQ(TUxJSONobjectmethod(u"a", std::make_unique<TUxJSONnull>()).Kind(), 0);
}

TEST(QvJson, SettersAddMembersInOrderAndOverwriteInPlace) {
    TQvJSON message;
    message.SetTextMember("UID", "abc");
    message.SetIntMember("Succeded", 1);
    message.SetBoolMember("Infinite", false);
    message.SetFloatMember("Ratio", 0.25);
    message.SetCurrencyMember("Amount", Currency{12345});
    EXPECT_EQ(Compact(message),
              R"({"UID":"abc","Succeded":1,"Infinite":false,"Ratio":0.25,"Amount":1.2345})");

    message.SetIntMember("Succeded", 2);
    message.SetTextMember("UID", "x\x80y");
    message.SetBoolMember("Infinite", true);
    EXPECT_EQ(message.ChildCount(), 5);
    EXPECT_EQ(Compact(message),
              R"({"UID":"x\u20acy","Succeded":2,"Infinite":true,"Ratio":0.25,"Amount":1.2345})");
}

TEST(QvJson, SetterKeepsContainerAndNullMembersUnchanged) {
    auto tree = Parse(R"({"List":[1],"Obj":{},"Nothing":null})");
    tree->SetIntMember("List", 5);
    tree->SetTextMember("Obj", "t");
    tree->SetBoolMember("Nothing", true);
    EXPECT_EQ(Compact(*tree), R"({"List":[1],"Obj":{},"Nothing":null})");
}

TEST(QvJson, SetterThatCannotConvertRaisesAndLeavesTheMember) {
    auto tree = Parse(R"({"n":7,"b":true})");
    EXPECT_THROW(tree->SetTextMember("n", "seven"), JsonError);
    EXPECT_THROW(tree->SetTextMember("b", "maybe"), JsonError);
    EXPECT_EQ(Compact(*tree), R"({"n":7,"b":true})");
    tree->SetTextMember("n", "8.5");
    tree->SetIntMember("b", 0);
    EXPECT_EQ(Compact(*tree), R"({"n":8.5,"b":false})");
}

TEST(QvJson, SettersOnAScalarWriteTheScalarItself) {
    TUxJSONstring text(u"old");
    text.SetIntMember("whatever", 42);
    EXPECT_EQ(text.Value(), u"42");
    TQvSONList list;
    list.SetIntMember("x", 1);
    EXPECT_EQ(list.ChildCount(), 0);
}

TEST(QvJson, RepeatedNamesFindTheFirstAndPrintAll) {
    auto tree = Parse(R"({"a":1,"b":2,"a":3})");
    EXPECT_EQ(JsonReadText(tree.get(), "a"), "1");
    EXPECT_EQ(Compact(*tree), R"({"a":1,"b":2,"a":3})");
    auto& object = static_cast<TQvJSON&>(*tree);
    std::string name;
    EXPECT_EQ(object.MemberValueAt(2), object.MemberByName(u"a"));
    EXPECT_EQ(Compact(*object.EntryAt(2, name)), "1");
    EXPECT_EQ(name, "a");
    tree->SetIntMember("a", 9);
    EXPECT_EQ(Compact(*tree), R"({"a":9,"b":2,"a":3})");
}

TEST(QvJson, DottedNamesAreLiteral) {
    auto tree = Parse(R"({"Merged":{"Success":false},"Merged.Success":true})");
    EXPECT_TRUE(JsonReadBool(tree.get(), "Merged.Success"));
    EXPECT_EQ(JsonReadText(tree.get(), "Success"), "");
    EXPECT_FALSE(JsonReadBool(JsonFindNode(tree.get(), "Merged"), "Merged.Success"));
}

TEST(QvJson, ReadingFunctionsAnswerDefaultsForMissingNullAndContainers) {
    auto tree = Parse(R"({"n":null,"l":[1],"o":{"x":1},"t":"Text","f":1.5,"b":true,"z":0})");
    EXPECT_EQ(JsonReadText(tree.get(), "missing"), "");
    EXPECT_EQ(JsonReadText(tree.get(), "n"), "");
    EXPECT_EQ(JsonReadText(tree.get(), "l"), "");
    EXPECT_EQ(JsonReadText(tree.get(), "o"), "");
    EXPECT_EQ(JsonReadText(tree.get(), "t"), "Text");
    EXPECT_EQ(JsonReadText(tree.get(), "f"), "1.5");
    EXPECT_EQ(JsonReadText(tree.get(), "b"), "true");
    EXPECT_FALSE(JsonReadBool(tree.get(), "missing"));
    EXPECT_FALSE(JsonReadBool(tree.get(), "n"));
    EXPECT_TRUE(JsonReadBool(tree.get(), "b"));
    EXPECT_TRUE(JsonReadBool(tree.get(), "f"));
    EXPECT_FALSE(JsonReadBool(tree.get(), "z"));
    EXPECT_EQ(JsonReadText(nullptr, "t"), "");
    EXPECT_EQ(JsonChild(nullptr, 0), nullptr);
}

TEST(QvJson, AScalarAnswersEveryLookupWithItself) {
    auto tree = Parse(R"("Hallo")");
    EXPECT_EQ(JsonReadText(tree.get(), "UID"), "Hallo");
    EXPECT_EQ(JsonReadText(tree.get(), ""), "Hallo");
    auto list = Parse("[1,2]");
    EXPECT_EQ(JsonFindNode(list.get(), "x"), list.get());
}

TEST(QvJson, LookupByNumberGivesTheChild) {
    auto list = Parse(R"(["a","b"])");
    EXPECT_EQ(Compact(*list->Lookup(int64_t{1})), R"("b")");
    EXPECT_EQ(list->Lookup(2.7), nullptr);
    EXPECT_EQ(Compact(*list->Lookup(1.9)), R"("b")");
    auto object = Parse(R"({"k":"v"})");
    EXPECT_EQ(Compact(*object->Lookup(int64_t{0})), R"("k":"v")");
    EXPECT_EQ(Compact(*JsonChild(object.get(), 0)), R"("k":"v")");
    EXPECT_EQ(JsonChild(object.get(), 1), nullptr);
}

TEST(QvJson, TypedItemReadersCheckTheKind) {
    auto tree = Parse(R"([3.9,"t\u00e4",true,-2.9,1e12])");
    auto& list = static_cast<TQvSONList&>(*tree);
    EXPECT_EQ(list.IntAt(0), 3);
    EXPECT_EQ(list.IntAt(3), -2);
    EXPECT_EQ(list.IntAt(4), 2147483647);
    EXPECT_EQ(list.TextAt(1), "t\xE4");
    EXPECT_EQ(list.WideTextAt(1), u"t\u00e4");
    EXPECT_TRUE(list.BoolAt(2));
    EXPECT_DOUBLE_EQ(list.FloatAt(0), 3.9);
    EXPECT_EQ(list.IntAt(9), 0);
    EXPECT_EQ(list.TextAt(-1), "");
    EXPECT_FALSE(list.BoolAt(5));
    EXPECT_THROW(list.IntAt(1), JsonError);
    EXPECT_THROW(list.TextAt(0), JsonError);
    EXPECT_THROW(list.BoolAt(0), JsonError);

    auto object = Parse(R"({"n":5,"s":"x"})");
    auto& members = static_cast<TQvJSON&>(*object);
    EXPECT_EQ(members.IntAt(0), 5);
    EXPECT_EQ(members.TextAt(1), "x");
    EXPECT_THROW(members.FloatAt(1), JsonError);
}

TEST(QvJson, ListEditing) {
    TQvSONList list;
    EXPECT_EQ(list.AddItem(nullptr), -1);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list.AddItem(std::make_unique<TUxJSONnumber>(i)), i);
    }
    TQvCustomJSON* third = list.ChildAt(2);
    EXPECT_EQ(list.PositionOf(third), 2);
    list.RemoveAt(0);
    EXPECT_EQ(Compact(list), "[3,1,2]");
    EXPECT_EQ(list.PositionOf(third), 2);
    list.RemoveAt(2);
    list.RemoveAt(7);
    EXPECT_EQ(Compact(list), "[3,1]");
    list.ReplaceChildAt(1, std::make_unique<TUxJSONstring>(u"r"));
    list.ReplaceChildAt(5, std::make_unique<TUxJSONnull>());
    list.ReplaceChildAt(0, nullptr);
    EXPECT_EQ(Compact(list), R"([3,"r"])");
    // A removed child is freed, and a new one may take its address; an object that was never in
    // the list stands for it.
    TUxJSONnull outsider;
    EXPECT_EQ(list.PositionOf(&outsider), -1);
    std::string name;
    list.EntryAt(1, name);
    EXPECT_EQ(name, "1");
}

TEST(QvJson, ObjectStaysFindableAfterRemovingAndReplacingMembers) {
    TQvJSON object;
    object.SetIntMember("a", 1);
    object.SetIntMember("b", 2);
    object.SetIntMember("c", 3);
    object.RemoveAt(0);
    EXPECT_EQ(Compact(object), R"({"c":3,"b":2})");
    EXPECT_EQ(JsonReadText(&object, "c"), "3");
    EXPECT_EQ(JsonReadText(&object, "a"), "");
    object.ReplaceChildAt(
        1, std::make_unique<TUxJSONobjectmethod>(u"d", std::make_unique<TUxJSONnumber>(4)));
    EXPECT_EQ(JsonReadText(&object, "d"), "4");
    EXPECT_EQ(JsonReadText(&object, "b"), "");
    object.ReplaceChildAt(0, std::make_unique<TUxJSONnumber>(5));
    EXPECT_EQ(object.AppendNode(std::make_unique<TUxJSONnumber>(5)), -1);
    EXPECT_EQ(Compact(object), R"({"c":3,"d":4})");
}

TEST(QvJson, AMemberWithAnEmptyNameHasNoValueByPosition) {
    auto tree = Parse(R"({"":1})");
    auto& object = static_cast<TQvJSON&>(*tree);
    EXPECT_EQ(object.MemberValueAt(0), nullptr);
    EXPECT_EQ(Compact(*object.MemberByName(u"")), "1");
    EXPECT_EQ(object.MemberNameAt(3), u"");
}

TEST(QvJson, WriteValueConversions) {
    TUxJSONnumber number;
    number.WriteValue(Currency{-25000});
    EXPECT_EQ(number.Value(), -2.5);
    number.WriteValue(true);
    EXPECT_EQ(number.Value(), 1);
    EXPECT_THROW(number.WriteValue(JsonScalar{}), JsonError);
    TUxJSONstring text(u"x");
    text.WriteValue(JsonScalar{});
    EXPECT_EQ(text.Value(), u"");
    text.WriteValue(0.5);
    EXPECT_EQ(text.Value(), u"0.5");
    TUxJSONboolean flag;
    flag.WriteValue(int64_t{3});
    EXPECT_TRUE(flag.Value());
    flag.WriteValue(std::u16string(u"FALSE"));
    EXPECT_FALSE(flag.Value());
    EXPECT_TRUE(std::holds_alternative<std::monostate>(TQvJSON().ReadValue()));
}

}  // namespace
}  // namespace foldant
