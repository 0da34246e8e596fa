#include "threadkit/critical_section.h"

const CriticalSection::Operations CriticalSection::kOperations = {
    &CriticalSection::Destruct, &CriticalSection::Copy,     &CriticalSection::Enter,
    &CriticalSection::Leave,    &CriticalSection::TryEnter,
};

CriticalSection* CriticalSection::New() {
  auto* instance = new CriticalSection{&kOperations, nullptr};
  Init(&instance);
  return instance;
}

void CriticalSection::Init(CriticalSection* const* self) {
  (*self)->section = std::make_unique<platform::RecursiveLock>();
}

void CriticalSection::Term(CriticalSection* const* self) { (*self)->section.reset(); }

void CriticalSection::Destruct(CriticalSection* const* self) { Term(self); }

CriticalSection* CriticalSection::Copy(CriticalSection* const* self) {
  auto* copy = new CriticalSection{(*self)->operations, nullptr};
  Init(&copy);
  return copy;
}

void CriticalSection::Enter(CriticalSection* const* self) { (*self)->section->Enter(); }

void CriticalSection::Leave(CriticalSection* const* self) { (*self)->section->Leave(); }

int32_t CriticalSection::TryEnter(CriticalSection* const* self) {
  return (*self)->section->TryEnter() ? 1 : 0;
}
