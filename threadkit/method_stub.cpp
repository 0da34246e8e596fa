#include "threadkit/method_stub.h"

#include <atomic>
#include <cstring>
#include <span>

#include "platform/kernel/executable_memory.h"
#include "threadkit/add_offset.h"
#include "threadkit/stub_code.h"

MethodStub MakeMethodStub(const void* self, int32_t k) {
  if (k == 0) return 0;
  const intptr_t instance = ReadDword(reinterpret_cast<intptr_t>(self));
  const intptr_t operation = TableEntry(instance, AddOffset(k, int32_t{2}));
  if (operation <= 0) return 0;
  const intptr_t epilogue = GetStubEpilogue();
  if (epilogue == 0) return 0;
  return AllocExecutable(MethodStubCode(instance, operation, epilogue));
}

void FreeExecutable(intptr_t address) {
  if (address == 0) return;
  platform::FreeExecutableMemory(reinterpret_cast<void*>(address));
}

intptr_t ReadDword(intptr_t address) {
  intptr_t word;
  std::memcpy(&word, reinterpret_cast<const void*>(address), sizeof word);
  return word;
}

intptr_t TableEntry(intptr_t instance, int32_t a) {
  if (a < 1) return 0;
  const intptr_t offset = static_cast<intptr_t>(sizeof(intptr_t)) * (a - 1);
  return ReadDword(AddOffset(ReadDword(instance), offset));
}

intptr_t GetStubEpilogue() {
  static std::atomic<intptr_t> epilogue{0};
  intptr_t made = epilogue.load(std::memory_order_acquire);
  if (made != 0) return made;
  made = AllocExecutable(StubEpilogueCode());
  if (made == 0) return 0;
  intptr_t expected = 0;
  if (!epilogue.compare_exchange_strong(expected, made, std::memory_order_acq_rel)) {
    // Another thread made one first: every stub uses that one.
    FreeExecutable(made);
    return expected;
  }
  return made;
}

intptr_t AllocExecutable(const ByteArray& bytes) {
  const std::string_view view = bytes.View();
  return reinterpret_cast<intptr_t>(platform::AllocateExecutableMemory(
      std::span(reinterpret_cast<const uint8_t*>(view.data()), view.size())));
}
