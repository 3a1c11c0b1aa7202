#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "json/fast_json.h"
#include "json/json_error.h"
#include "json/json_text.h"

namespace foldant {
namespace {

const std::vector<std::string>& Seeds() {
    static const std::vector<std::string> seeds = {
        R"({"UID":"a1","Succeded":1,"Infinite":false,"Attachments":"C:/x.pdf\r\nM\u00e4rz \u20ac.pdf"})",
        R"({"Response":"{\"AddAttachments\":\"a.pdf\"}","PDFFileName":"\/tmp\/out.pdf"})",
        R"([{"PDFFileName":"a","DeletePDFFile":false,"Merged.Success":true},[1,2.5e3,-0.1],null])",
        R"({"Order":[{"Adress":[{"R1":"M\u00fcller GmbH"}],"Parts":[{"Menge":1E-5},{}]}]})",
        "\xEF\xBB\xBF{\"a\" : [ 1 2 , ] , \"a\" : \"\\u20AC\\x\\\"\" }",
        "[\"\x80\x96\xE4\", true, FALSE, NULL, \"\\u12\", \"\\\\\"]",
    };
    return seeds;
}

std::string Mutate(std::string text, std::mt19937& random) {
    static const std::string kInteresting = "{}[]\",:\\ u0e+-.tfn\x80\xC3\xEF";
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !text.empty(); ++e) {
        size_t at = random() % text.size();
        char c = random() % 2 ? kInteresting[random() % kInteresting.size()]
                              : static_cast<char>(random() % 256);
        switch (random() % 4) {
            case 0:
                text[at] = c;
                break;
            case 1:
                text.insert(text.begin() + static_cast<long>(at), c);
                break;
            case 2:
                text.erase(at, 1 + random() % 3);
                break;
            default:
                text.resize(at);
                break;
        }
    }
    return text;
}

// Each input is checked in a buffer of its exact size, so ASan sees any read past its end.
void CheckMainModel(const std::string& input) {
    std::vector<char> exact(input.begin(), input.end());
    auto tree = TQvJSONText::ParseJsonText(std::string_view(exact.data(), exact.size()));
    if (!tree) {
        return;
    }
    std::string compact = TQvJSONText::PrintCompact(*tree);
    auto again = TQvJSONText::ParseJsonText(compact);
    ASSERT_TRUE(again) << compact;
    // Printing is stable once a text has been through the model.
    std::string stable = TQvJSONText::PrintCompact(*again);
    auto third = TQvJSONText::ParseJsonText(stable);
    ASSERT_TRUE(third);
    EXPECT_EQ(TQvJSONText::PrintCompact(*third), stable);
    TQvJSONText::ParseJsonText(TQvJSONText::PrintReadable(*tree));
}

void CheckFastModel(const std::string& input) {
    std::vector<char> exact(input.begin(), input.end());
    TFastJSON document;
    try {
        document.Parse(std::string_view(exact.data(), exact.size()));
    } catch (const JsonError&) {
        document.ToText();
        return;
    }
    std::string text = document.ToText();
    TFastJSON again;
    ASSERT_NO_THROW(again.Parse(text)) << text;
    EXPECT_EQ(again.ToText(), text);
    for (char c : text) {
        ASSERT_LT(static_cast<unsigned char>(c), 128);
    }
    EXPECT_TRUE(TQvJSONText::ParseJsonText(text)) << text;
}

TEST(JsonRobustness, TruncatedInputs) {
    for (const std::string& seed : Seeds()) {
        for (size_t length = 0; length <= seed.size(); ++length) {
            CheckMainModel(seed.substr(0, length));
            CheckFastModel(seed.substr(0, length));
        }
    }
}

TEST(JsonRobustness, RandomlyMutatedInputs) {
    std::mt19937 random(20261209);
    for (int round = 0; round < 20000; ++round) {
        const std::string& seed = Seeds()[random() % Seeds().size()];
        std::string input = Mutate(seed, random);
        CheckMainModel(input);
        CheckFastModel(input);
    }
}

TEST(JsonRobustness, RandomBytes) {
    std::mt19937 random(4711);
    for (int round = 0; round < 5000; ++round) {
        std::string input(random() % 64, '\0');
        for (char& c : input) {
            c = static_cast<char>(random() % 256);
        }
        CheckMainModel(input);
        CheckFastModel(input);
    }
}

}  // namespace
}  // namespace foldant
