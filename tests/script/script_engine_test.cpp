#include <gtest/gtest.h>

#include "script/script_engine.h"

namespace foldant::testing {
namespace {

class ScriptEngineTest : public ::testing::Test {
  protected:
    ScriptEngineTest() { engine.SetParent(&ScriptLibrary::Global()); }

    void Run(const std::string& text) {
        engine.SetScriptText(text);
        ASSERT_TRUE(engine.Compile()) << engine.ErrorMessage();
        engine.Execute();
    }

    ScriptEngine engine;
};

TEST_F(ScriptEngineTest, DeclaredFunctionsReceiveUpperCaseNameAndArgumentsInOrder) {
    std::string seenName;
    std::vector<ScriptValue> seenArgs;
    engine.AddFunction("function Part(Row:Integer;Index:string):string",
                       [&](const std::string& name, const std::vector<ScriptValue>& args) {
                           seenName = name;
                           seenArgs = args;
                           return ScriptValue::FromString("answer");
                       });
    engine.AddVariable("Out", "string", ScriptValue::FromString(""));
    Run("begin Out := part(3, 'Name'); end.");
    EXPECT_EQ(seenName, "PART");
    ASSERT_EQ(seenArgs.size(), 2u);
    EXPECT_EQ(seenArgs[0].AsInt(), 3);
    EXPECT_EQ(seenArgs[1].AsString(), "Name");
    EXPECT_EQ(engine.GetVariable("out").AsString(), "answer");
}

TEST_F(ScriptEngineTest, DeclarationTextsAsTheModuleWritesThem) {
    int calls = 0;
    auto count = [&calls](const std::string&, const std::vector<ScriptValue>&) {
        ++calls;
        return ScriptValue::FromBool(true);
    };
    engine.AddFunction("function  Main(Index:string):string", count);
    engine.AddFunction("function PartCount :Integer", count);
    engine.AddFunction("function AnsiContainsText(const AText, ASubText: string): Boolean;", count);
    engine.AddFunction("procedure ToClipboard ", count);
    Run("begin ToClipboard; ToClipboard(); if AnsiContainsText(Main('a'), 'b') then PartCount; "
        "end.");
    EXPECT_EQ(calls, 5);
}

TEST_F(ScriptEngineTest, ArgumentCountOfDeclaredFunctionsIsChecked) {
    engine.AddFunction("function Adress(Index:string):string", nullptr);
    engine.SetScriptText("begin Adress('a', 'b'); end.");
    EXPECT_FALSE(engine.Compile());
    EXPECT_EQ(engine.ErrorMessage(), "Line 1, column 7: Invalid number of parameters");
}

TEST_F(ScriptEngineTest, UnreadableDeclarationIsRefused) {
    EXPECT_THROW(engine.AddFunction("function (x)", nullptr), ScriptCompileError);
    EXPECT_THROW(engine.AddFunction("function F: Integer; extra", nullptr), ScriptCompileError);
}

TEST_F(ScriptEngineTest, VariablesAreReadBackAndRedeclared) {
    engine.AddVariable("Count", "Integer", ScriptValue::FromInt(1));
    Run("begin Count := Count + 41; end.");
    EXPECT_EQ(engine.GetVariable("COUNT").AsInt(), 42);
    engine.AddVariable("count", "string", ScriptValue::FromString("x"));
    Run("begin Count := Count + 'y'; end.");
    EXPECT_EQ(engine.GetVariable("Count").AsString(), "xy");
    EXPECT_TRUE(engine.GetVariable("Never").IsNull());
    EXPECT_FALSE(engine.HasVariable("Never"));
}

TEST_F(ScriptEngineTest, BooleanVariableDeclaredAsNullStaysNull) {
    engine.AddVariable("Flag", "Boolean", ScriptValue::Null());
    EXPECT_TRUE(engine.GetVariable("Flag").IsNull());
    Run("begin Flag := True; end.");
    EXPECT_TRUE(engine.GetVariable("Flag").AsBool());
}

TEST_F(ScriptEngineTest, HostObjectsWithPropertiesAndDefaultIndex) {
    ScriptStringList list({"a.pdf", "b.txt"});
    engine.AddObject("attachments", &list);
    engine.AddVariable("Out", "Variant", {});
    Run("begin attachments[1] := 'c.doc'; attachments.Add('d'); Out := attachments.Count; "
        "Out := IntToStr(Out) + attachments[1] + attachments.Strings(0); end.");
    EXPECT_EQ(engine.GetVariable("Out").AsString(), "3c.doca.pdf");
    engine.SetScriptText("begin Out := attachments[7]; end.");
    ASSERT_TRUE(engine.Compile());
    EXPECT_THROW(engine.Execute(), ScriptError);
    EXPECT_EQ(engine.ErrorMessage(),
              "Der Index der Liste \xFC"
              "berschreitet das Maximum (7)");
}

TEST_F(ScriptEngineTest, NilObjectsFailClearly) {
    engine.AddObject("attachments", nullptr);
    engine.AddVariable("Out", "Variant", {});
    Run("begin Out := attachments = nil; end.");
    EXPECT_TRUE(engine.GetVariable("Out").AsBool());
    engine.SetScriptText("begin Out := attachments.Count; end.");
    EXPECT_THROW(engine.Execute(), ScriptError);
    EXPECT_EQ(engine.ErrorMessage(), "Access to a nil object");
}

TEST_F(ScriptEngineTest, UnknownPropertiesAndMethods) {
    ScriptStringList list;
    engine.AddObject("L", &list);
    engine.SetScriptText("begin L.Colour := 1; end.");
    EXPECT_THROW(engine.Execute(), ScriptError);
    EXPECT_EQ(engine.ErrorMessage(), "Property 'Colour' of TStringList cannot be written");
    engine.SetScriptText("begin L.Sort; end.");
    EXPECT_THROW(engine.Execute(), ScriptError);
    EXPECT_EQ(engine.ErrorMessage(), "Unknown method 'Sort' of TStringList");
}

TEST_F(ScriptEngineTest, RegisteredClassesAreTypeNames) {
    engine.SetScriptText("var b: TFlatButton; begin end.");
    EXPECT_FALSE(engine.Compile());
    engine.AddClass("TWinControl", "TFlatButton");
    EXPECT_TRUE(engine.Compile()) << engine.ErrorMessage();
}

TEST_F(ScriptEngineTest, WithoutParentTheLibraryIsHidden) {
    engine.SetParent(nullptr);
    engine.SetScriptText("begin IntToStr(1); end.");
    EXPECT_FALSE(engine.Compile());
    EXPECT_EQ(engine.ErrorMessage(), "Line 1, column 7: Unknown identifier 'IntToStr'");
}

TEST_F(ScriptEngineTest, OnlyPascalSyntaxIsOffered) {
    EXPECT_NO_THROW(engine.SetSyntax("PascalScript"));
    EXPECT_THROW(engine.SetSyntax("BasicScript"), ScriptError);
    EXPECT_EQ(engine.Syntax(), "PascalScript");
}

TEST_F(ScriptEngineTest, ExecuteWithoutCompileCompilesFirst) {
    engine.AddVariable("Out", "Integer", ScriptValue::FromInt(0));
    engine.SetScriptText("begin Out := 3; end.");
    engine.Execute();
    EXPECT_EQ(engine.GetVariable("Out").AsInt(), 3);
    engine.SetScriptText("begin Out := ; end.");
    EXPECT_THROW(engine.Execute(), ScriptError);
    EXPECT_EQ(engine.ErrorMessage(), "Line 1, column 14: Expression expected but ';' found");
}

TEST_F(ScriptEngineTest, ScriptGlobalsShadowHostVariables) {
    engine.AddVariable("ThisForBidden", "Boolean", ScriptValue::FromBool(false));
    Run("var ThisForBidden: Boolean; begin ThisForBidden := True; end.");
    EXPECT_FALSE(engine.GetVariable("ThisForBidden").AsBool());
}

TEST_F(ScriptEngineTest, DuplicateAndForwardDeclarations) {
    engine.SetScriptText("var a: Integer; a: string; begin end.");
    EXPECT_FALSE(engine.Compile());
    EXPECT_EQ(engine.ErrorMessage(), "Line 1, column 17: Duplicate identifier 'a'");
    engine.SetScriptText("procedure P; forward; begin P; end.");
    EXPECT_FALSE(engine.Compile());
    EXPECT_EQ(engine.ErrorMessage(), "Line 1, column 11: Unsatisfied forward declaration: 'P'");
    engine.SetScriptText("procedure P(a, a: Integer); begin end; begin end.");
    EXPECT_FALSE(engine.Compile());
    engine.SetScriptText("type T = Integer; begin end.");
    EXPECT_FALSE(engine.Compile());
    EXPECT_EQ(engine.ErrorMessage(), "Line 1, column 1: Type declarations are not supported");
}

}  // namespace
}  // namespace foldant::testing
