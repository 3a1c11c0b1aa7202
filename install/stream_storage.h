#pragma once

// The message of the local service's pipe: an 8-bit ID and a store of named entries. An entry is
// the name's length in bytes (signed 32-bit), the name in UTF-16LE, the value's length in bytes
// (signed 64-bit) and the value, all little-endian, in the store's byte stream and on the wire.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace foldant {

class TStreamStorageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class TStreamStorage {
  public:
    // An empty name writes nothing, as does WriteText with an empty value. A name already in
    // the store raises "Value with name "<name>" already exists".
    void WriteBoolean(const std::string& name, bool value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteText(const std::string& name, const std::string& value);

    // The value of the first entry with exactly this name, as Windows-1252 text; empty when there
    // is none. A value of odd length loses its last byte. Damaged entries end the search.
    std::string ReadText(const std::string& name);

    const std::string& Bytes() const { return bytes_; }
    void Append(const char* data, size_t count);
    void Clear();

  private:
    void WriteEntry(const std::string& name, const std::string& value);
    // Indexes the entries up to the one named so, or all of them; its position or nothing.
    std::optional<size_t> Find(const std::string& encodedName);

    std::string bytes_;
    std::map<std::string, size_t> index_;
    size_t indexedUpTo_ = 0;
};

struct TMessageData {
    std::string ID;
    TStreamStorage Data;
};

// Messages are shared by their holders and freed with the last one.
using IMessageData = std::shared_ptr<TMessageData>;

}  // namespace foldant
