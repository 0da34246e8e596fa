#include "platform/kernel/handle_table.h"

#include <mutex>

namespace platform {

HandleTable& HandleTable::Process() {
  static HandleTable* table = new HandleTable;
  return *table;
}

HandleTable::Shard& HandleTable::ShardOf(Handle handle) {
  return shards_[static_cast<uintptr_t>(handle) / 4 % kShardCount];
}

const HandleTable::Shard& HandleTable::ShardOf(Handle handle) const {
  return shards_[static_cast<uintptr_t>(handle) / 4 % kShardCount];
}

Handle HandleTable::Insert(std::shared_ptr<KernelObject> object) {
  const Handle handle = static_cast<Handle>(nextSerial_.fetch_add(1) * 4);
  Shard& shard = ShardOf(handle);
  std::unique_lock lock(shard.mutex);
  shard.objects.emplace(handle, std::move(object));
  return handle;
}

std::shared_ptr<KernelObject> HandleTable::Find(Handle handle) const {
  if (handle <= 0 || handle % 4 != 0) return nullptr;
  const Shard& shard = ShardOf(handle);
  std::shared_lock lock(shard.mutex);
  auto found = shard.objects.find(handle);
  return found == shard.objects.end() ? nullptr : found->second;
}

std::shared_ptr<KernelObject> HandleTable::Remove(Handle handle) {
  if (handle <= 0 || handle % 4 != 0) return nullptr;
  Shard& shard = ShardOf(handle);
  std::unique_lock lock(shard.mutex);
  auto found = shard.objects.find(handle);
  if (found == shard.objects.end()) return nullptr;
  std::shared_ptr<KernelObject> object = std::move(found->second);
  shard.objects.erase(found);
  return object;
}

bool CloseHandle(Handle handle) {
  std::shared_ptr<KernelObject> object = HandleTable::Process().Remove(handle);
  if (!object) return false;
  object->OnHandleClosed();
  return true;
}

}  // namespace platform
