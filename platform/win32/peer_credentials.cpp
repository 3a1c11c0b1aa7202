#include "platform/peer_credentials.h"

#include <vector>

#include "platform/win32/windows_api.h"

namespace foldant::platform {
namespace {

// The user record of a process's token; empty when it cannot be read.
std::vector<unsigned char> TokenUserOf(HANDLE process) {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(process, TOKEN_QUERY, &token)) {
        return {};
    }
    win32::Handle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> record(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, record.data(), size, &size)) {
        return {};
    }
    return record;
}

PSID SidOf(std::vector<unsigned char>& record) {
    return reinterpret_cast<TOKEN_USER*>(record.data())->User.Sid;
}

}  // namespace

// The handle is one end of a named pipe; the process at the other end is looked up by the
// pipe's own record of its client or server.
bool PeerIsTrusted(std::intptr_t nativeSocket, TrustedPeer trusted) {
    HANDLE pipe = reinterpret_cast<HANDLE>(nativeSocket);
    DWORD flags = 0;
    if (pipe == nullptr || pipe == INVALID_HANDLE_VALUE ||
        !::GetNamedPipeInfo(pipe, &flags, nullptr, nullptr, nullptr)) {
        return false;
    }
    ULONG peerId = 0;
    const bool found = (flags & PIPE_SERVER_END) != 0
                           ? ::GetNamedPipeClientProcessId(pipe, &peerId)
                           : ::GetNamedPipeServerProcessId(pipe, &peerId);
    if (!found) {
        return false;
    }
    win32::Handle peer(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, peerId));
    if (!peer.Valid()) {
        return false;
    }
    std::vector<unsigned char> theirs = TokenUserOf(peer.Get());
    std::vector<unsigned char> ours = TokenUserOf(::GetCurrentProcess());
    if (theirs.empty() || ours.empty()) {
        return false;
    }
    return ::EqualSid(SidOf(theirs), SidOf(ours)) ||
           (trusted == TrustedPeer::ThisUserOrAdministrator &&
            ::IsWellKnownSid(SidOf(theirs), WinLocalSystemSid));
}

}  // namespace foldant::platform
