#include "install/stream_storage.h"

#include <gtest/gtest.h>

namespace foldant {
namespace {

std::string Utf16(const std::string& ascii) {
    std::string bytes;
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

std::string Entry(const std::string& name, const std::string& value) {
    std::string bytes;
    std::string encoded = Utf16(name);
    uint32_t n = static_cast<uint32_t>(encoded.size());
    bytes.append(reinterpret_cast<const char*>(&n), 4);
    bytes += encoded;
    uint64_t l = value.size();
    bytes.append(reinterpret_cast<const char*>(&l), 8);
    return bytes + value;
}

TEST(StreamStorage, EntriesAreLaidOutAsLengthNameLengthValue) {
    TStreamStorage store;
    store.WriteText("COMMAND", "DBPATH");
    store.WriteInteger("INDEX", -1);
    store.WriteBoolean("SYNC", true);
    std::string expected = Entry("COMMAND", Utf16("DBPATH")) +
                           Entry("INDEX", std::string(4, '\xFF')) +
                           Entry("SYNC", std::string(1, '\1'));
    EXPECT_EQ(store.Bytes(), expected);
    EXPECT_EQ(store.Bytes().size(), 85u);
}

TEST(StreamStorage, EmptyNamesAndEmptyTextsWriteNothing) {
    TStreamStorage store;
    store.WriteText("DATA", "");
    store.WriteText("", "x");
    store.WriteBoolean("", true);
    EXPECT_TRUE(store.Bytes().empty());
}

TEST(StreamStorage, SecondEntryOfANameIsRefused) {
    TStreamStorage store;
    store.WriteText("DATA", "a");
    try {
        store.WriteInteger("DATA", 1);
        FAIL() << "no error";
    } catch (const TStreamStorageError& error) {
        EXPECT_STREQ(error.what(), "Value with name \"DATA\" already exists");
    }
    // Names differing in case are different names.
    store.WriteText("data", "b");
    EXPECT_EQ(store.ReadText("DATA"), "a");
    EXPECT_EQ(store.ReadText("data"), "b");
}

TEST(StreamStorage, ReadsTheFirstEntryOfANameFromReceivedBytes) {
    TStreamStorage store;
    std::string bytes =
        Entry("X", Utf16("1")) + Entry("DATA", Utf16("C:\\db")) + Entry("DATA", Utf16("second"));
    store.Append(bytes.data(), bytes.size());
    EXPECT_EQ(store.ReadText("DATA"), "C:\\db");
    EXPECT_EQ(store.ReadText("X"), "1");
    EXPECT_EQ(store.ReadText("Missing"), "");
}

TEST(StreamStorage, TextsAreWindows1252AndOddValuesLoseTheirLastByte) {
    TStreamStorage store;
    store.WriteText("T", "\x80 \xE4");
    EXPECT_EQ(store.Bytes().substr(store.Bytes().size() - 6), std::string("\xAC\x20 \0\xE4\0", 6));
    EXPECT_EQ(store.ReadText("T"), "\x80 \xE4");
    TStreamStorage odd;
    std::string bytes = Entry("DATA", Utf16("ab") + "c");
    odd.Append(bytes.data(), bytes.size());
    EXPECT_EQ(odd.ReadText("DATA"), "ab");
}

TEST(StreamStorage, DamagedEntriesEndTheSearch) {
    std::string good = Entry("A", Utf16("1"));
    std::string damaged[] = {
        good + std::string("\xFF\xFF\xFF\x7F", 4) + Utf16("DATA"),        // name too long
        good + std::string("\xFF\xFF\xFF\xFF", 4),                        // negative name length
        good + Entry("DATA", "").substr(0, 12) + std::string(8, '\xFF'),  // negative value length
        good + Entry("DATA", Utf16("abc")).substr(0, 20),                 // cut off
    };
    for (const std::string& bytes : damaged) {
        TStreamStorage store;
        store.Append(bytes.data(), bytes.size());
        EXPECT_EQ(store.ReadText("DATA"), "");
        EXPECT_EQ(store.ReadText("A"), "1");
    }
}

}  // namespace
}  // namespace foldant
