// I/O completion ports, as the thread pool uses them: a queue of packets that threads post to
// and take from, with no files attached.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/kernel/handle.h"
#include "platform/kernel/kernel_object.h"

namespace platform {

struct CompletionPacket {
  uint32_t bytesTransferred = 0;
  uintptr_t completionKey = 0;
  intptr_t overlapped = 0;
};

class CompletionPort : public KernelObject {
 public:
  CompletionPort() = default;

  // Queues the packet behind those already queued; false once the port is closed.
  bool Post(const CompletionPacket& packet);

  // The oldest packet, waiting up to timeoutMs (INFINITE: no limit) for one to come. Null at
  // the time-out and once the port is closed, also for a thread that was already waiting. A
  // cancellation point of the thread.
  std::optional<CompletionPacket> Take(uint32_t timeoutMs);

  // Closes the port: its packets are dropped and its waiters return with failure.
  void OnHandleClosed() override;

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<CompletionPacket> packets_;
  bool closed_ = false;
};

// A new port's handle. Only a port of its own is made: fileHandle INVALID_HANDLE_VALUE and
// existingPort 0; the key and the concurrency are not used. Any other request gives 0.
Handle CreateIoCompletionPort(Handle fileHandle, Handle existingPort, uintptr_t completionKey,
                              uint32_t concurrency);

// False when the handle names no open port.
bool PostQueuedCompletionStatus(Handle port, uint32_t bytesTransferred, uintptr_t completionKey,
                                intptr_t overlapped);

// Takes the oldest packet into the three outputs and returns true. At the time-out, when the
// port is closed (before or during the wait) or the handle names no port, returns false with
// overlapped 0 and the other two outputs untouched.
bool GetQueuedCompletionStatus(Handle port, uint32_t* bytesTransferred, uintptr_t* completionKey,
                               intptr_t* overlapped, uint32_t timeoutMs);

}  // namespace platform
