#pragma once

// The Linux stand-in of the hand-over. Every main window listens on a local socket in the
// folder named by its window class inside the module's temporary folder; a later start sends
// each of them the record and waits for its answer.
//
// On the socket, the sender writes dwData (8 bytes) and cbData (4 bytes), both little-endian,
// then the cbData bytes of lpData; the window answers with its result (8 bytes, little-endian).
// Sockets that nobody listens on any more (their process has ended) are removed by the sender;
// a socket served by another user gets nothing, and the listener likewise drops senders that run
// as another user.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/hand_over.h"
#include "platform/message_loop.h"

class QLocalServer;
class QLocalSocket;

namespace foldant {

// The folder of the class's sockets, in the file system's encoding; created when missing.
QString HandOverFolder(const std::string& className);

class THandOverListener {
  public:
    using TReceiver = std::function<std::intptr_t(const platform::TCopyDataStruct& record)>;

    // Raises std::runtime_error when the socket cannot be made.
    THandOverListener(const std::string& className, TReceiver receiver);
    ~THandOverListener();
    THandOverListener(const THandOverListener&) = delete;
    THandOverListener& operator=(const THandOverListener&) = delete;

    QString SocketPath() const;

  private:
    void Accept();
    void Serve(QLocalSocket& socket);

    std::unique_ptr<QLocalServer> server_;
    TReceiver receiver_;
};

}  // namespace foldant
