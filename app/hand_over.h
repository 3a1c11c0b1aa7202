#pragma once

// The hand-over of a channel name from a later start of the module to the windows of a running
// one. Every main window listens on a local socket in the folder named by its window class
// inside the module's temporary folder; a later start sends each of them the record
// {dwData, cbData, lpData} and waits for its answer.
//
// On the socket, the sender writes dwData (8 bytes) and cbData (4 bytes), both little-endian,
// then the cbData bytes of lpData; the window answers with its result (8 bytes, little-endian).

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/message_loop.h"

class QLocalServer;
class QLocalSocket;

namespace foldant {

// Larger records are refused without an answer.
inline constexpr std::uint32_t kMaxHandOverRecord = 64 * 1024;
inline constexpr int kHandOverTimeoutMs = 10'000;

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

// Sends the record to every window of the class and waits for each answer, at most timeoutMs
// per window. Sockets that nobody listens on any more (their process has ended) are removed;
// a socket served by another user gets nothing. The listener likewise drops senders that run as
// another user.
// Answers how many windows answered.
int SendHandOverRecord(const std::string& className, std::uintptr_t dwData, const std::string& data,
                       int timeoutMs = kHandOverTimeoutMs);

}  // namespace foldant
