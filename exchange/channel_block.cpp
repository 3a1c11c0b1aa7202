#include "exchange/channel_block.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "json/json_text.h"
#include "platform/message_loop.h"
#include "platform/shared_memory.h"

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
    bool written = WriteChannelText(channel, TQvJSONStreamer::PrintCompact(document));
    platform::PumpWait(kWriteSettleMs);
    return written;
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
