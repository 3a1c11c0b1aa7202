#include <gtest/gtest.h>

#include "script_test_support.h"

namespace foldant::testing {
namespace {

TEST(ScriptLexical, KeywordsAndNamesIgnoreCase) {
    EXPECT_EQ(RunForOut("BEGIN oUT := 1; End.").AsInt(), 1);
    EXPECT_EQ(RunForOut("var Count: integer; begin COUNT := 4; out := count * 2 end.").AsInt(), 8);
}

TEST(ScriptLexical, AllThreeCommentForms) {
    std::string text =
        "begin // line comment\n"
        "{ brace comment Out := 5; }\n"
        "(** star comment\n Out := 6;\n **)\n"
        "Out := 7; (* inline *) end.";
    EXPECT_EQ(RunForOut(text).AsInt(), 7);
}

TEST(ScriptLexical, StringLiteralsAndCharacterCodes) {
    EXPECT_EQ(Evaluate("'it''s'"), "it's");
    EXPECT_EQ(Evaluate("'a'#13#10'b'"), "a\r\nb");
    EXPECT_EQ(Evaluate("#65#$42"), "AB");
    EXPECT_EQ(Evaluate("''"), "");
}

TEST(ScriptLexical, DecimalHexAndRealNumbers) {
    EXPECT_EQ(Evaluate("$FF + 1"), "256");
    EXPECT_EQ(Evaluate("1.5e2"), "150");
    EXPECT_EQ(Evaluate("2.25"), "2.25");
}

TEST(ScriptLexical, ErrorsNameLineAndColumn) {
    EXPECT_EQ(CompileMessage("begin\n  Out := 'open;\nend."),
              "Line 2, column 10: Unterminated string");
    EXPECT_EQ(CompileMessage("begin { never closed\nend."),
              "Line 1, column 7: Unterminated comment");
    EXPECT_EQ(CompileMessage("begin Out := 1 ? 2; end."),
              "Line 1, column 16: Illegal character in input file: '?'");
}

TEST(ScriptArithmetic, IntegerAndFloatOperators) {
    EXPECT_EQ(Evaluate("7 + 2 * 3"), "13");
    EXPECT_EQ(Evaluate("(7 + 2) * 3"), "27");
    EXPECT_EQ(Evaluate("7 div 2"), "3");
    EXPECT_EQ(Evaluate("-7 div 2"), "-3");
    EXPECT_EQ(Evaluate("7 mod 3"), "1");
    EXPECT_EQ(Evaluate("-7 mod 3"), "-1");
    EXPECT_EQ(Evaluate("7 / 2"), "3.5");
    EXPECT_EQ(Evaluate("-(3 - 5)"), "2");
    EXPECT_EQ(Evaluate("- 2 * 3"), "-6");
    EXPECT_EQ(Evaluate("1.5 + 1"), "2.5");
    EXPECT_EQ(Evaluate("6 shl 2"), "24");
}

TEST(ScriptArithmetic, DivisionByZeroIsARunTimeError) {
    EXPECT_EQ(RunMessage("begin Out := 1 div 0; end."), "Division by zero");
    EXPECT_EQ(RunMessage("begin Out := 1 mod 0; end."), "Division by zero");
    EXPECT_EQ(RunMessage("begin Out := 1 / 0; end."), "Floating point division by zero");
}

TEST(ScriptArithmetic, ExtremeIntegersDoNotTrap) {
    EXPECT_EQ(Evaluate("$7FFFFFFFFFFFFFFF + 1"), "-9223372036854775808");
    EXPECT_EQ(RunMessage("var i: Int64; begin i := -9223372036854775807 - 1; Out := i div -1; "
                         "Out := i mod -1; end."),
              "");
}

TEST(ScriptStrings, ConcatenationAndComparison) {
    EXPECT_EQ(Evaluate("'ab' + 'cd'"), "abcd");
    EXPECT_EQ(Evaluate("'abc' = 'abc'"), "True");
    EXPECT_EQ(Evaluate("'abc' = 'ABC'"), "False");
    EXPECT_EQ(Evaluate("'abc' < 'abd'"), "True");
    EXPECT_EQ(Evaluate("'Z' < #196"), "True");
    EXPECT_EQ(Evaluate("'ab' <> 'ab'"), "False");
}

TEST(ScriptStrings, IndexingIsOneBased) {
    EXPECT_EQ(
        RunForOut("var s: string; begin s := 'abc'; s[2] := 'X'; Out := s + s[1]; end.").AsString(),
        "aXca");
    EXPECT_EQ(RunMessage("var s: string; begin s := 'abc'; Out := s[4]; end."),
              "String index out of range (4)");
}

TEST(ScriptLogic, BooleanOperatorsAndComparisons) {
    EXPECT_EQ(Evaluate("True and not False"), "True");
    EXPECT_EQ(Evaluate("False or (1 < 2)"), "True");
    EXPECT_EQ(Evaluate("True xor True"), "False");
    EXPECT_EQ(Evaluate("(1 <= 1) and (2 >= 3)"), "False");
    EXPECT_EQ(Evaluate("6 and 3"), "2");
    EXPECT_EQ(Evaluate("nil = nil"), "True");
}

TEST(ScriptLogic, AndStopsAtTheFirstFalseOperand) {
    EXPECT_EQ(Evaluate("(1 = 2) and (1 div 0 = 1)"), "False");
    EXPECT_EQ(Evaluate("(1 = 1) or (1 div 0 = 1)"), "True");
}

TEST(ScriptStatements, IfThenElse) {
    std::string text =
        "var n: Integer;\n"
        "begin\n"
        "  n := 5;\n"
        "  if n > 3 then Out := 'big' else Out := 'small';\n"
        "  if n > 9 then Out := Out + '!' else if n = 5 then Out := Out + '5';\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsString(), "big5");
}

TEST(ScriptStatements, CaseWithListsRangesAndElse) {
    std::string text =
        "function Kind(n: Integer): string;\n"
        "begin\n"
        "  case n of\n"
        "    1, 2: Result := 'small';\n"
        "    3..9: Result := 'medium';\n"
        "  else\n"
        "    Result := 'other';\n"
        "  end;\n"
        "end;\n"
        "begin Out := Kind(2) + ' ' + Kind(7) + ' ' + Kind(10); end.";
    EXPECT_EQ(RunForOut(text).AsString(), "small medium other");
    EXPECT_EQ(RunForOut("begin case 'b' of 'a': Out := 1; 'b': Out := 2; end; end.").AsInt(), 2);
}

TEST(ScriptStatements, ForLoopsCountBothWays) {
    EXPECT_EQ(RunForOut("var i: Integer; begin Out := ''; for i := 1 to 4 do Out := Out + "
                        "IntToStr(i); end.")
                  .AsString(),
              "1234");
    EXPECT_EQ(RunForOut("var i: Integer; begin Out := ''; for i := 3 downto 1 do Out := Out + "
                        "IntToStr(i); end.")
                  .AsString(),
              "321");
    EXPECT_EQ(
        RunForOut("var i: Integer; begin Out := 0; for i := 5 to 1 do Out := 99; end.").AsInt(), 0);
}

TEST(ScriptStatements, WhileRepeatBreakContinue) {
    std::string text =
        "var i: Integer;\n"
        "begin\n"
        "  Out := ''; i := 0;\n"
        "  while True do begin\n"
        "    Inc(i);\n"
        "    if i mod 2 = 0 then Continue;\n"
        "    if i > 7 then Break;\n"
        "    Out := Out + IntToStr(i);\n"
        "  end;\n"
        "  repeat Dec(i) until i < 5;\n"
        "  Out := Out + '/' + IntToStr(i);\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsString(), "1357/4");
}

TEST(ScriptStatements, ExitLeavesRoutineOrMainBlock) {
    EXPECT_EQ(RunForOut("procedure P; begin Out := 1; Exit; Out := 2; end; begin P; end.").AsInt(),
              1);
    EXPECT_EQ(RunForOut("begin Out := 1; Exit; Out := 2; end.").AsInt(), 1);
    EXPECT_EQ(RunForOut("function F: Integer; begin Result := 1; Exit(5); end; begin Out := F; "
                        "end.")
                  .AsInt(),
              5);
}

TEST(ScriptStatements, TryExceptCatchesAndReraises) {
    std::string text =
        "begin\n"
        "  try\n"
        "    Out := 'a';\n"
        "    RaiseException('boom');\n"
        "    Out := 'never';\n"
        "  except\n"
        "    Out := Out + 'b';\n"
        "  end;\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsString(), "ab");
    EXPECT_EQ(RunMessage("begin try Out := 1 div 0; except raise; end; end."), "Division by zero");
    EXPECT_EQ(RunMessage("begin raise Exception.Create('custom'); end."), "custom");
}

TEST(ScriptStatements, ExceptionHandlersSeeTheMessage) {
    std::string text =
        "procedure Check(n: Integer);\n"
        "begin\n"
        "  try\n"
        "    Out := Out + IntToStr(10 div n);\n"
        "  except\n"
        "    on E: Exception do Out := Out + '[' + E.Message + ']';\n"
        "  end;\n"
        "end;\n"
        "begin\n"
        "  Out := '';\n"
        "  Check(5); Check(0);\n"
        "  try RaiseException('main') except on Err: Exception do Out := Out + Err.Message; end;\n"
        "  try RaiseException('silent') except on Exception do Out := Out + '!'; end;\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsString(), "2[Division by zero]main!");
    EXPECT_EQ(CompileMessage("begin try except on E: Exception do ; end; Out := E; end."),
              "Line 1, column 51: Unknown identifier 'E'");
    EXPECT_EQ(RunMessage("begin try RaiseException('inner') except on E: Exception do raise; end; "
                         "end."),
              "inner");
}

TEST(ScriptStatements, FinallyRunsOnErrorAndOnExit) {
    EXPECT_EQ(RunMessage("begin try RaiseException('x') finally Out := 1; end; end."), "x");
    EXPECT_EQ(RunForOut("procedure P; begin try Exit; finally Out := 'cleaned'; end; end; "
                        "begin P; end.")
                  .AsString(),
              "cleaned");
}

TEST(ScriptRoutines, ParametersResultAndRecursion) {
    std::string text =
        "function Fact(n: Integer): Integer;\n"
        "begin\n"
        "  if n <= 1 then Fact := 1 else Result := n * Fact(n - 1);\n"
        "end;\n"
        "procedure Twice(var x: Integer; const add: Integer);\n"
        "begin x := x * 2 + add; end;\n"
        "var v: Integer;\n"
        "begin v := 5; Twice(v, 1); Out := IntToStr(Fact(5)) + ' ' + IntToStr(v); end.";
    EXPECT_EQ(RunForOut(text).AsString(), "120 11");
}

TEST(ScriptRoutines, LocalsAreFreshForEachCall) {
    std::string text =
        "function Counter: Integer; var c: Integer; begin Inc(c); Result := c; end;\n"
        "begin Out := Counter + Counter; end.";
    EXPECT_EQ(RunForOut(text).AsInt(), 2);
}

TEST(ScriptRoutines, ForwardDeclarationAllowsMutualCalls) {
    std::string text =
        "function IsOdd(n: Integer): Boolean; forward;\n"
        "function IsEven(n: Integer): Boolean; begin if n = 0 then Result := True else Result "
        ":= IsOdd(n - 1); end;\n"
        "function IsOdd(n: Integer): Boolean; begin if n = 0 then Result := False else Result "
        ":= IsEven(n - 1); end;\n"
        "begin Out := IsOdd(7); end.";
    EXPECT_TRUE(RunForOut(text).AsBool());
}

TEST(ScriptDeclarations, ConstantsAndInitialisedVariables) {
    std::string text =
        "const Greeting = 'Hallo'; Times = 3;\n"
        "var n: Integer = 2; d: Double; b: Boolean; s: string; c: Char;\n"
        "begin Out := Greeting + IntToStr(Times * n) + FloatToStr(d) + VarToStr(b) + s; end.";
    EXPECT_EQ(RunForOut(text).AsString(), "Hallo60False");
    EXPECT_EQ(CompileMessage("const K = 1; begin K := 2; end."),
              "Line 1, column 20: Left side cannot be assigned to");
}

TEST(ScriptDeclarations, TypedVariablesConvertWhatIsAssigned) {
    EXPECT_EQ(RunForOut("var i: Integer; begin i := '42'; Out := i + 1; end.").AsInt(), 43);
    EXPECT_EQ(RunForOut("var s: string; begin s := 42; Out := s + '!'; end.").AsString(), "42!");
    EXPECT_EQ(RunForOut("var d: Double; begin d := 3; Out := d / 2; end.").AsString(), "1.5");
    EXPECT_EQ(RunMessage("var i: Integer; begin i := 'abc'; end."),
              "Could not convert variant of type (String) into type (Integer)");
    EXPECT_EQ(RunMessage("var c: Char; begin c := 'ab'; end."),
              "Could not convert variant of type (String) into type (Char)");
    EXPECT_EQ(RunForOut("var v: Variant; begin v := 1; v := v + 0.5; Out := v; end.").AsString(),
              "1.5");
    EXPECT_EQ(RunForOut("var t: TDateTime; begin t := EncodeDate(2026, 12, 9); Out := "
                        "DateToStr(t + 1); end.")
                  .AsString(),
              "10.12.2026");
}

TEST(ScriptDeclarations, ArraysAndSets) {
    std::string text =
        "var a: array[1..3] of Integer; i: Integer;\n"
        "begin\n"
        "  for i := 1 to 3 do a[i] := i * i;\n"
        "  Out := a[1] + a[2] + a[3];\n"
        "  if (5 in [1, 3..6]) and not ('x' in ['a'..'f']) then Out := Out + 100;\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsInt(), 114);
    EXPECT_EQ(RunMessage("var a: array[0..1] of Integer; begin a[2] := 1; end."),
              "Array index out of bounds (2)");
}

TEST(ScriptCompile, MessagesNameTheOffendingToken) {
    EXPECT_EQ(CompileMessage("begin\n  Out := Missing;\nend."),
              "Line 2, column 10: Unknown identifier 'Missing'");
    EXPECT_EQ(CompileMessage("begin Out := 1\nOut := 2; end."),
              "Line 2, column 1: ';' expected but identifier 'Out' found");
    EXPECT_EQ(CompileMessage("begin Out := IntToStr(1, 2); end."),
              "Line 1, column 14: Invalid number of parameters");
    EXPECT_EQ(CompileMessage("begin Break; end."),
              "Line 1, column 7: BREAK or CONTINUE outside of loop");
    EXPECT_EQ(CompileMessage("begin end"), "Line 2, column 1: '.' expected but end of file found");
    EXPECT_EQ(CompileMessage("var x: TUnknown; begin end."),
              "Line 1, column 8: Unknown type 'tunknown'");
    EXPECT_EQ(CompileMessage("begin Inc(5); end."), "Line 1, column 11: Variable required");
}

TEST(ScriptLimits, ExtremeBoundsAndIndicesAreRefusedCleanly) {
    EXPECT_EQ(RunMessage("var a: array[-2..2] of Integer; begin a[$7FFFFFFFFFFFFFFF] := 1; end."),
              "Array index out of bounds (9223372036854775807)");
    EXPECT_EQ(RunMessage("begin Out := VarArrayCreate([-9223372036854775807 - 1, "
                         "$7FFFFFFFFFFFFFFF], 12); end."),
              "Invalid variant array bounds");
    EXPECT_EQ(RunMessage("begin Out := 5 in [-9223372036854775807 - 1..$7FFFFFFFFFFFFFFF]; end."),
              "");
    EXPECT_EQ(RunMessage("var s: Variant; begin s := [$7FFFFFFFFFFFFFF0..$7FFFFFFFFFFFFFFF]; "
                         "Out := Length(s); end."),
              "");
    EXPECT_NE(CompileMessage("var a: array[$8000000000000000..1] of Integer; begin end."), "");
    EXPECT_EQ(RunMessage("begin Out := Format('%.4000f', [1e300]) + FormatFloat('0.00', 1e300); "
                         "end."),
              "");
}

TEST(ScriptCompile, EmptyProgramRuns) {
    EXPECT_EQ(RunMessage("begin end."), "");
    EXPECT_EQ(RunMessage("program Test; uses Classes; begin end."), "");
}

TEST(ScriptCompile, DeepNestingIsRefusedNotCrashing) {
    std::string deep =
        "begin Out := " + std::string(5000, '(') + "1" + std::string(5000, ')') + "; end.";
    EXPECT_NE(CompileMessage(deep).find("Nesting too deep"), std::string::npos);
    std::string chain = "begin Out := 1";
    for (int i = 0; i < 5000; ++i) {
        chain += "+1";
    }
    EXPECT_NE(CompileMessage(chain + "; end.").find("Expression too complex"), std::string::npos);
}

TEST(ScriptLimits, EndlessLoopIsStoppedAndCannotBeCaught) {
    ScriptEngine engine;
    engine.SetParent(&ScriptLibrary::Global());
    engine.SetTimeLimit(std::chrono::milliseconds(50));
    engine.SetScriptText("begin while True do try while True do ; except end; end.");
    ASSERT_TRUE(engine.Compile());
    auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(engine.Execute(), ScriptError);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_NE(engine.ErrorMessage().find("ran longer than"), std::string::npos);
}

TEST(ScriptLimits, EndlessRecursionIsARunTimeError) {
    EXPECT_EQ(RunMessage("procedure P; begin P; end; begin P; end."), "Stack overflow");
}

TEST(ScriptLimits, DeepExpressionsInDeepRecursionDoNotExhaustTheStack) {
    std::string nested = "F(n - 1)";
    for (int i = 0; i < 120; ++i) {
        nested = "(1 + " + nested + ")";
    }
    std::string text =
        "function F(n: Integer): Integer; begin if n <= 0 then Result := 0 else "
        "Result := " +
        nested + "; end; begin Out := F(900); end.";
    EXPECT_EQ(RunMessage(text), "Stack overflow");
    EXPECT_EQ(RunMessage("function F(n: Integer): Integer; begin if n = 0 then Result := 0 else "
                         "Result := 1 + F(n - 1); end; begin Out := F(150); end."),
              "");
}

TEST(ScriptLimits, RunawayTextGrowthStops) {
    EXPECT_EQ(RunMessage("var s: string; begin s := 'x'; while True do s := s + s; end."),
              "Out of memory");
}

TEST(ScriptErrors, RunTimeErrorNamesTheFailingStatement) {
    ScriptEngine engine;
    engine.SetParent(&ScriptLibrary::Global());
    engine.SetScriptText("begin\n  ShowMessage('x' + '');\n  RaiseException('stop here');\nend.");
    ASSERT_TRUE(engine.Compile());
    try {
        engine.Execute();
        FAIL();
    } catch (const ScriptError& error) {
        EXPECT_STREQ(error.what(), "stop here");
    }
    EXPECT_EQ(engine.ErrorPosition().line, 3);
}

}  // namespace
}  // namespace foldant::testing
