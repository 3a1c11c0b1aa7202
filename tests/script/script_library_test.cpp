#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "script/script_library.h"
#include "script/script_text.h"
#include "script_test_support.h"

namespace foldant::testing {
namespace {

struct Case {
    const char* expression;
    const char* expected;
};

void ExpectAll(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(Evaluate(c.expression), c.expected) << c.expression;
    }
}

TEST(ScriptLibrary, StringFunctions) {
    ExpectAll({
        {"Copy('Foldant', 2, 3)", "old"},
        {"Copy('Foldant', 5, 100)", "ant"},
        {"Copy('Foldant', 0, 2)", "Fo"},
        {"Copy('Foldant', 9, 2)", ""},
        {"Pos('ld', 'Foldant')", "3"},
        {"Pos('x', 'Foldant')", "0"},
        {"Length('abc')", "3"},
        {"Trim('  a b ' + #9)", "a b"},
        {"Uppercase('abc\xE4')", "ABC\xE4"},
        {"LowerCase('ABC')", "abc"},
        {"CompareText('abc', 'ABD') < 0", "True"},
        {"CompareText('abc', 'ABC')", "0"},
        {"NameCase('hans M\xDCLLER-l\xFC"
         "denscheid')",
         "Hans M\xFCller-L\xFC"
         "denscheid"},
        {"Chr(65) + Chr(321)", "AA"},
        {"Ord('a')", "97"},
        {"DeleteStr('abcdef', 2, 3)", "aef"},
    });
}

TEST(ScriptLibrary, ProceduresChangeTheirVariables) {
    std::string text =
        "var s: string; i: Integer; y, m, d: Integer;\n"
        "begin\n"
        "  s := 'abcdef'; Delete(s, 2, 2); Insert('XY', s, 2);\n"
        "  i := 10; Inc(i); Inc(i, 5); Dec(i, 2);\n"
        "  DecodeDate(EncodeDate(2024, 2, 29), y, m, d);\n"
        "  SetLength(s, 3);\n"
        "  Out := s + ' ' + IntToStr(i) + ' ' + IntToStr(y) + '-' + IntToStr(m) + '-' + "
        "IntToStr(d);\n"
        "end.";
    EXPECT_EQ(RunForOut(text).AsString(), "aXY 14 2024-2-29");
}

TEST(ScriptLibrary, Conversions) {
    ExpectAll({
        {"IntToStr(-42)", "-42"},
        {"StrToInt(' 17 ')", "17"},
        {"StrToInt('$1F')", "31"},
        {"StrToFloat('2.5') * 2", "5"},
        {"FloatToStr(1/3)", "0.333333333333333"},
        {"FloatToStr(1e20)", "1E20"},
        {"ValidInt('12')", "True"},
        {"ValidInt('12a')", "False"},
        {"ValidFloat('1.5')", "True"},
        {"ValidDate('31.02.2024')", "False"},
        {"ValidDate('29.02.2024')", "True"},
        {"VarToStr(Null)", ""},
        {"VarType('x') = varString", "True"},
        {"VarType(1)", "3"},
        {"VarType(Null)", "1"},
    });
    EXPECT_EQ(RunMessage("begin Out := StrToInt('zw\xF6lf'); end."),
              "'zw\xF6lf' is not a valid integer value");
    EXPECT_EQ(RunMessage("begin Out := StrToFloat('x'); end."),
              "'x' is not a valid floating point value");
}

TEST(ScriptLibrary, Mathematics) {
    ExpectAll({
        {"Abs(-3)", "3"},
        {"Abs(-2.5)", "2.5"},
        {"Round(2.5)", "2"},
        {"Round(3.5)", "4"},
        {"Round(-2.5)", "-2"},
        {"Trunc(-2.7)", "-2"},
        {"Floor(-2.5)", "-3"},
        {"Ceil(2.1)", "3"},
        {"Frac(2.75)", "0.75"},
        {"Int(2.75)", "2"},
        {"Sqrt(16)", "4"},
        {"Round(Pi * 1000)", "3142"},
        {"Round(Exp(1) * 1000)", "2718"},
        {"Ln(1)", "0"},
        {"Log10(1000)", "3"},
        {"LogN(2, 8)", "3"},
        {"Round(Sin(Pi / 2) + Cos(0) + ArcTan(0) + Tan(0))", "2"},
        {"(Random(10) >= 0) and (Random(10) < 10) and (Random < 1)", "True"},
    });
    EXPECT_EQ(RunMessage("begin Out := Sqrt(-1); end."), "Invalid floating point operation");
    EXPECT_EQ(RunMessage("begin Out := Ln(0); end."), "Invalid floating point operation");
    EXPECT_EQ(RunMessage("begin Out := Trunc(1e300); end."), "Invalid floating point operation");
}

TEST(ScriptLibrary, Dates) {
    ExpectAll({
        {"DateToStr(EncodeDate(2026, 12, 9))", "09.12.2026"},
        {"EncodeDate(1899, 12, 30) = 0", "True"},
        {"Round(EncodeDate(2000, 1, 1))", "36526"},
        {"TimeToStr(EncodeTime(13, 5, 9, 0))", "13:05:09"},
        {"DateTimeToStr(EncodeDate(2026, 1, 2) + EncodeTime(8, 30, 0, 0))", "02.01.2026 08:30:00"},
        {"DateTimeToStr(EncodeDate(2026, 1, 2))", "02.01.2026"},
        {"FormatDateTime('yyyy-mm-dd hh:nn', EncodeDate(2026, 3, 4) + EncodeTime(5, 6, 0, 0))",
         "2026-03-04 05:06"},
        {"FormatDateTime('dddd, d. mmmm yy', EncodeDate(2026, 12, 9))", "Mittwoch, 9. Dezember 26"},
        {"DayOfWeek(EncodeDate(2026, 12, 6))", "1"},
        {"DaysInMonth(2024, 2)", "29"},
        {"DaysInMonth(EncodeDate(2023, 2, 1))", "28"},
        {"IsLeapYear(1900)", "False"},
        {"IsLeapYear(2000)", "True"},
        {"DateToStr(StrToDate('1.2.2026'))", "01.02.2026"},
        {"TimeToStr(StrToTime('7:08'))", "07:08:00"},
        {"DateTimeToStr(StrToDateTime('24.12.2026 18:00:00'))", "24.12.2026 18:00:00"},
        {"(Date <= Now) and (Now - Date < 1) and (Time < 1)", "True"},
    });
    EXPECT_EQ(RunMessage("begin Out := EncodeDate(2026, 2, 30); end."),
              "Invalid argument to date encode");
    EXPECT_EQ(RunMessage("begin Out := StrToDate('morgen'); end."), "'morgen' is not a valid date");
}

TEST(ScriptLibrary, Formatting) {
    ExpectAll({
        {"Format('%d-%s', [7, 'x'])", "7-x"},
        {"Format('[%5d|%-4s|%.3d]', [42, 'ab', 7])", "[   42|ab  |007]"},
        {"Format('%.2f %x %%', [3.14159, 255])", "3.14 FF %"},
        {"Format('%n', [1234567.891])", "1,234,567.89"},
        {"Format('%1:s %0:s', ['a', 'b'])", "b a"},
        {"FormatFloat('0.00', 3.14159)", "3.14"},
        {"FormatFloat('#,##0.00', 1234.5)", "1,234.50"},
        {"FormatFloat('0.##', 2.5)", "2.5"},
        {"FormatFloat('000', 7)", "007"},
        {"FormatFloat('0.00;(0.00)', -2)", "(2.00)"},
        {"FormatFloat('\"EUR \"0.00', 2)", "EUR 2.00"},
        {"FormatMaskText('00/00/0000;0;_', '24122026')", "24/12/2026"},
        {"FormatMaskText('>LL-000;0;_', 'ab12')", "AB-12_"},
    });
    EXPECT_EQ(RunMessage("begin Out := Format('%d', ['x']); end."),
              "Format '%d' invalid or incompatible with argument");
    EXPECT_EQ(RunMessage("begin Out := Format('%s %s', ['x']); end."),
              "Format '%s %s' invalid or incompatible with argument");
    EXPECT_EQ(RunMessage("begin Out := Format('%999999999d', [1]); end."),
              "Format '%999999999d' invalid or incompatible with argument");
}

TEST(ScriptLibrary, VariantArrays) {
    std::string text =
        "var a: Variant;\n"
        "begin a := VarArrayCreate([1, 3], varVariant); a[1] := 'x'; a[3] := 5;\n"
        "Out := VarToStr(a[1]) + IntToStr(Length(a)) + IntToStr(a[3]); end.";
    EXPECT_EQ(RunForOut(text).AsString(), "x35");
    EXPECT_EQ(RunMessage("begin Out := VarArrayCreate([0, 100000000], varVariant); end."),
              "Invalid variant array bounds");
}

TEST(ScriptLibrary, ExceptionsAndUnavailableNames) {
    EXPECT_EQ(RunMessage("begin RaiseException('Fehler'); end."), "Fehler");
    EXPECT_EQ(RunMessage("begin RaiseException(0, 'mit Art'); end."), "mit Art");
    EXPECT_EQ(RunMessage("begin Out := CreateOleObject('Word.Application'); end."),
              "CreateOleObject is not available on this platform: cannot create "
              "'Word.Application'");
}

TEST(ScriptLibrary, ShowMessageGoesToTheMessageBox) {
    std::string shown;
    platform::SetMessageBoxHandler(
        [&shown](const std::string&, const std::string& text) { shown = text; });
    EXPECT_EQ(RunMessage("begin ShowMessage('Hallo ' + IntToStr(3)); end."), "");
    platform::SetMessageBoxHandler(nullptr);
    EXPECT_EQ(shown, "Hallo 3");
}

TEST(ScriptLibrary, OffersTheNamesScriptsRelyOn) {
    const char* names[] = {"Abs",
                           "ArcTan",
                           "Ceil",
                           "Chr",
                           "CompareText",
                           "Copy",
                           "Cos",
                           "CreateOleObject",
                           "Date",
                           "DateTimeToStr",
                           "DateToStr",
                           "DayOfWeek",
                           "DaysInMonth",
                           "Dec",
                           "DecodeDate",
                           "DecodeTime",
                           "Delete",
                           "DeleteStr",
                           "EncodeDate",
                           "EncodeTime",
                           "Exp",
                           "FloatToStr",
                           "Floor",
                           "Format",
                           "FormatDateTime",
                           "FormatFloat",
                           "FormatMaskText",
                           "Frac",
                           "Inc",
                           "Insert",
                           "Int",
                           "IntToStr",
                           "IsLeapYear",
                           "Length",
                           "Ln",
                           "Log10",
                           "LogN",
                           "Lowercase",
                           "NameCase",
                           "Now",
                           "Ord",
                           "Pi",
                           "Pos",
                           "RaiseException",
                           "Random",
                           "Randomize",
                           "Round",
                           "SetLength",
                           "ShowMessage",
                           "Sin",
                           "Sqrt",
                           "StrToDate",
                           "StrToDateTime",
                           "StrToFloat",
                           "StrToInt",
                           "StrToTime",
                           "Tan",
                           "Time",
                           "TimeToStr",
                           "Trim",
                           "Trunc",
                           "Uppercase",
                           "ValidDate",
                           "ValidFloat",
                           "ValidInt",
                           "VarArrayCreate",
                           "VarToStr",
                           "VarType"};
    for (const char* name : names) {
        EXPECT_NE(ScriptLibrary::Global().Find(AsciiLowerCase(name)), nullptr) << name;
    }
    EXPECT_EQ(ScriptLibrary::Global().Find("extractfileext"), nullptr);
}

}  // namespace
}  // namespace foldant::testing
