#include <gtest/gtest.h>

#include "platform/clipboard.h"
#include "script/script_helper.h"
#include "script/script_text.h"
#include "script_host_test_support.h"

namespace foldant::testing {
namespace {

constexpr const char* kSimpleOrder = R"({"Order":[{"Adress":[{"R1":"rechnung"}],"Parts":[]}]})";

class ScriptHelperTest : public ::testing::Test {
  protected:
    void Load(const std::string& json) { helper.LoadOrder(folder.Write("order.json", json)); }

    std::string Call(const std::string& name, std::vector<ScriptValue> args = {}) {
        return helper.DispatchCall(name, args).AsString();
    }
    static ScriptValue S(const std::string& text) { return ScriptValue::FromString(text); }

    TempFolder folder;
    TScriptHelper helper;
};

TEST_F(ScriptHelperTest, ReadsAddressFieldsWithoutRegardToCase) {
    Load(kSimpleOrder);
    ASSERT_TRUE(helper.OrderData().IsValid());
    EXPECT_EQ(Call("ADRESS", {S("R1")}), "rechnung");
    EXPECT_EQ(Call("ADRESS", {S("r1")}), "rechnung");
    EXPECT_EQ(Call("ANSICONTAINSTEXT", {S("rechnung"), S("rechnung")}), "True");
    EXPECT_EQ(Call("ANSICONTAINSTEXT", {S("rechnung"), S("RECHNUNG")}), "True");
    EXPECT_EQ(Call("PARTCOUNT"), "0");
}

TEST_F(ScriptHelperTest, ErrorsBecomeTheResultText) {
    Load(kSimpleOrder);
    EXPECT_EQ(Call("ORDER", {S("Parts")}),
              "<TJsonValue>\"Parts\" value type error: jvArray to jvString");
    EXPECT_EQ(Call("PART", {S("0"), S("Name")}),
              "Der Index der Liste \xFC"
              "berschreitet das Maximum (0)");
    EXPECT_EQ(Call("NOSUCHFUNCTION", {S("x")}), "");
}

TEST_F(ScriptHelperTest, PartsAreCountedFromZero) {
    Load(R"({"Order":[{"Adress":[{}],"Parts":[{"Name":"Erste"},{"Name":"Zweite","Menge":3}]}]})");
    EXPECT_EQ(Call("PARTCOUNT"), "2");
    EXPECT_EQ(Call("PART", {ScriptValue::FromInt(1), S("Name")}), "Zweite");
    EXPECT_EQ(Call("PART", {S("1"), S("menge")}), "3");
    EXPECT_EQ(Call("PART", {S("2"), S("Name")}),
              "Der Index der Liste \xFC"
              "berschreitet das Maximum (2)");
    EXPECT_EQ(Call("PART", {S("zwei"), S("Name")}),
              "Der Index der Liste \xFC"
              "berschreitet das Maximum (-1)");
}

TEST_F(ScriptHelperTest, MainAndOrderReadTheirObjects) {
    Load(R"({"Kunde":"K1","Order":[{"Nummer":"A-7","Betrag":12.5,"Bar":true,"Leer":null,)"
         R"("Adress":[{"R1":"x"}]}]})");
    EXPECT_EQ(Call("MAIN", {S("kunde")}), "K1");
    EXPECT_EQ(Call("ORDER", {S("Nummer")}), "A-7");
    EXPECT_EQ(Call("ORDER", {S("Bar")}), "true");
    EXPECT_EQ(Call("ORDER", {S("Leer")}), "");
    char saved = DecimalSeparator();
    SetDecimalSeparator(',');
    EXPECT_EQ(Call("ORDER", {S("Betrag")}), "12.5");
    SetDecimalSeparator(saved);
}

TEST_F(ScriptHelperTest, MissingMembersAreAddedAndShowAsNullOnTheClipboard) {
    Load(kSimpleOrder);
    EXPECT_EQ(Call("ADRESS", {S("R9")}), "");
    EXPECT_EQ(Call("TOCLIPBOARD"), "");
    std::string dump = platform::ClipboardText();
    EXPECT_NE(dump.find("\"R1\":\"rechnung\""), std::string::npos) << dump;
    EXPECT_NE(dump.find("\"R9\":null"), std::string::npos) << dump;
    EXPECT_NE(dump.find("\r\n"), std::string::npos);
}

TEST_F(ScriptHelperTest, ClipboardHandlerReceivesTheText) {
    Load(kSimpleOrder);
    std::string received;
    platform::SetClipboardHandler([&received](const std::string& text) { received = text; });
    Call("TOCLIPBOARD");
    platform::SetClipboardHandler(nullptr);
    EXPECT_NE(received.find("rechnung"), std::string::npos);
}

TEST_F(ScriptHelperTest, OrderShapesThatAreValid) {
    Load(R"({"Order":[{"Adress":[{"R1":"a"}]}]})");
    EXPECT_TRUE(helper.OrderData().IsValid());
    EXPECT_EQ(Call("PARTCOUNT"), "0");
    Load(R"({"Order":[{"Adress":[{"R1":"a"},{"R1":"b"}],"Parts":[]},{"Adress":[]}]})");
    EXPECT_TRUE(helper.OrderData().IsValid());
    EXPECT_EQ(Call("ADRESS", {S("R1")}), "a");
}

TEST_F(ScriptHelperTest, OrderShapesThatAreInvalid) {
    const char* invalid[] = {
        R"({"Order":[]})",
        R"({"Order":[{"Parts":[]}]})",
        R"({"Order":"text"})",
        R"({"Order":[{"Adress":[],"Parts":[]}]})",
        R"({"Order":[{"Adress":[{"R1":"a"}],"Parts":"none"}]})",
        R"({"Order":["not an object"]})",
        R"([1,2])",
        R"(not json at all)",
        "",
    };
    for (const char* json : invalid) {
        Load(json);
        EXPECT_FALSE(helper.OrderData().IsValid()) << json;
    }
    helper.LoadOrder("");
    EXPECT_FALSE(helper.OrderData().IsValid());
    helper.LoadOrder(folder.Path() + "/missing.json");
    EXPECT_FALSE(helper.OrderData().IsValid());
}

TEST_F(ScriptHelperTest, LoadingReplacesThePreviousOrder) {
    Load(kSimpleOrder);
    ASSERT_TRUE(helper.OrderData().IsValid());
    helper.LoadOrder("");
    EXPECT_FALSE(helper.OrderData().IsValid());
    EXPECT_EQ(Call("ADRESS", {S("R1")}), "");
}

TEST(ScriptHelperFunctions, ExtractFileExtTakesTheLastDotOfTheName) {
    EXPECT_EQ(ExtractFileExt("/tmp/Rechnung.PDF"), ".pdf");
    EXPECT_EQ(ExtractFileExt("archiv.tar.GZ"), ".gz");
    EXPECT_EQ(ExtractFileExt("/tmp/ordner.neu/datei"), "");
    EXPECT_EQ(ExtractFileExt("C:\\ordner.neu\\datei"), "");
    EXPECT_EQ(ExtractFileExt("laufwerk.x:datei"), "");
    EXPECT_EQ(ExtractFileExt("ohne"), "");
    EXPECT_EQ(ExtractFileExt("punkt."), ".");
    EXPECT_EQ(ExtractFileExt("\xC4RGER.\xC4\xD6\xDC"), ".\xE4\xF6\xFC");
}

TEST(ScriptHelperFunctions, AnsiContainsTextFoldsTheCodePage) {
    EXPECT_FALSE(AnsiContainsText("abc", ""));
    EXPECT_FALSE(AnsiContainsText("", "a"));
    EXPECT_TRUE(AnsiContainsText("Firma M\xFCller GmbH", "M\xDCLLER"));
    EXPECT_TRUE(AnsiContainsText("abc", "ABC"));
    EXPECT_FALSE(AnsiContainsText("ab", "abc"));
    EXPECT_TRUE(AnsiContainsText("xxabababcx", "ababc"));
    EXPECT_FALSE(AnsiContainsText("Strasse",
                                  "stra\xDF"
                                  "e"));
    EXPECT_TRUE(AnsiContainsText("\x9A\x9C\x9E\xFF", "\x8A\x8C\x8E\x9F"));
}

}  // namespace
}  // namespace foldant::testing
