#include "platform/guid.h"

#include "platform/random.h"

namespace foldant::platform {

Guid NewGuid() {
    Guid guid;
    FillRandom(guid.bytes.data(), guid.bytes.size());
    guid.bytes[6] = static_cast<uint8_t>((guid.bytes[6] & 0x0F) | 0x40);
    guid.bytes[8] = static_cast<uint8_t>((guid.bytes[8] & 0x3F) | 0x80);
    return guid;
}

std::string GuidText(const Guid& guid) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (size_t i = 0; i < guid.bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text.push_back('-');
        }
        text.push_back(kDigits[guid.bytes[i] >> 4]);
        text.push_back(kDigits[guid.bytes[i] & 0x0F]);
    }
    return text;
}

}  // namespace foldant::platform
