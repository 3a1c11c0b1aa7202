#include "exchange/channel_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "json/qv_json.h"
#include "platform/shared_memory.h"
#include "tests/exchange/test_support.h"

namespace foldant {
namespace {

using testing::TestBlock;

TEST(SharedMemoryBlock, MapsTheWholeBlockAndSharesIt) {
    TestBlock block("varnel-", 100'000);
    auto writer = platform::SharedMemoryBlock::Open(block.Name(), platform::BlockAccess::ReadWrite);
    auto reader = platform::SharedMemoryBlock::Open(block.Name(), platform::BlockAccess::Read);
    ASSERT_TRUE(writer && reader);
    EXPECT_EQ(writer->Size(), 100'000u);
    std::memcpy(writer->WritableData() + 99'990, "shared", 6);
    EXPECT_EQ(std::string(reader->Data() + 99'990, 6), "shared");
    EXPECT_EQ(reader->WritableData(), nullptr);
}

TEST(SharedMemoryBlock, UnusableOrMissingNamesAreNoBlock) {
    for (const std::string& name :
         std::vector<std::string>{"", "varnel-a/b", "/varnel-x", ".", "..",
                                  std::string("varnel-\0x", 9), "varnel-" + std::string(300, 'n'),
                                  "varnel-never-created-" + platform::NewGuidText()}) {
        EXPECT_EQ(platform::SharedMemoryBlock::Open(name, platform::BlockAccess::Read), nullptr)
            << name;
        EXPECT_EQ(platform::SharedMemoryBlock::Open(name, platform::BlockAccess::ReadWrite),
                  nullptr)
            << name;
    }
}

TEST(SharedMemoryBlock, EmptyBlockCountsAsMissing) {
    TestBlock block("varnel-", 0);
    EXPECT_EQ(platform::SharedMemoryBlock::Open(block.Name(), platform::BlockAccess::Read),
              nullptr);
    std::string text;
    EXPECT_FALSE(ReadMMF(block.Name(), text));
    EXPECT_FALSE(WriteChannelText(block.Name(), "{}"));
}

TEST(SharedMemoryBlock, NamesBeyondAsciiTravelAsUtf8) {
    TestBlock block("varnel-\xE4-");
    ASSERT_TRUE(WriteChannelText(block.Name(), "{\"a\":1}"));
    EXPECT_EQ(block.Text(), "{\"a\":1}");
}

TEST(ChannelBlock, WritesTheLongestTextAndRefusesOneMore) {
    TestBlock block("varnel-");
    block.Write("{\"before\":1}");
    std::string longest(kMaxChannelText, 'a');
    EXPECT_TRUE(WriteChannelText(block.Name(), longest));
    EXPECT_EQ(block.Text(), longest);

    block.Write("{\"before\":2}");
    try {
        WriteChannelText(block.Name(), std::string(kMaxChannelText + 1, 'b'));
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "WriteMMF: data to large");
    }
    EXPECT_EQ(block.Text(), "{\"before\":2}");
}

TEST(ChannelBlock, ATextThatDoesNotFitASmallBlockIsRefused) {
    TestBlock block("varnel-", 64);
    EXPECT_TRUE(WriteChannelText(block.Name(), std::string(63, 'c')));
    EXPECT_THROW(WriteChannelText(block.Name(), std::string(64, 'd')), std::runtime_error);
    EXPECT_EQ(block.Text(), std::string(63, 'c'));
}

TEST(ChannelBlock, ReadingStopsAtTheFirstNul) {
    TestBlock block("spooler-");
    block.Write("{\"long\":\"xxxxxxxxxxxx\"}");
    block.Write("{}");
    EXPECT_EQ(block.Text(), "{}");
}

TEST(ChannelBlock, ReadingNeverGoesBeyondTheBlock) {
    TestBlock block("spooler-", 16);
    auto view = platform::SharedMemoryBlock::Open(block.Name(), platform::BlockAccess::ReadWrite);
    ASSERT_TRUE(view);
    std::memset(view->WritableData(), 'z', 16);
    std::string text;
    ASSERT_TRUE(ReadMMF(block.Name(), text));
    EXPECT_EQ(text, std::string(16, 'z'));
}

TEST(ChannelBlock, EmptyTextAndMissingBlockReadAsNothing) {
    TestBlock block("varnel-");
    std::string text = "unchanged";
    EXPECT_FALSE(ReadMMF(block.Name(), text));
    EXPECT_FALSE(ReadMMF("varnel-missing-" + platform::NewGuidText(), text));
    EXPECT_EQ(text, "unchanged");
    EXPECT_FALSE(WriteChannelText("varnel-missing-" + platform::NewGuidText(), "{}"));
}

TEST(WriteMMF, PrintsCompactlyAndWaits) {
    TestBlock block("varnel-");
    TQvJSON document;
    document.SetTextMember("UID", "me");
    document.SetBoolMember("Infinite", true);
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(WriteMMF(document, block.Name()));
    // The pause is 100 ms; Windows' sleep counts in timer ticks and may end a fraction of a
    // millisecond before the steady clock says so.
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(98));
    EXPECT_EQ(block.Text(), "{\"UID\":\"me\",\"Infinite\":true}");
}

TEST(WriteMMF, EmptyChannelNameReturnsAtOnce) {
    TQvJSON document;
    document.SetTextMember("x", std::string(kMaxChannelText + 10, 'x'));
    EXPECT_FALSE(WriteMMF(document, ""));
}

TEST(WriteMMF, MissingBlockWritesNothingWithoutError) {
    TQvJSON document;
    document.SetTextMember("x", std::string(kMaxChannelText + 10, 'x'));
    EXPECT_FALSE(WriteMMF(document, "varnel-missing-" + platform::NewGuidText()));
}

}  // namespace
}  // namespace foldant
