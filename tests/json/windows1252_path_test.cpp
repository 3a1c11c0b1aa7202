#include <gtest/gtest.h>

#include <string>

#include "json/fast_json.h"
#include "json/json_text.h"

namespace foldant {
namespace {

// A host message travels raw in Windows-1252 into the lightweight model, leaves it as its
// compact ASCII text, and is read by the main model.
struct Delivered {
    std::string normalised;
    std::string read;
    std::string printed;
};

std::string EscapedForRawText(const std::string& bytes) {
    std::string out;
    for (char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out;
}

Delivered ThroughTheChannel(const std::string& name) {
    TFastJSON waiting;
    waiting.Parse("{\"UID\":\"host\",\"Attachments\":\"" + EscapedForRawText(name) + "\"}");
    Delivered result;
    result.normalised = waiting.ToText();
    auto document = TQvJSONText::ParseJsonText(result.normalised);
    EXPECT_TRUE(document) << result.normalised;
    if (document) {
        result.read = JsonReadText(document.get(), "Attachments");
        result.printed = TQvJSONText::PrintCompact(*JsonFindNode(document.get(), "Attachments"));
    }
    return result;
}

// What a Windows-1252 reader makes of a printed string.
std::string ReadBackPrinted(const std::string& printed) {
    TFastJSON reader;
    reader.Parse("[" + printed + "]");
    return reader.RootArray()->Item(0).AsText();
}

TEST(Windows1252Channel, EveryByteAloneSurvivesBothModels) {
    for (int b = 1; b < 256; ++b) {
        std::string name = "a" + std::string(1, static_cast<char>(b)) + "z";
        Delivered delivered = ThroughTheChannel(name);
        EXPECT_EQ(delivered.read, name) << "byte " << b << " via " << delivered.normalised;
        EXPECT_EQ(ReadBackPrinted(delivered.printed), name) << "byte " << b;
        for (char c : delivered.normalised) {
            ASSERT_LT(static_cast<unsigned char>(c), 128) << "byte " << b;
        }
    }
}

TEST(Windows1252Channel, AllBytesTogetherIncludingZero) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    TFastJSON waiting;
    waiting.Member("all").SetText(all);
    TFastJSON reparsed;
    reparsed.Parse(waiting.ToText());
    EXPECT_EQ(reparsed.Member("all").AsText(), all);

    auto document = TQvJSONText::ParseJsonText(waiting.ToText());
    ASSERT_TRUE(document);
    EXPECT_EQ(JsonReadText(document.get(), "all"), all);
    std::string printed = TQvJSONText::PrintCompact(*document);
    EXPECT_EQ(ReadBackPrinted(printed.substr(7, printed.size() - 8)), all);
    auto again = TQvJSONText::ParseJsonText(printed);
    ASSERT_TRUE(again);
    // The printed text holds raw Windows-1252 bytes that do not form UTF-8, so it reads back
    // as Windows-1252 as a whole.
    EXPECT_EQ(JsonReadText(again.get(), "all"), all);
}

TEST(Windows1252Channel, MainModelKeepsEveryByteThroughItsOwnText) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    TQvJSON message;
    message.SetTextMember("Name", all);
    auto reparsed = TQvJSONText::ParseJsonText(TQvJSONText::PrintCompact(message));
    ASSERT_TRUE(reparsed);
    EXPECT_EQ(JsonReadText(reparsed.get(), "Name"), all);
}

TEST(Windows1252Channel, FileNamesWithTypographicCharactersArriveIntact) {
    for (std::string name : {"Rechnung \x96 M\xE4rz.pdf", "Angebot f\xFCr 500 \x80.pdf",
                             "\x84Zitat\x93 \x82"
                             "a\x91 \x85 \x89 \x99 \x9A \x9E \x9F \x8C.pdf",
                             "\x80\xE4\x80",
                             "Stra\xDF"
                             "e \x80\x80 \xA0 \xFF.pdf"}) {
        Delivered delivered = ThroughTheChannel(name);
        EXPECT_EQ(delivered.read, name) << delivered.normalised;
        EXPECT_EQ(delivered.printed.find('?'), std::string::npos) << delivered.printed;
        EXPECT_EQ(ReadBackPrinted(delivered.printed), name);
    }
}

TEST(Windows1252Channel, EscapesOfTheWholeCodePageReadBackInBothModels) {
    for (int b = 128; b < 256; ++b) {
        std::string byte(1, static_cast<char>(b));
        TFastJSON writer;
        writer.Member("c").SetText(byte);
        std::string text = writer.ToText();
        auto document = TQvJSONText::ParseJsonText(text);
        ASSERT_TRUE(document);
        EXPECT_EQ(JsonReadText(document.get(), "c"), byte) << text;
        TFastJSON reader;
        reader.Parse(text);
        EXPECT_EQ(reader.Member("c").AsText(), byte) << text;
    }
}

TEST(Windows1252Channel, EuroAndUmlautEscapesTogetherStayUnicode) {
    auto euroFirst = TQvJSONText::ParseJsonText(R"({"n":"\u20ac\u00e4"})");
    auto* node = dynamic_cast<TUxJSONstring*>(JsonFindNode(euroFirst.get(), "n"));
    ASSERT_TRUE(node);
    EXPECT_EQ(node->Value(), u"\u20ac\u00e4");
    EXPECT_EQ(JsonReadText(euroFirst.get(), "n"), "\x80\xE4");
    EXPECT_EQ(TQvJSONText::PrintCompact(*node), "\"\\u20ac\xE4\"");
}

}  // namespace
}  // namespace foldant
