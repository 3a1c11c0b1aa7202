#include "merge/permission_code.h"

#include <array>
#include <string>

namespace foldant {

namespace {

constexpr size_t kCodeLength = 9;
constexpr std::array<uint8_t, 4> kPermissionBits = {
    TPermissionRequest::kPrint, TPermissionRequest::kModify, TPermissionRequest::kCopy,
    TPermissionRequest::kAnnotate};
constexpr std::array<uint8_t, 4> kExtraBits = {
    TPermissionRequest::kFillIn, TPermissionRequest::kExtract, TPermissionRequest::kAssemble,
    TPermissionRequest::kPrintHighQuality};

}  // namespace

void DecodePermissionCode(std::string_view code, TPermissionRequest& request) {
    request.PermissionFlags = 0;
    request.ExtraFlags = 0;
    request.EncryptResult = false;
    if (code.empty()) {
        return;
    }
    std::string padded(code);
    if (padded.size() < kCodeLength) {
        padded.resize(kCodeLength, ' ');
    }
    if (padded[8] == '0') {
        return;
    }
    request.EncryptResult = true;
    request.Level = padded[8] == '4' ? TPermissionRequest::kLevel40 : TPermissionRequest::kLevel128;
    for (size_t i = 0; i < kPermissionBits.size(); ++i) {
        if (padded[i] == '1') {
            request.PermissionFlags |= kPermissionBits[i];
        }
    }
    if (request.Level != TPermissionRequest::kLevel128) {
        return;
    }
    for (size_t i = 0; i < kExtraBits.size(); ++i) {
        if (padded[4 + i] == '1') {
            request.ExtraFlags |= kExtraBits[i];
        }
    }
}

}  // namespace foldant
