#include "platform/kernel/completion_port.h"

#include <chrono>
#include <memory>

#include "platform/kernel/call_faults.h"
#include "platform/kernel/handle_table.h"

namespace platform {

bool CompletionPort::Post(const CompletionPacket& packet) {
  std::lock_guard lock(mutex_);
  if (closed_) return false;
  packets_.push_back(packet);
  arrived_.notify_one();
  return true;
}

std::optional<CompletionPacket> CompletionPort::Take(uint32_t timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock lock(mutex_);
  while (!closed_ && packets_.empty()) {
    if (timeoutMs == INFINITE) {
      arrived_.wait(lock);
    } else if (arrived_.wait_until(lock, deadline) == std::cv_status::timeout) {
      break;
    }
  }
  if (closed_ || packets_.empty()) return std::nullopt;
  CompletionPacket packet = packets_.front();
  packets_.pop_front();
  return packet;
}

void CompletionPort::OnHandleClosed() {
  std::lock_guard lock(mutex_);
  closed_ = true;
  packets_.clear();
  arrived_.notify_all();
}

Handle CreateIoCompletionPort(Handle fileHandle, Handle existingPort, uintptr_t completionKey,
                              uint32_t concurrency) {
  (void)completionKey;
  (void)concurrency;
  if (fileHandle != INVALID_HANDLE_VALUE || existingPort != 0) return 0;
  return HandleTable::Process().Insert(std::make_shared<CompletionPort>());
}

bool PostQueuedCompletionStatus(Handle port, uint32_t bytesTransferred, uintptr_t completionKey,
                                intptr_t overlapped) {
  call_faults::BeforeCall({KernelCallKind::kPostQueuedCompletionStatus, port, overlapped});
  std::shared_ptr<CompletionPort> object = HandleTable::Process().FindAs<CompletionPort>(port);
  return object && object->Post({bytesTransferred, completionKey, overlapped});
}

bool GetQueuedCompletionStatus(Handle port, uint32_t* bytesTransferred, uintptr_t* completionKey,
                               intptr_t* overlapped, uint32_t timeoutMs) {
  *overlapped = 0;
  std::shared_ptr<CompletionPort> object = HandleTable::Process().FindAs<CompletionPort>(port);
  if (!object) return false;
  std::optional<CompletionPacket> packet = object->Take(timeoutMs);
  if (!packet) return false;
  *bytesTransferred = packet->bytesTransferred;
  *completionKey = packet->completionKey;
  *overlapped = packet->overlapped;
  return true;
}

}  // namespace platform
