#include <gtest/gtest.h>

#include "script/fill_data.h"
#include "script/script_runtime.h"
#include "script/script_text.h"

namespace foldant::testing {
namespace {

bool StoredBoolean(const ScriptValue& value) {
    TFillData fill;
    fill.PutVariable("ThisForBidden", "Boolean", true, value);
    return fill.FindVariable("ThisForBidden")->Value.AsBool();
}

TEST(FillData, BooleanVariablesKeepTheirTruth) {
    EXPECT_FALSE(StoredBoolean(ScriptValue::FromBool(false)));
    EXPECT_TRUE(StoredBoolean(ScriptValue::FromBool(true)));
    EXPECT_TRUE(StoredBoolean(ScriptValue::FromString("1")));
    EXPECT_TRUE(StoredBoolean(ScriptValue::FromString("-7")));
    EXPECT_FALSE(StoredBoolean(ScriptValue::FromString("yes")));
    EXPECT_FALSE(StoredBoolean(ScriptValue::FromString("0")));
    EXPECT_TRUE(StoredBoolean(ScriptValue::FromInt(2)));
}

TEST(FillData, NullValuesDependOnAddNull) {
    TFillData fill;
    fill.PutVariable("Skipped", "Boolean", false, ScriptValue::Null());
    EXPECT_EQ(fill.FindVariable("Skipped"), nullptr);
    fill.PutVariable("Kept", "Boolean", true, ScriptValue::Null());
    ASSERT_NE(fill.FindVariable("Kept"), nullptr);
    EXPECT_TRUE(fill.FindVariable("Kept")->Value.IsNull());
}

TEST(FillData, FloatingPointTypesTurnEmptyTextIntoZero) {
    TFillData fill;
    fill.PutVariable("Amount", "double", true, ScriptValue::FromString(""));
    EXPECT_EQ(fill.FindVariable("Amount")->Value.Kind(), ValueKind::Integer);
    EXPECT_EQ(fill.FindVariable("Amount")->Value.AsInt(), 0);
    fill.PutVariable("When", "TDate", true, ScriptValue::Null());
    EXPECT_EQ(fill.FindVariable("When")->Value.Kind(), ValueKind::Integer);
    fill.PutVariable("Price", "Extended", true, ScriptValue::FromString("2.5"));
    EXPECT_EQ(fill.FindVariable("Price")->Value.AsString(), "2.5");
    fill.PutVariable("Name", "string", true, ScriptValue::FromString(""));
    EXPECT_EQ(fill.FindVariable("Name")->Value.Kind(), ValueKind::String);
}

TEST(FillData, NamesDifferingInCaseNameOneVariable) {
    TFillData fill;
    fill.PutVariable("Flag", "Boolean", true, ScriptValue::FromBool(false));
    fill.PutVariable("FLAG", "Integer", true, ScriptValue::FromInt(5));
    fill.PutVariable("\xC4nderung", "Integer", true, ScriptValue::FromInt(1));
    fill.PutVariable("\xE4NDERUNG", "Integer", true, ScriptValue::FromInt(2));
    ASSERT_EQ(fill.Variables().size(), 2u);
    EXPECT_EQ(fill.FindVariable("flag")->Typ, "Integer");
    EXPECT_EQ(fill.FindVariable("flag")->Value.AsInt(), 5);
    EXPECT_EQ(fill.FindVariable("\xC4NDERUNG")->Value.AsInt(), 2);
}

TEST(FillData, ClearAllEmptiesEverything) {
    TFillData fill;
    fill.PutVariable("A", "Integer", true, ScriptValue::FromInt(1));
    fill.AddObject("O", nullptr);
    fill.AddClass("TObject", "TThing");
    fill.SetErrorText("old");
    fill.ClearAll();
    EXPECT_TRUE(fill.Variables().empty());
    EXPECT_TRUE(fill.Objects().empty());
    EXPECT_TRUE(fill.Classes().empty());
    EXPECT_EQ(fill.ErrorText(), "");
}

TEST(Script, EmptyProgramLeavesErrorTextEmpty) {
    TFillData fill;
    fill.SetErrorText("stale");
    TScript script("begin end.", &fill);
    script.RunScript();
    EXPECT_TRUE(script.CompileSucceeded());
    EXPECT_EQ(fill.ErrorText(), "");
}

TEST(Script, CompileErrorTextIsMessageThenCodeThenTheScript) {
    TFillData fill;
    TScript script("begin x end.", &fill);
    script.RunScript();
    EXPECT_FALSE(script.CompileSucceeded());
    EXPECT_EQ(fill.ErrorText(), "Line 1, column 7: Unknown identifier 'x'Code: begin x end.\r\n");
}

TEST(Script, RunTimeErrorTextKeepsTheMessage) {
    TFillData fill;
    fill.PutVariable("V", "Integer", true, ScriptValue::FromInt(1));
    TScript script("begin\nV := 2;\nRaiseException('halt');\nV := 3;\nend.", &fill);
    script.RunScript();
    EXPECT_TRUE(script.CompileSucceeded());
    EXPECT_EQ(fill.ErrorText(),
              "haltCode: begin\r\nV := 2;\r\nRaiseException('halt');\r\nV := "
              "3;\r\nend.\r\n");
    EXPECT_EQ(script.Engine().GetVariable("v").AsInt(), 2);
}

TEST(Script, VariablesKeepDeclaredValuesAfterCompileError) {
    TFillData fill;
    fill.PutVariable("V", "Integer", true, ScriptValue::FromInt(7));
    TScript script("begin V := 1 end", &fill);
    script.RunScript();
    EXPECT_FALSE(script.CompileSucceeded());
    EXPECT_EQ(script.Engine().GetVariable("V").AsInt(), 7);
}

TEST(Script, ScriptTextIsHeldAsLines) {
    TScript script("a\r\nb\rc\nd", nullptr);
    EXPECT_EQ(script.Engine().Lines().size(), 4u);
    EXPECT_EQ(script.Engine().ScriptText(), "a\r\nb\r\nc\r\nd\r\n");
}

TEST(Script, HostObjectsAndClassesFromFillData) {
    ScriptStringList list({"one", "two"});
    TFillData fill;
    fill.AddClass("TObject", "TWidget");
    fill.AddObject("Names", &list);
    fill.PutVariable("Out", "string", true, ScriptValue::FromString(""));
    TScript script(
        "var w: TWidget; begin if w = nil then Out := Names[1] + IntToStr(Names.Count); "
        "end.",
        &fill);
    script.RunScript();
    EXPECT_EQ(fill.ErrorText(), "");
    EXPECT_EQ(script.Engine().GetVariable("Out").AsString(), "two2");
}

TEST(Script, SeparatorsApplyWhileTheScriptExistsAndAreRestoredAfter) {
    char before = DecimalSeparator();
    {
        TFillData untouched;
        TScript script("", &untouched);
        EXPECT_EQ(DecimalSeparator(), before);
    }
    {
        TFillData fill;
        fill.SetDecimalSeparator(',');
        fill.SetThousandSeparator('.');
        fill.PutVariable("Out", "string", true, ScriptValue::FromString(""));
        TScript script("begin Out := FloatToStr(1.5) + ' ' + Format('%n', [1234.5]); end.", &fill);
        script.RunScript();
        EXPECT_EQ(script.Engine().GetVariable("Out").AsString(), "1,5 1.234,50");
    }
    EXPECT_EQ(DecimalSeparator(), before);
}

TEST(ScriptStartThread, EngineBecomesReadyWithTheModuleFunctions) {
    int pumped = 0;
    SetScriptWaitPump([&pumped] { ++pumped; });
    TScriptStartThread thread;
    thread.WaitUntilReady();
    SetScriptWaitPump(nullptr);
    ASSERT_TRUE(thread.Terminated());
    ASSERT_NE(thread.Script(), nullptr);
    thread.FillData().PutVariable("Out", "Variant", true, ScriptValue::FromInt(-1));
    thread.Script()->Engine().SetScriptText("begin Out := PartCount; end.");
    thread.Script()->RunScript();
    EXPECT_EQ(thread.FillData().ErrorText(), "");
    EXPECT_EQ(thread.Script()->Engine().GetVariable("Out").AsInt(), 0);
}

}  // namespace
}  // namespace foldant::testing
