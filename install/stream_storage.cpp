#include "install/stream_storage.h"

#include <optional>

#include "platform/windows1252.h"

namespace foldant {
namespace {

std::string Utf16LeBytes(const std::string& ansi) {
    std::string bytes;
    for (char16_t unit : AnsiToUtf16(ansi)) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return bytes;
}

std::string AnsiFromUtf16Le(const std::string& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return Utf16ToAnsi(text);
}

template <typename T>
void AppendLittleEndian(std::string& out, T value) {
    auto bits = static_cast<std::make_unsigned_t<T>>(value);
    for (size_t i = 0; i < sizeof(T); ++i) {
        out.push_back(static_cast<char>(bits >> (8 * i) & 0xFF));
    }
}

template <typename T>
T LittleEndianAt(const std::string& bytes, size_t at) {
    std::make_unsigned_t<T> bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
        bits |= static_cast<std::make_unsigned_t<T>>(static_cast<unsigned char>(bytes[at + i]))
                << (8 * i);
    }
    return static_cast<T>(bits);
}

struct EntryView {
    std::string name;
    size_t value;
    size_t valueLength;
    size_t end;
};

std::optional<EntryView> EntryAt(const std::string& bytes, size_t at) {
    if (bytes.size() - at < 4) {
        return std::nullopt;
    }
    int32_t nameLength = LittleEndianAt<int32_t>(bytes, at);
    if (nameLength < 0 || bytes.size() - at - 4 < static_cast<size_t>(nameLength) + 8) {
        return std::nullopt;
    }
    size_t lengthField = at + 4 + static_cast<size_t>(nameLength);
    int64_t valueLength = LittleEndianAt<int64_t>(bytes, lengthField);
    size_t value = lengthField + 8;
    if (valueLength < 0 || static_cast<uint64_t>(valueLength) > bytes.size() - value) {
        return std::nullopt;
    }
    return EntryView{bytes.substr(at + 4, static_cast<size_t>(nameLength)), value,
                     static_cast<size_t>(valueLength), value + static_cast<size_t>(valueLength)};
}

}  // namespace

void TStreamStorage::WriteBoolean(const std::string& name, bool value) {
    WriteEntry(name, std::string(1, value ? '\1' : '\0'));
}

void TStreamStorage::WriteInteger(const std::string& name, int32_t value) {
    std::string bytes;
    AppendLittleEndian(bytes, value);
    WriteEntry(name, bytes);
}

void TStreamStorage::WriteText(const std::string& name, const std::string& value) {
    if (value.empty()) {
        return;
    }
    WriteEntry(name, Utf16LeBytes(value));
}

void TStreamStorage::WriteEntry(const std::string& name, const std::string& value) {
    if (name.empty()) {
        return;
    }
    std::string encodedName = Utf16LeBytes(name);
    if (Find(encodedName)) {
        throw TStreamStorageError("Value with name \"" + name + "\" already exists");
    }
    size_t position = bytes_.size();
    AppendLittleEndian(bytes_, static_cast<int32_t>(encodedName.size()));
    bytes_ += encodedName;
    AppendLittleEndian(bytes_, static_cast<int64_t>(value.size()));
    bytes_ += value;
    if (indexedUpTo_ == position) {
        index_.emplace(encodedName, position);
        indexedUpTo_ = bytes_.size();
    }
}

std::string TStreamStorage::ReadText(const std::string& name) {
    auto position = Find(Utf16LeBytes(name));
    if (!position) {
        return {};
    }
    auto entry = EntryAt(bytes_, *position);
    return AnsiFromUtf16Le(bytes_.substr(entry->value, entry->valueLength & ~size_t{1}));
}

void TStreamStorage::Append(const char* data, size_t count) {
    bytes_.append(data, count);
}

void TStreamStorage::Clear() {
    bytes_.clear();
    index_.clear();
    indexedUpTo_ = 0;
}

std::optional<size_t> TStreamStorage::Find(const std::string& encodedName) {
    auto known = index_.find(encodedName);
    if (known != index_.end()) {
        return known->second;
    }
    while (auto entry = EntryAt(bytes_, indexedUpTo_)) {
        size_t position = indexedUpTo_;
        index_.emplace(entry->name, position);
        indexedUpTo_ = entry->end;
        if (entry->name == encodedName) {
            return position;
        }
    }
    return std::nullopt;
}

}  // namespace foldant
