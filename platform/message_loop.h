#pragma once

// The main-thread message loop. Endpoints stand in for hidden message windows: any thread may
// post a (message, wParam, lParam) triple to an endpoint, and whichever thread runs the loop (the
// main thread) hands it to the endpoint's handler. The loop never polls: it sleeps until a message
// is posted, and a window toolkit can run it from its own loop by watching WakeupDescriptor().

#include <cstdint>
#include <exception>
#include <functional>

namespace foldant::platform {

// Null is 0. Handles are never reused, so a message posted to an endpoint that has gone is
// dropped rather than delivered to a stranger.
using WindowHandle = std::uint64_t;

struct TMessage {
    std::uint32_t Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};

inline constexpr std::uint32_t kPaintMessage = 0x000F;
inline constexpr std::uint32_t kCloseMessage = 0x0010;
inline constexpr std::uint32_t kQueryEndSessionMessage = 0x0011;
inline constexpr std::uint32_t kCopyDataMessage = 0x004A;

// The record a kCopyDataMessage points to with its lParam.
struct TCopyDataStruct {
    std::uintptr_t dwData = 0;
    std::uint32_t cbData = 0;
    const void* lpData = nullptr;
};

using MessageHandler = std::function<void(TMessage&)>;
// Called for a posted message that is never delivered (its endpoint has gone), so that whatever
// the message carries can be freed.
using MessageDiscard = void (*)(const TMessage&);

// Raises "Unable to register KepWin32 hidden window class. %s" when the loop's wake-up
// descriptor cannot be made, "Unable to create KepWin32 hidden window. %s" once shutdown began.
WindowHandle AllocateHiddenWindow(MessageHandler handler);
// Messages still queued for the endpoint are discarded. A null handle is ignored.
void DeallocateHiddenWindow(WindowHandle window);
int HiddenWindowCount();

// From any thread. Answers false (after discarding the message) when the endpoint does not exist.
bool PostMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam, MessageDiscard discard = nullptr);
// Calls the endpoint's handler at once on the calling thread and answers its result; 0 when the
// endpoint does not exist.
std::intptr_t SendMessageTo(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam);

void PostQuitMessage(int exitCode);
bool QuitRequested();

// Runs the loop until a quit request meets an empty queue; answers the quit's exit code.
int RunMessageLoop();
// Hands out every message queued at the moment of the call.
void DispatchPendingMessages();
// Dispatches messages until `done` answers true, a quit is requested or the time is up; answers
// what `done` answers at the end.
bool DispatchMessagesUntil(const std::function<bool()>& done, int timeoutMs);
// Readable while messages may be waiting; a toolkit watches it and then calls
// DispatchPendingMessages.
int WakeupDescriptor();

// Waits the given time, dispatching only paint messages and stopping at a quit request (which
// stays pending for the loop). Every other message stays queued.
void PumpWait(int milliseconds);
// A window toolkit whose own loop does the painting replaces the waiting of PumpWait with its
// own (painting only, honouring quit); an empty handler restores the built-in wait.
void SetPumpWaitHandler(std::function<void(int milliseconds)> handler);

// Errors escaping a handler go here; by default they are written to standard error.
void SetMessageErrorHandler(std::function<void(const std::exception&)> handler);

// From here on every endpoint answers 1 without dispatching. Runs by itself at process exit.
void BeginShutdown();

}  // namespace foldant::platform
