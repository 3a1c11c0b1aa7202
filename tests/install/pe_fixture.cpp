#include "pe_fixture.h"

#include <cstdio>

namespace foldant::testing {
namespace {

void Put16(std::string& out, size_t at, uint16_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
    }
}

void Append16(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void PadToFour(std::string& out) {
    while (out.size() % 4 != 0) {
        out.push_back('\0');
    }
}

std::string Utf16Z(const std::u16string& text) {
    std::string bytes;
    for (char16_t c : text) {
        Append16(bytes, static_cast<uint16_t>(c));
    }
    Append16(bytes, 0);
    return bytes;
}

// One block: length, value length, type, key, padding, value, padding, children.
std::string Block(const std::u16string& key, const std::string& value, uint16_t valueLength,
                  uint16_t type, const std::vector<std::string>& children) {
    std::string out(6, '\0');
    out += Utf16Z(key);
    PadToFour(out);
    out += value;
    for (const std::string& child : children) {
        PadToFour(out);
        out += child;
    }
    Put16(out, 0, static_cast<uint16_t>(out.size()));
    Put16(out, 2, valueLength);
    Put16(out, 4, type);
    return out;
}

std::u16string Hex8(uint16_t language, uint16_t codePage) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%04X%04X", language, codePage);
    return std::u16string(digits, digits + 8);
}

}  // namespace

std::string BuildVersionResource(const VersionFixture& fixture) {
    std::string fixed(52, '\0');
    Put32(fixed, 0, 0xFEEF04BD);
    Put32(fixed, 4, 0x00010000);
    std::vector<std::string> strings = {Block(u"CompanyName", Utf16Z(u"Maker"), 6, 1, {})};
    if (fixture.withFileVersion) {
        strings.push_back(Block(u"FileVersion", Utf16Z(fixture.fileVersion),
                                static_cast<uint16_t>(fixture.fileVersion.size() + 1), 1, {}));
    }
    std::u16string tableName =
        fixture.tableName.empty() ? Hex8(fixture.language, fixture.codePage) : fixture.tableName;
    std::string table = Block(tableName, "", 0, 1, strings);
    std::vector<std::string> children = {Block(u"StringFileInfo", "", 0, 1, {table})};
    if (fixture.withTranslation) {
        std::string pair;
        Append16(pair, fixture.language);
        Append16(pair, fixture.codePage);
        children.push_back(
            Block(u"VarFileInfo", "", 0, 1, {Block(u"Translation", pair, 4, 0, {})}));
    }
    return Block(u"VS_VERSION_INFO", fixed, 52, 0, children);
}

std::string BuildPeImage(const VersionFixture& fixture) {
    const uint32_t sectionRva = 0x1000;
    const size_t peHeader = 0x40;
    const size_t optionalSize = fixture.pe32Plus ? 240 : 224;
    const size_t optional = peHeader + 4 + 20;
    const size_t directories = optional + (fixture.pe32Plus ? 112 : 96);
    const size_t sectionTable = optional + optionalSize;

    std::string version = BuildVersionResource(fixture);
    std::string resources(0x58, '\0');
    Put16(resources, 0x0E, 1);
    Put32(resources, 0x10, 16);
    Put32(resources, 0x14, 0x80000000u | 0x18);
    Put16(resources, 0x18 + 0x0E, 1);
    Put32(resources, 0x18 + 0x10, 1);
    Put32(resources, 0x18 + 0x14, 0x80000000u | 0x30);
    Put16(resources, 0x30 + 0x0E, 1);
    Put32(resources, 0x30 + 0x10, fixture.language);
    Put32(resources, 0x30 + 0x14, 0x48);
    Put32(resources, 0x48, sectionRva + 0x58);
    Put32(resources, 0x4C, static_cast<uint32_t>(version.size()));
    resources += version;
    PadToFour(resources);

    std::string image(kFixtureResourceOffset, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, kFixtureNewHeaderField, peHeader);
    image.replace(peHeader, 4, std::string("PE\0\0", 4));
    Put16(image, peHeader + 4, fixture.pe32Plus ? 0x8664 : 0x014C);
    Put16(image, peHeader + 6, 1);
    Put16(image, peHeader + 20, static_cast<uint16_t>(optionalSize));
    Put16(image, peHeader + 22, 0x0102);
    Put16(image, optional, fixture.pe32Plus ? 0x20B : 0x10B);
    Put32(image, optional + (fixture.pe32Plus ? 108 : 92), 16);
    Put32(image, directories + 16, sectionRva);
    Put32(image, directories + 20, static_cast<uint32_t>(resources.size()));
    image.replace(sectionTable, 6, ".rsrc\0", 6);
    Put32(image, sectionTable + 8, static_cast<uint32_t>(resources.size()));
    Put32(image, sectionTable + 12, sectionRva);
    Put32(image, sectionTable + 16, static_cast<uint32_t>(resources.size()));
    Put32(image, sectionTable + 20, kFixtureResourceOffset);
    return image + resources;
}

}  // namespace foldant::testing
