#include "platform/pe_version.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "platform/file_stream.h"
#include "platform/windows1252.h"

namespace foldant::platform {
namespace {

constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kVersionInfoId = 1;
constexpr uint32_t kSubdirectoryFlag = 0x80000000u;
// The loader of the original platform refuses more sections than this.
constexpr uint16_t kMaxSections = 96;
// A directory level with more entries than this is damage, not a resource tree.
constexpr uint32_t kMaxDirectoryEntries = 4096;
// The root block's length is a 16-bit field, so a version resource is never larger.
constexpr uint32_t kMaxVersionBytes = 0xFFFF;

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Reads exactly count bytes at offset; false when they are not all there.
    virtual bool ReadAt(uint64_t offset, void* out, size_t count) = 0;

    std::optional<uint16_t> U16(uint64_t offset) {
        unsigned char b[2];
        if (!ReadAt(offset, b, 2)) {
            return std::nullopt;
        }
        return static_cast<uint16_t>(b[0] | b[1] << 8);
    }
    std::optional<uint32_t> U32(uint64_t offset) {
        unsigned char b[4];
        if (!ReadAt(offset, b, 4)) {
            return std::nullopt;
        }
        return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
               static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    }
};

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    bool ReadAt(uint64_t offset, void* out, size_t count) override {
        if (offset > bytes_.size() || count > bytes_.size() - offset) {
            return false;
        }
        bytes_.copy(static_cast<char*>(out), count, static_cast<size_t>(offset));
        return true;
    }

  private:
    std::string_view bytes_;
};

class FileSource : public ByteSource {
  public:
    explicit FileSource(std::unique_ptr<FileStream> file)
        : file_(std::move(file)), size_(file_->Size()) {}
    bool ReadAt(uint64_t offset, void* out, size_t count) override {
        if (size_ < 0 || offset > static_cast<uint64_t>(size_) ||
            count > static_cast<uint64_t>(size_) - offset) {
            return false;
        }
        if (file_->Seek(static_cast<int64_t>(offset), SeekOrigin::Begin) < 0) {
            return false;
        }
        return file_->Read(out, static_cast<int64_t>(count)) == static_cast<int64_t>(count);
    }

  private:
    std::unique_ptr<FileStream> file_;
    int64_t size_;
};

std::unique_ptr<FileSource> OpenFile(const std::string& ansiPath) {
    try {
        return std::make_unique<FileSource>(FileStream::Open(
            ansiPath, FileAccess::Read, FileShare::ReadWrite, FileCreation::OpenExisting));
    } catch (const std::exception&) {
        return nullptr;
    }
}

struct Section {
    uint32_t virtualAddress;
    uint32_t rawSize;
    uint32_t rawOffset;
};

// The section table and the resource directory's address of a PE image.
class PeImage {
  public:
    explicit PeImage(ByteSource& source) : source_(source) {}

    bool LoadHeaders() {
        auto signature = source_.U16(0);
        auto newHeader = source_.U32(0x3C);
        if (!signature || *signature != 0x5A4D || !newHeader) {
            return false;
        }
        auto peSignature = source_.U32(*newHeader);
        if (!peSignature || *peSignature != 0x00004550) {
            return false;
        }
        fileHeader_ = static_cast<uint64_t>(*newHeader) + 4;
        return true;
    }

    bool LoadResourceDirectory() {
        auto sectionCount = source_.U16(fileHeader_ + 2);
        auto optionalSize = source_.U16(fileHeader_ + 16);
        uint64_t optional = fileHeader_ + 20;
        auto magic = source_.U16(optional);
        if (!sectionCount || !optionalSize || !magic) {
            return false;
        }
        uint64_t countField;
        if (*magic == 0x10B) {
            countField = 92;
        } else if (*magic == 0x20B) {
            countField = 108;
        } else {
            return false;
        }
        auto directoryCount = source_.U32(optional + countField);
        uint64_t resourceEntry = countField + 4 + 2 * 8;
        if (!directoryCount || *directoryCount < 3 || resourceEntry + 8 > *optionalSize) {
            return false;
        }
        auto rva = source_.U32(optional + resourceEntry);
        if (!rva || *rva == 0) {
            return false;
        }
        resourceRva_ = *rva;
        uint64_t table = optional + *optionalSize;
        for (uint16_t i = 0; i < *sectionCount && i < kMaxSections; ++i) {
            uint64_t entry = table + 40ull * i;
            auto address = source_.U32(entry + 12);
            auto rawSize = source_.U32(entry + 16);
            auto rawOffset = source_.U32(entry + 20);
            if (!address || !rawSize || !rawOffset) {
                return false;
            }
            sections_.push_back({*address, *rawSize, *rawOffset});
        }
        return true;
    }

