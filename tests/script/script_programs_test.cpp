#include <gtest/gtest.h>

#include "script/setup_script.h"
#include "script_test_support.h"

namespace foldant::testing {
namespace {

TEST(ScriptPrograms, SortsAnArray) {
    std::string text =
        "const N = 6;\n"
        "var a: array[1..6] of Integer; i, j, t: Integer;\n"
        "begin\n"
        "  a[1] := 5; a[2] := 3; a[3] := 9; a[4] := 1; a[5] := 7; a[6] := 3;\n"
        "  for i := 1 to N - 1 do\n"
        "    for j := N downto i + 1 do\n"
        "      if a[j] < a[j - 1] then begin t := a[j]; a[j] := a[j - 1]; a[j - 1] := t; end;\n"
        "  Out := '';\n"
        "  for i := 1 to N do Out := Out + IntToStr(a[i]) + ' ';\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsString(), "1 3 3 5 7 9 ");
}

TEST(ScriptPrograms, SplitsTextIntoWords) {
    std::string text =
        "function CountWords(s: string): Integer;\n"
        "var i: Integer; inWord: Boolean;\n"
        "begin\n"
        "  Result := 0; inWord := False;\n"
        "  for i := 1 to Length(s) do\n"
        "    if s[i] in [' ', ',', '.'] then inWord := False\n"
        "    else if not inWord then begin inWord := True; Inc(Result); end;\n"
        "end;\n"
        "begin Out := CountWords('Sehr geehrte Damen und Herren, anbei die Rechnung.'); end.";
    EXPECT_EQ(RunForOut(text).AsInt(), 8);
}

TEST(ScriptPrograms, CharacterLoopAndCaseOnText) {
    std::string text =
        "var c: Char; s: string;\n"
        "begin\n"
        "  s := '';\n"
        "  for c := 'a' to 'e' do\n"
        "    case c of\n"
        "      'a', 'e': s := s + UpperCase(c);\n"
        "      'b'..'c': s := s + '-';\n"
        "    else s := s + c;\n"
        "    end;\n"
        "  case s of 'A--dE': Out := 'ok'; else Out := s; end;\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsString(), "ok");
}

TEST(ScriptPrograms, DueDateFromInvoiceDate) {
    std::string text =
        "var d: TDateTime; y, m, day: Integer;\n"
        "begin\n"
        "  d := StrToDate('28.01.2026') + 14;\n"
        "  DecodeDate(d, y, m, day);\n"
        "  if DayOfWeek(d) in [1, 7] then d := d + 2;\n"
        "  Out := FormatDateTime('dd.mm.yyyy', d) + ' ' + IntToStr(m);\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsString(), "11.02.2026 2");
}

TEST(ScriptPrograms, NestedRoutinesAndExitInLoops) {
    std::string text =
        "function FirstDivisor(n: Integer): Integer;\n"
        "var i: Integer;\n"
        "begin\n"
        "  Result := n;\n"
        "  for i := 2 to n - 1 do\n"
        "    if n mod i = 0 then begin Result := i; Exit; end;\n"
        "end;\n"
        "function Describe(n: Integer): string;\n"
        "begin\n"
        "  if FirstDivisor(n) = n then Result := 'prim' else Result := 'teilbar durch ' + "
        "IntToStr(FirstDivisor(n));\n"
        "end;\n"
        "begin Out := Describe(13) + ', ' + Describe(91); end.";
    EXPECT_EQ(RunForOut(text).AsString(), "prim, teilbar durch 7");
}

TEST(ScriptPrograms, ErrorInsideRoutineUnwindsToTheCaller) {
    std::string text =
        "var log: string;\n"
        "procedure Inner; begin log := log + 'i'; RaiseException('tief'); log := log + 'x'; end;\n"
        "procedure Outer; begin try Inner; finally log := log + 'f'; end; end;\n"
        "begin\n"
        "  try Outer; except on E: Exception do log := log + E.Message; end;\n"
        "  Out := log;\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsString(), "iftief");
}

TEST(ScriptPrograms, ProcedureCallsWithAndWithoutParentheses) {
    std::string text =
        "procedure Mark; begin Out := Out + '*'; end;\n"
        "begin Out := ''; Mark; Mark(); Randomize; Out := Out + IntToStr(Length(Out)); end.";
    EXPECT_EQ(RunForOut(text).AsString(), "**2");
}

TEST(SetupScriptText, Utf8FilesAreDecodedOthersTakenAsTheyAre) {
    EXPECT_EQ(SetupScriptTextFromFile("Gr\xC3\xBC\xC3\x9F"
                                      "e"),
              "Gr\xFC\xDF"
              "e");
    EXPECT_EQ(SetupScriptTextFromFile("Gr\xFC\xDF"
                                      "e"),
              "Gr\xFC\xDF"
              "e");
    EXPECT_EQ(SetupScriptTextFromFile("\xE2\x82\xAC"), "\x80");
    EXPECT_EQ(SetupScriptTextFromFile("plain"), "plain");
    EXPECT_EQ(SetupScriptTextFromFile("\xEF\xBB\xBF"
                                      "begin M\xC3\xBC end."),
              "begin M\xFC end.");
}

TEST(SetupScriptText, BlankTextBecomesTheDefaultScript) {
    EXPECT_EQ(PrepareSetupScriptText(" \r\n\t "), DefaultSetupScript());
    EXPECT_EQ(PrepareSetupScriptText("\r\n begin end. \r\n"), "begin end.");
}

}  // namespace
}  // namespace foldant::testing
