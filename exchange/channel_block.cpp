#include "exchange/channel_block.h"

#include <cstring>
#include <stdexcept>

#include "json/json_text.h"
#include "platform/message_loop.h"
#include "platform/shared_memory.h"

namespace foldant {

namespace {

constexpr int kWriteSettleMs = 100;

}  // namespace

bool WriteChannelText(const std::string& channel, const std::string& text) {
    auto block = platform::SharedMemoryBlock::Open(channel, platform::BlockAccess::ReadWrite);
    if (!block) {
        return false;
    }
    if (text.size() > kMaxChannelText || text.size() >= block->Size()) {
        throw std::runtime_error("WriteMMF: data to large");
    }
    char* data = block->WritableData();
    std::memcpy(data, text.data(), text.size());
    data[text.size()] = '\0';
    block->Flush();
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
    const char* data = block->Data();
    const void* end = std::memchr(data, '\0', block->Size());
    std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - data) : block->Size();
    if (length == 0) {
        return false;
    }
    text.assign(data, length);
    return true;
}

}  // namespace foldant
