// The process's handle table: maps handles to kernel objects.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <shared_mutex>
#include <unordered_map>

#include "platform/kernel/handle.h"
#include "platform/kernel/kernel_object.h"

namespace platform {

// Handles are multiples of 4 from 4 upwards, never reused: a handle is never 0, 1 or -1 (the
// values the system's code uses for "none", "start in progress" and "no file"), and a use of a
// closed handle fails instead of reaching a newer object that happens to get the same number.
//
// Look-ups are the hot path (every wait, every event set) and come from every thread, so the
// table is split into shards by handle, each behind its own reader-writer lock: look-ups share
// their shard's lock and threads working on different handles do not meet at all.
class HandleTable {
 public:
  // The one table of the process. Never destroyed: threads may still use handles while the
  // process ends.
  static HandleTable& Process();

  HandleTable() = default;
  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;

  // Enters the object and returns its new handle.
  Handle Insert(std::shared_ptr<KernelObject> object);

  // The object of an open handle, null for any other value. The caller's reference keeps the
  // object alive after the handle is closed.
  std::shared_ptr<KernelObject> Find(Handle handle) const;

  // The object of an open handle when it is a T, else null.
  template <typename T>
  std::shared_ptr<T> FindAs(Handle handle) const {
    return std::dynamic_pointer_cast<T>(Find(handle));
  }

  // Takes the handle out of the table and returns its object; null when it was not open.
  std::shared_ptr<KernelObject> Remove(Handle handle);

 private:
  static constexpr size_t kShardCount = 64;
  struct alignas(64) Shard {
    mutable std::shared_mutex mutex;
    std::unordered_map<Handle, std::shared_ptr<KernelObject>> objects;
  };
  Shard& ShardOf(Handle handle);
  const Shard& ShardOf(Handle handle) const;

  std::array<Shard, kShardCount> shards_;
  std::atomic<uint64_t> nextSerial_{1};
};

// Closes a handle: it leaves the table, the object is told (KernelObject::OnHandleClosed), and
// the object goes once no wait or call holds it any longer. False when the handle was not open.
bool CloseHandle(Handle handle);

}  // namespace platform