    // The file offset of count bytes at an address of the image, when they lie in the file data
    // of one section.
    std::optional<uint64_t> FileOffset(uint64_t rva, uint64_t count) const {
        for (const Section& section : sections_) {
            if (rva >= section.virtualAddress &&
                rva - section.virtualAddress + count <= section.rawSize) {
                return section.rawOffset + (rva - section.virtualAddress);
            }
        }
        return std::nullopt;
    }

    std::optional<uint32_t> ResourceU32(uint64_t offsetInDirectory) {
        auto at = FileOffset(resourceRva_ + offsetInDirectory, 4);
        return at ? source_.U32(*at) : std::nullopt;
    }
    std::optional<uint16_t> ResourceU16(uint64_t offsetInDirectory) {
        auto at = FileOffset(resourceRva_ + offsetInDirectory, 2);
        return at ? source_.U16(*at) : std::nullopt;
    }

    // The raw bytes of the version resource: type 16, name 1 (or the first name), the first
    // language.
    std::optional<std::string> VersionResource() {
        auto names = FindEntry(0, kResourceTypeVersion, false);
        if (!names || !(*names & kSubdirectoryFlag)) {
            return std::nullopt;
        }
        auto languages = FindEntry(*names & ~kSubdirectoryFlag, kVersionInfoId, true);
        if (!languages || !(*languages & kSubdirectoryFlag)) {
            return std::nullopt;
        }
        auto leaf = FindEntry(*languages & ~kSubdirectoryFlag, 0, true, true);
        if (!leaf || (*leaf & kSubdirectoryFlag)) {
            return std::nullopt;
        }
        auto dataRva = ResourceU32(*leaf);
        auto dataSize = ResourceU32(*leaf + 4ull);
        if (!dataRva || !dataSize) {
            return std::nullopt;
        }
        uint32_t size = std::min(*dataSize, kMaxVersionBytes);
        auto at = FileOffset(*dataRva, size);
        if (!at) {
            return std::nullopt;
        }
        std::string bytes(size, '\0');
        if (!source_.ReadAt(*at, bytes.data(), size)) {
            return std::nullopt;
        }
        return bytes;
    }

  private:
    // The data field of the entry with the given id in the directory at the given offset of
    // the resource section; with orFirst, the first entry when no entry has that id; with
    // anyEntry, simply the first entry.
    std::optional<uint32_t> FindEntry(uint64_t directory, uint32_t id, bool orFirst,
                                      bool anyEntry = false) {
        auto named = ResourceU16(directory + 12);
        auto numbered = ResourceU16(directory + 14);
        if (!named || !numbered) {
            return std::nullopt;
        }
        uint32_t count = std::min<uint32_t>(*named + *numbered, kMaxDirectoryEntries);
        std::optional<uint32_t> first;
        for (uint32_t i = 0; i < count; ++i) {
            uint64_t entry = directory + 16 + 8ull * i;
            auto name = ResourceU32(entry);
            auto data = ResourceU32(entry + 4);
            if (!name || !data) {
                return std::nullopt;
            }
            if (i == 0) {
                first = data;
                if (anyEntry) {
                    return first;
                }
            }
            if (!(*name & 0x80000000u) && *name == id) {
                return data;
            }
        }
        return orFirst ? first : std::nullopt;
    }

    ByteSource& source_;
    uint64_t fileHeader_ = 0;
    uint32_t resourceRva_ = 0;
    std::vector<Section> sections_;
};

// One block of the version resource: length, value length, type, key, value, children.
struct VersionBlock {
    size_t end = 0;
    uint16_t valueLength = 0;
    uint16_t type = 0;
    std::u16string key;
    size_t value = 0;
    size_t children = 0;
};

size_t AlignFour(size_t offset) {
    return (offset + 3) & ~static_cast<size_t>(3);
}

class VersionData {
  public:
    explicit VersionData(std::string bytes) : bytes_(std::move(bytes)) {}

    std::optional<VersionBlock> Root() { return BlockAt(0, bytes_.size()); }

