#pragma once

// Who is at the other end of a local connection. Another user of the machine may listen on, or
// connect to, a socket name that this user's processes use; such a peer is never trusted.

#include <cstdint>

namespace foldant::platform {

enum class TrustedPeer { ThisUser, ThisUserOrAdministrator };

// Whether the process at the other end of the connected local socket (its native descriptor or
// handle) runs as this user, or, when allowed, as the system's administrator. A peer whose
// identity cannot be told is not trusted.
bool PeerIsTrusted(std::intptr_t nativeSocket, TrustedPeer trusted);

}  // namespace foldant::platform
