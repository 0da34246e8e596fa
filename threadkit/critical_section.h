// CriticalSection: a lock within the process that one thread owns at a time. The owner may
// enter it again and must leave it as often as it entered.
//
// The windowed program's log writer is its one user; keep it that way where you can: a second
// lock taken while this one is held is the start of a lock-order problem.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/kernel/recursive_lock.h"

struct CriticalSection {
  // The operation table, in this order.
  struct Operations {
    void (*destruct)(CriticalSection* const* self);
    CriticalSection* (*copy)(CriticalSection* const* self);
    void (*enter)(CriticalSection* const* self);
    void (*leave)(CriticalSection* const* self);
    int32_t (*tryEnter)(CriticalSection* const* self);
  };
  static const Operations kOperations;

  const Operations* operations;
  // The platform lock, owned by the instance: made by Init, gone after Term.
  std::unique_ptr<platform::RecursiveLock> section;

  // The holder's part of creation: a new instance with its table set, after Init.
  static CriticalSection* New();
  // Construction and destruction hooks.
  static void Init(CriticalSection* const* self);
  static void Term(CriticalSection* const* self);

  // Runs Term; the holder frees the instance afterwards. No thread may own the lock, wait for it
  // or enter it later.
  static void Destruct(CriticalSection* const* self);
  // A new instance with a lock of its own, free, whatever the state of this one's.
  static CriticalSection* Copy(CriticalSection* const* self);
  // Returns once the calling thread owns the lock.
  static void Enter(CriticalSection* const* self);
  // Leaves once; the calling thread must own the lock.
  static void Leave(CriticalSection* const* self);
  // Never waits: non-zero when the calling thread owns the lock now (also when it already did),
  // 0 when another thread owns it. A non-zero result needs its Leave.
  static int32_t TryEnter(CriticalSection* const* self);
};
