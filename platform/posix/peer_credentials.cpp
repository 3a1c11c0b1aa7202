#include "platform/peer_credentials.h"

#include <sys/socket.h>
#include <unistd.h>

namespace foldant::platform {

bool PeerIsTrusted(std::intptr_t nativeSocket, TrustedPeer trusted) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (nativeSocket < 0 ||
        ::getsockopt(static_cast<int>(nativeSocket), SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 ||
        size != sizeof peer) {
        return false;
    }
    return peer.uid == ::geteuid() ||
           (trusted == TrustedPeer::ThisUserOrAdministrator && peer.uid == 0);
}

}  // namespace foldant::platform
