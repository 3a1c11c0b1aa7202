#include "exchange/channel_block.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "json/json_text.h"
#include "platform/message_loop.h"
#include "platform/shared_memory.h"
#include "platform/windows1252.h"

namespace foldant {

namespace {

constexpr int kWriteSettleMs = 100;

// The message at the start of the block: the bytes before the first NUL, or before the end of
// a block no larger than a message may be. Only the first kChannelBlockSize bytes are looked at,
// so a huge block without a NUL costs no more than a block of the usual size, and holds nothing.
std::optional<std::string_view> MessageIn(const platform::SharedMemoryBlock& block) {
    std::size_t window = std::min(block.Size(), kChannelBlockSize);
    const char* data = block.Data();
    const void* end = std::memchr(data, '\0', window);
    if (!end) {
        if (block.Size() > kChannelBlockSize) {
            return std::nullopt;
        }
        return std::string_view(data, window);
    }
    return std::string_view(data, static_cast<std::size_t>(static_cast<const char*>(end) - data));
}

std::optional<char16_t> HexUnit(std::string_view digits) {
    unsigned value = 0;
    for (char c : digits) {
        int digit = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<char16_t>(value);
}

void Store(platform::SharedMemoryBlock& block, const std::string& text) {
    if (text.size() > kMaxChannelText || text.size() >= block.Size()) {
        throw std::runtime_error("WriteMMF: data to large");
    }
    char* data = block.WritableData();
    std::memcpy(data, text.data(), text.size());
    data[text.size()] = '\0';
    block.Flush();
}

}  // namespace

bool WriteChannelText(const std::string& channel, const std::string& text) {
    auto block = platform::SharedMemoryBlock::Open(channel, platform::BlockAccess::ReadWrite);
    if (!block) {
        return false;
    }
    Store(*block, text);
    return true;
}

bool WriteMMF(const TQvCustomJSON& document, const std::string& channel) {
    if (channel.empty()) {
        return false;
    }
    return WriteMMFText(TQvJSONStreamer::PrintCompact(document), channel);
}

bool WriteMMFText(const std::string& text, const std::string& channel) {
    if (channel.empty()) {
        return false;
    }
    bool written = WriteChannelText(channel, text);
    platform::PumpWait(kWriteSettleMs);
    return written;
}

// Escapes are told apart from escaped backslashes by reading the text pair by pair; outside
// strings a JSON text holds no backslash.
std::string WithoutHighEscapes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\' || at + 1 >= text.size()) {
            out += text[at];
            continue;
        }
        if (text[at + 1] == 'u' && at + 6 <= text.size()) {
            auto unit = HexUnit(std::string_view(text).substr(at + 2, 4));
            if (unit) {
                std::string byte = Utf16ToAnsi(std::u16string(1, *unit));
                if (byte.size() == 1 && static_cast<unsigned char>(byte[0]) >= 128 &&
                    AnsiToUtf16(byte) == std::u16string(1, *unit)) {
                    out += byte;
                    at += 5;
                    continue;
                }
            }
        }
        out += text[at];
        out += text[at + 1];
        ++at;
    }
    return out;
}

bool ReadMMF(const std::string& channel, std::string& text) {
    auto block = platform::SharedMemoryBlock::Open(channel, platform::BlockAccess::Read);
    if (!block) {
        return false;
    }
    auto message = MessageIn(*block);
    if (!message || message->empty()) {
        return false;
    }
    text.assign(*message);
    return true;
}

TReplaceOutcome ReplaceUnchangedText(const std::string& channel, const std::string& expected,
                                     const std::string& replacement) {
    auto block = platform::SharedMemoryBlock::Open(channel, platform::BlockAccess::ReadWrite);
    if (!block) {
        return TReplaceOutcome::NoBlock;
    }
    if (MessageIn(*block).value_or(std::string_view()) != expected) {
        return TReplaceOutcome::Changed;
    }
    Store(*block, replacement);
    return TReplaceOutcome::Written;
}

}  // namespace foldant
