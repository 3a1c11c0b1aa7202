#include <gtest/gtest.h>
#include <zlib.h>

#include "pdf/pdf_filters.h"
#include "pdf/pdf_objects.h"

namespace foldant {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

std::string ZlibCompress(const std::string& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()));
    out.resize(size);
    return out;
}

// Packs codes most significant bit first, each with its own width.
std::string PackCodes(const std::vector<std::pair<int, int>>& codes) {
    std::string out;
    uint32_t buffer = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        buffer = buffer << width | static_cast<uint32_t>(code);
        bits += width;
        while (bits >= 8) {
            out += static_cast<char>(buffer >> (bits - 8) & 0xFF);
            bits -= 8;
        }
    }
    if (bits > 0) {
        out += static_cast<char>(buffer << (8 - bits) & 0xFF);
    }
    return out;
}

std::string Ascii85Encode(const std::string& data) {
    std::string out;
    for (size_t i = 0; i < data.size(); i += 4) {
        const size_t n = std::min<size_t>(4, data.size() - i);
        uint64_t value = 0;
        for (size_t k = 0; k < 4; ++k) {
            value = value << 8 | (k < n ? static_cast<uint8_t>(data[i + k]) : 0);
        }
        char group[5];
        for (int k = 4; k >= 0; --k) {
            group[k] = static_cast<char>('!' + value % 85);
            value /= 85;
        }
        out.append(group, n + 1);
    }
    return out + "~>";
}

const std::string kText =
    "The quick brown fox jumps over the lazy dog. 0123456789 The quick brown fox again.";

TEST(Flate, DecodesLikeUncompressAndKeepsTheReadableStartOfATruncatedStream) {
    std::string long_text;
    for (int i = 0; i < 200; ++i) {
        long_text += kText + std::to_string(i);
    }
    const std::string packed = ZlibCompress(long_text);
    EXPECT_EQ(FlateDecode(packed), long_text);
    const std::string cut = FlateDecode(packed.substr(0, packed.size() - 10));
    EXPECT_FALSE(cut.empty());
    EXPECT_LT(cut.size(), long_text.size());
    EXPECT_EQ(long_text.compare(0, cut.size(), cut), 0);
    EXPECT_EQ(FlateDecode("not zlib data at all"), "");
    EXPECT_EQ(FlateDecode(""), "");
    EXPECT_EQ(FlateDecode(FlateEncode(kText)), kText);
}

TEST(Flate, OutputIsBoundedForDataThatClaimsGigabytes) {
    const std::string zeros(kMaxDecodedSize + 4096, '\0');
    const std::string bomb = ZlibCompress(zeros);
    EXPECT_LT(bomb.size(), 200000u);
    EXPECT_EQ(FlateDecode(bomb).size(), kMaxDecodedSize);
}

TEST(Predictor, PngUpRowsLoseTheirTagBytes) {
    const std::string rows = Bytes({2, 1, 2, 3, 4, 5, 2, 1, 1, 1, 1, 1});
    TPDFFlateParms parms;
    parms.Predictor = 12;
    parms.Columns = 5;
    EXPECT_EQ(FlateDecodeWithPredictor(ZlibCompress(rows), parms),
              Bytes({1, 2, 3, 4, 5, 2, 3, 4, 5, 6}));
}

TEST(Predictor, PngSubAverageAndPaeth) {
    TPDFFlateParms parms;
    parms.Predictor = 15;
    parms.Columns = 2;
    EXPECT_EQ(UndoPredictor(Bytes({0, 10, 20, 4, 1, 1}), parms), Bytes({10, 20, 11, 21}));
    EXPECT_EQ(UndoPredictor(Bytes({0, 10, 20, 3, 1, 1}), parms), Bytes({10, 20, 6, 14}));
    EXPECT_EQ(UndoPredictor(Bytes({1, 10, 20, 9, 1, 1}), parms), Bytes({10, 30, 1, 1}));
    // A missing end of the last row reads as zeros.
    EXPECT_EQ(UndoPredictor(Bytes({0, 7}), parms), Bytes({7, 0}));
}

TEST(Predictor, TiffAddsThePreviousPixel) {
    TPDFFlateParms parms;
    parms.Predictor = 2;
    parms.Colors = 3;
    parms.Columns = 2;
    EXPECT_EQ(UndoPredictor(Bytes({10, 20, 30, 5, 5, 5}), parms), Bytes({10, 20, 30, 15, 25, 35}));
    parms.Colors = 1;
    parms.BitsPerComponent = 4;
    parms.Columns = 4;
    EXPECT_EQ(UndoPredictor(Bytes({0x11, 0x11}), parms), Bytes({0x12, 0x34}));
    parms.BitsPerComponent = 3;
    EXPECT_EQ(UndoPredictor(Bytes({0x11, 0x11}), parms), Bytes({0, 0}));
}

TEST(Predictor, NonsenseParametersNeverAllocateBeyondTheBound) {
    TPDFFlateParms parms;
    parms.Predictor = 12;
    parms.Columns = 2000000000;
    parms.Colors = 2000000000;
    EXPECT_EQ(UndoPredictor("abc", parms), "");
    parms.Columns = -5;
    EXPECT_EQ(UndoPredictor("abc", parms), "abc");
}

TEST(Lzw, DecodesCodesAndRepeatsAfterClear) {
    const std::string data = PackCodes({{256, 9}, {65, 9}, {66, 9}, {258, 9}, {257, 9}});
    EXPECT_EQ(LZWDecode(data, nullptr, true), "ABAB");
    const std::string again = PackCodes({{65, 9}, {66, 9}, {256, 9}, {65, 9}, {259, 9}, {257, 9}});
    // After the clear the first code fills the unused entry 257; the next new entry is 258.
    EXPECT_EQ(LZWDecode(again, nullptr, true),
              "ABA"
              "AA");
}

