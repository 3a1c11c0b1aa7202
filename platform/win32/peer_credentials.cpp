#include "platform/peer_credentials.h"

#include <memory>
#include <vector>

#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

// The user a process runs as, as the bytes of its security identifier; empty when unknown.
std::vector<unsigned char> ProcessUser(HANDLE process) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) {
        return {};
    }
    OwnedHandle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        return {};
    }
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const DWORD length = ::GetLengthSid(sid);
    const auto* bytes = static_cast<const unsigned char*>(sid);
    return std::vector<unsigned char>(bytes, bytes + length);
}

// The process at the other end of a connected pipe, whichever end this one is.
ULONG PeerProcessId(HANDLE pipe) {
    DWORD flags = 0;
    ULONG process = 0;
    if (!::GetNamedPipeInfo(pipe, &flags, nullptr, nullptr, nullptr)) {
        return 0;
    }
    const BOOL found = (flags & PIPE_SERVER_END) != 0
                           ? ::GetNamedPipeClientProcessId(pipe, &process)
                           : ::GetNamedPipeServerProcessId(pipe, &process);
    return found ? process : 0;
}

}  // namespace

bool PeerIsTrusted(std::intptr_t nativeSocket, TrustedPeer trusted) {
    HANDLE pipe = reinterpret_cast<HANDLE>(nativeSocket);
    if (pipe == nullptr || pipe == INVALID_HANDLE_VALUE) {
        return false;
    }
    const ULONG processId = PeerProcessId(pipe);
    if (processId == 0) {
        return false;
    }
    OwnedHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        return false;
    }
    const std::vector<unsigned char> peer = ProcessUser(process.get());
    if (peer.empty()) {
        return false;
    }
    if (peer == ProcessUser(::GetCurrentProcess())) {
        return true;
    }
    return trusted == TrustedPeer::ThisUserOrAdministrator &&
           ::IsWellKnownSid(const_cast<unsigned char*>(peer.data()), WinLocalSystemSid);
}

}  // namespace foldant::platform