    std::optional<VersionBlock> Child(const VersionBlock& parent, std::u16string_view key) {
        size_t position = parent.children;
        while (position + 6 <= parent.end) {
            auto child = BlockAt(position, parent.end);
            if (!child) {
                return std::nullopt;
            }
            if (SameKey(child->key, key)) {
                return child;
            }
            position = AlignFour(child->end);
        }
        return std::nullopt;
    }

    // The first translation entry as eight upper-case hexadecimal digits.
    std::optional<std::u16string> FirstTranslation(const VersionBlock& var) {
        if (var.valueLength < 4 || var.value + 4 > var.end) {
            return std::nullopt;
        }
        char digits[9];
        std::snprintf(digits, sizeof digits, "%04X%04X", U16(var.value), U16(var.value + 2));
        return std::u16string(digits, digits + 8);
    }

    // A string value: at most its value length in characters, ending at the first NUL or the
    // end of its block.
    std::u16string Text(const VersionBlock& block) {
        std::u16string text;
        for (size_t at = block.value; at + 2 <= block.end && text.size() < block.valueLength;
             at += 2) {
            char16_t c = static_cast<char16_t>(U16(at));
            if (c == 0) {
                break;
            }
            text.push_back(c);
        }
        return text;
    }

  private:
    uint16_t U16(size_t at) const {
        return static_cast<uint16_t>(static_cast<unsigned char>(bytes_[at]) |
                                     static_cast<unsigned char>(bytes_[at + 1]) << 8);
    }

    static bool SameKey(std::u16string_view a, std::u16string_view b) {
        if (a.size() != b.size()) {
            return false;
        }
        for (size_t i = 0; i < a.size(); ++i) {
            auto fold = [](char16_t c) {
                return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
            };
            if (fold(a[i]) != fold(b[i])) {
                return false;
            }
        }
        return true;
    }

    std::optional<VersionBlock> BlockAt(size_t start, size_t limit) {
        if (start + 6 > limit) {
            return std::nullopt;
        }
        VersionBlock block;
        uint16_t length = U16(start);
        if (length < 6) {
            return std::nullopt;
        }
        block.end = std::min(limit, start + length);
        block.valueLength = U16(start + 2);
        block.type = U16(start + 4);
        size_t at = start + 6;
        for (; at + 2 <= block.end; at += 2) {
            char16_t c = static_cast<char16_t>(U16(at));
            if (c == 0) {
                break;
            }
            block.key.push_back(c);
        }
        block.value = std::min(AlignFour(at + 2), block.end);
        size_t valueBytes = block.type == 1 ? 2ull * block.valueLength : block.valueLength;
        block.children = std::min(AlignFour(block.value + valueBytes), block.end);
        return block;
    }

    std::string bytes_;
};

std::optional<std::string> FileVersionText(ByteSource& source) {
    PeImage image(source);
    if (!image.LoadHeaders() || !image.LoadResourceDirectory()) {
        return std::nullopt;
    }
    auto resource = image.VersionResource();
    if (!resource) {
        return std::nullopt;
    }
    VersionData data(std::move(*resource));
    auto root = data.Root();
    if (!root) {
        return std::nullopt;
    }
    auto varInfo = data.Child(*root, u"VarFileInfo");
    auto translation = varInfo ? data.Child(*varInfo, u"Translation") : std::nullopt;
    auto tableName = translation ? data.FirstTranslation(*translation) : std::nullopt;
    auto stringInfo = tableName ? data.Child(*root, u"StringFileInfo") : std::nullopt;
    auto table = stringInfo ? data.Child(*stringInfo, *tableName) : std::nullopt;
    auto version = table ? data.Child(*table, u"FileVersion") : std::nullopt;
    if (!version) {
        return std::nullopt;
    }
    return Utf16ToAnsi(data.Text(*version));
}

}  // namespace

bool IsPeFile(const std::string& ansiPath) {
    auto source = OpenFile(ansiPath);
    return source && PeImage(*source).LoadHeaders();
}

std::optional<std::string> ReadFileVersionText(const std::string& ansiPath) {
    auto source = OpenFile(ansiPath);
    if (!source) {
        return std::nullopt;
    }
    return FileVersionText(*source);
}

std::optional<std::string> FileVersionTextOfImage(std::string_view image) {
    MemorySource source(image);
    return FileVersionText(source);
}

}  // namespace foldant::platform