TEST(Lzw, EarlyChangeSwitchesTheWidthOneCodeSooner) {
    auto stream = [](int firstWide) {
        std::vector<std::pair<int, int>> codes{{256, 9}};
        for (int i = 1; i <= 300; ++i) {
            codes.emplace_back(65, i >= firstWide ? 10 : 9);
        }
        codes.emplace_back(257, 10);
        return PackCodes(codes);
    };
    const std::string early = stream(255);
    const std::string late = stream(256);
    EXPECT_EQ(LZWDecode(early, nullptr, true), std::string(300, 'A'));
    EXPECT_EQ(LZWDecode(late, nullptr, false), std::string(300, 'A'));
    EXPECT_NE(LZWDecode(late, nullptr, true), std::string(300, 'A'));
}

TEST(Lzw, HorizontalDifferenceAfterDecoding) {
    TPDFLZWParms parms;
    parms.Predictor = 2;
    parms.Colors = 1;
    parms.Columns = 2;
    const std::string data = PackCodes({{1, 9}, {2, 9}, {3, 9}, {4, 9}, {257, 9}});
    EXPECT_EQ(LZWDecode(data, &parms, true), Bytes({1, 3, 3, 7}));
}

TEST(RunLength, LiteralRunsRepeatsAndEnd) {
    EXPECT_EQ(RunLengthDecode(Bytes({2, 65, 66, 67, 254, 88, 128, 65})), "ABCXXX");
    EXPECT_EQ(RunLengthDecode(Bytes({5, 65})), "A");
    EXPECT_EQ(RunLengthDecode(Bytes({200})), "");
}

TEST(Ascii85, GroupsZerosAndEndMarker) {
    EXPECT_EQ(ASCII85Decode("87cURDZ~>"), "Hello");
    EXPECT_EQ(ASCII85Decode("z~>"), std::string(4, '\0'));
    EXPECT_EQ(ASCII85Decode("87cU RDZ\n~>ignored"), "Hello");
    EXPECT_EQ(ASCII85Decode("87cURDZ"), "Hello");
    EXPECT_EQ(ASCII85Decode("uuuuu~>"), std::string(4, '\0'));
    EXPECT_EQ(ASCII85Decode(Ascii85Encode(kText)), kText);
}

TEST(AsciiHex, PairsOddCountAndLettersBeyondF) {
    EXPECT_EQ(ASCIIHexDecode("48 65 6C 6C 6F>"), "Hello");
    EXPECT_EQ(ASCIIHexDecode("4>"), "@");
    EXPECT_EQ(ASCIIHexDecode("4g6c"), Bytes({0, 0x6C}));
}

class FilterChainTest : public ::testing::Test {
  protected:
    TPDFStream& StreamWith(const std::string& dictionary, const std::string& data) {
        auto* parsed = As<TPDFDictionary>(&store.Parse(dictionary));
        return store.NewStreamFrom(data, *parsed);
    }
    TPDFStructure store;
};

TEST_F(FilterChainTest, FiltersApplyInOrder) {
    TPDFStream& stream =
        StreamWith("<</Filter [/ASCII85Decode /FlateDecode]>>", Ascii85Encode(ZlibCompress(kText)));
    EXPECT_EQ(stream.GetDecodedData(), kText);
    EXPECT_EQ(StreamWith("<</Filter /Fl>>", ZlibCompress(kText)).GetDecodedData(), kText);
    EXPECT_EQ(StreamWith("<</Filter /AHx>>", "4142").GetDecodedData(), "4142");
}

TEST_F(FilterChainTest, UnknownFiltersPassTheDataOn) {
    EXPECT_EQ(StreamWith("<</Filter /DCTDecode>>", "\xFF\xD8jpeg").GetDecodedData(),
              "\xFF\xD8jpeg");
    EXPECT_EQ(StreamWith("<<>>", "plain").GetDecodedData(), "plain");
    TPDFStream& stream = StreamWith("<</Filter /ASCIIHexDecode>>", "41");
    stream.GetDecodedData();
    EXPECT_EQ(stream.Data, "41");
}

TEST_F(FilterChainTest, ParametersPerFilterAndReferencesThroughTheStore) {
    const std::string rows = Bytes({2, 1, 2, 3, 2, 1, 1, 1});
    TPDFStream& stream = StreamWith(
        "<</Filter [/ASCIIHexDecode /FlateDecode] /DecodeParms [null <</Predictor 12 /Columns "
        "3>>]>>",
        [&] {
            std::string hex;
            for (unsigned char c : ZlibCompress(rows)) {
                static const char digits[] = "0123456789ABCDEF";
                hex += digits[c >> 4];
                hex += digits[c & 15];
            }
            return hex;
        }());
    EXPECT_EQ(stream.GetDecodedData(), Bytes({1, 2, 3, 2, 3, 4}));

    TPDFName& flate = store.NewName("FlateDecode");
    store.OnResolveReference = [&](TPDFIndRef&, int32_t number, int32_t) -> TPDFObject* {
        return number == 4 ? &flate : nullptr;
    };
    EXPECT_EQ(StreamWith("<</Filter 4 0 R>>", ZlibCompress(kText)).GetDecodedData(), kText);
    EXPECT_EQ(StreamWith("<</Filter [4 0 R]>>", ZlibCompress(kText)).GetDecodedData(), kText);
    EXPECT_EQ(
        StreamWith("<</Filter /FlateDecode /DP <</Predictor 12 /Columns 3>>>>", ZlibCompress(rows))
            .GetDecodedData(),
        Bytes({1, 2, 3, 2, 3, 4}));
}

}  // namespace
}  // namespace foldant
