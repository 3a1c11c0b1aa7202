#include "platform/pe_version.h"

#include <gtest/gtest.h>

#include <random>

#include "pe_fixture.h"
#include "scratch_environment.h"

namespace foldant {
namespace {

using platform::FileVersionTextOfImage;
using testing::BuildPeImage;
using testing::VersionFixture;

TEST(PeVersion, ReadsTheFileVersionOfTheFirstTranslation) {
    VersionFixture fixture;
    fixture.fileVersion = u"6.00.12.538";
    EXPECT_EQ(FileVersionTextOfImage(BuildPeImage(fixture)), "6.00.12.538");
    fixture.pe32Plus = true;
    fixture.fileVersion = u"3.0.0.1";
    EXPECT_EQ(FileVersionTextOfImage(BuildPeImage(fixture)), "3.0.0.1");
}

TEST(PeVersion, StringTableIsChosenByTheTranslationEntry) {
    VersionFixture fixture;
    fixture.language = 0x0407;
    fixture.codePage = 0x04E4;
    fixture.fileVersion = u"2.5";
    EXPECT_EQ(FileVersionTextOfImage(BuildPeImage(fixture)), "2.5");
    // Table names are compared without regard to case.
    fixture.tableName = u"040704e4";
    EXPECT_EQ(FileVersionTextOfImage(BuildPeImage(fixture)), "2.5");
    // A table of another language is not the one the translation names.
    fixture.tableName = u"040904B0";
    EXPECT_EQ(FileVersionTextOfImage(BuildPeImage(fixture)), std::nullopt);
}

TEST(PeVersion, NonAsciiVersionTextArrivesAsWindows1252) {
    VersionFixture fixture;
    fixture.fileVersion = u"1.0 \u00DF";
    EXPECT_EQ(FileVersionTextOfImage(BuildPeImage(fixture)), "1.0 \xDF");
}

TEST(PeVersion, MissingPartsGiveNoVersion) {
    VersionFixture noTranslation;
    noTranslation.withTranslation = false;
    EXPECT_EQ(FileVersionTextOfImage(BuildPeImage(noTranslation)), std::nullopt);
    VersionFixture noFileVersion;
    noFileVersion.withFileVersion = false;
    EXPECT_EQ(FileVersionTextOfImage(BuildPeImage(noFileVersion)), std::nullopt);
    EXPECT_EQ(FileVersionTextOfImage(""), std::nullopt);
    EXPECT_EQ(FileVersionTextOfImage("#!/bin/sh\necho hello\n"), std::nullopt);
}

TEST(PeVersion, DamagedHeadersGiveNoVersion) {
    std::string image = BuildPeImage({});
    std::string farHeader = image;
    farHeader[testing::kFixtureNewHeaderField + 3] = '\x7F';
    EXPECT_EQ(FileVersionTextOfImage(farHeader), std::nullopt);
    std::string cut = image.substr(0, testing::kFixtureResourceOffset + 0x20);
    EXPECT_EQ(FileVersionTextOfImage(cut), std::nullopt);
}

TEST(PeVersion, ResourceDirectoryPointingAtItselfEnds) {
    std::string image = BuildPeImage({});
    // The name level points back at the type level.
    size_t nameEntryData = testing::kFixtureResourceOffset + 0x14;
    image[nameEntryData] = 0;
    EXPECT_EQ(FileVersionTextOfImage(image), std::nullopt);
}

TEST(PeVersion, MutatedAndTruncatedImagesNeverCrash) {
    VersionFixture fixture;
    fixture.fileVersion = u"6.00.12.538";
    const std::string image = BuildPeImage(fixture);
    std::mt19937 random(20261209);
    int readable = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string damaged = image;
        int changes = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < changes; ++i) {
            size_t at = random() % damaged.size();
            damaged[at] = static_cast<char>(random() % 3 == 0 ? 0xFF : random());
        }
        if (round % 5 == 0) {
            damaged.resize(random() % damaged.size());
        }
        if (FileVersionTextOfImage(damaged)) {
            ++readable;
        }
    }
    // Most single changes hit bytes that do not matter.
    EXPECT_GT(readable, 0);
}

class PeVersionFile : public testing::ScratchEnvironmentTest {};

TEST_F(PeVersionFile, ReadsFromAFileAndTellsPeFilesApart) {
    VersionFixture fixture;
    fixture.fileVersion = u"10.00.00.000";
    std::string exe = Write("prog.exe", BuildPeImage(fixture));
    std::string script = Write("prog.sh", "MZ but no PE header");
    EXPECT_EQ(platform::ReadFileVersionText(exe), "10.00.00.000");
    EXPECT_TRUE(platform::IsPeFile(exe));
    EXPECT_FALSE(platform::IsPeFile(script));
    EXPECT_EQ(platform::ReadFileVersionText(script), std::nullopt);
    EXPECT_EQ(platform::ReadFileVersionText(Path("missing.exe")), std::nullopt);
    EXPECT_FALSE(platform::IsPeFile(Path("missing.exe")));
}

}  // namespace
}  // namespace foldant
