#include "threadkit/thread.h"

#include "platform/kernel/handle_table.h"
#include "platform/kernel/interlocked.h"
#include "platform/kernel/wait.h"
#include "threadkit/do_events.h"
#include "threadkit/stack_size.h"

using platform::INFINITE;
using platform::InterlockedCompareExchange;
using platform::InterlockedExchange;
using platform::WAIT_FAILED;
using platform::WAIT_OBJECT_0;
using platform::WAIT_TIMEOUT;

namespace {

// Any input or posted message, timer, paint or hot key wakes a message wait; sent messages
// alone do not.
constexpr uint32_t kWakeMask = platform::QS_KEY | platform::QS_MOUSEMOVE |
                               platform::QS_MOUSEBUTTON | platform::QS_POSTMESSAGE |
                               platform::QS_TIMER | platform::QS_PAINT | platform::QS_HOTKEY |
                               platform::QS_RAWINPUT;

intptr_t ReadHandle(Thread* const* self) {
  return InterlockedCompareExchange((*self)->handle, 0, 0);
}

// The placeholder that a start holds the field with until its thread exists.
constexpr intptr_t kStarting = 1;

intptr_t EmptyHandle(Thread* const* self) { return InterlockedExchange((*self)->handle, 0); }

// Empties the field when it still holds h, the handle a probe has judged, and tells whether it
// did. A start may have put its placeholder or its new handle there in the meantime, and the
// placeholder itself is never the probe's to remove: either would let a second start in.
bool Forget(Thread* const* self, intptr_t h) {
  return h != kStarting && InterlockedCompareExchange((*self)->handle, 0, h) == h;
}

uint32_t Milliseconds(std::optional<int32_t> timeout) {
  return timeout ? static_cast<uint32_t>(*timeout) : INFINITE;
}

// How the three waits judge the result of their last platform wait.
int32_t JudgeWait(Thread* const* self, intptr_t h, uint32_t result) {
  if (result == WAIT_TIMEOUT) return 0;
  if (result == WAIT_OBJECT_0) return 1;
  if (result == WAIT_FAILED) {
    Forget(self, h);
    return 1;
  }
  return 0;
}

bool IsFinalMessageWait(uint32_t result) {
  return result == WAIT_FAILED || result == WAIT_OBJECT_0 || result == WAIT_TIMEOUT;
}

}  // namespace

const Thread::Operations Thread::kOperations = {
    &Thread::Destruct,     &Thread::Copy,         &Thread::Close,       &Thread::IsRunning,
    &Thread::Start,        &Thread::StartAddress, &Thread::Wait,        &Thread::WaitPumping,
    &Thread::WaitMessages, &Thread::Suspend,      &Thread::Resume,      &Thread::Detach,
    &Thread::Terminate,    &Thread::ExitCode,     &Thread::GetPriority, &Thread::SetPriority,
    &Thread::SetAffinity,  &Thread::Handle,       &Thread::SetHandle,
};

Thread* Thread::New() { return new Thread{&kOperations, 0}; }

void Thread::Term(Thread* const* self) { (*self)->operations->detach(self); }

void Thread::Destruct(Thread* const* self) { Term(self); }

Thread* Thread::Copy(Thread* const* self) {
  return new Thread{(*self)->operations, platform::LoadRelaxed((*self)->handle)};
}

int32_t Thread::Close(Thread* const* self, bool closeHandle) {
  const intptr_t h = ReadHandle(self);
  if (h == 0) return 1;
  // A start in progress holds the field: it is not empty, and its thread is as good as running.
  if (h == kStarting) return 0;
  const uint32_t r = platform::WaitForSingleObject(h, 0);
  if (r == WAIT_TIMEOUT) return 0;
  if (r == WAIT_OBJECT_0) {
    if (Forget(self, h) && closeHandle) platform::CloseHandle(h);
    return 1;
  }
  if (r == WAIT_FAILED) {
    Forget(self, h);
    return 1;
  }
  return 0;
}

int32_t Thread::IsRunning(Thread* const* self) {
  const intptr_t h = ReadHandle(self);
  if (h == 0) return 0;
  const uint32_t r = platform::WaitForSingleObject(h, 0);
  if (r == WAIT_TIMEOUT) return 1;
  if (r == WAIT_OBJECT_0) return 0;
  if (r == WAIT_FAILED) {
    Forget(self, h);
    return 0;
  }
  return 1;
}

int32_t Thread::Start(Thread* const* self, ThreadRoutine routine,
                      const ThreadStartOptions& options) {
  if ((*self)->operations->close(self, true) == 0) return 0;
  if (InterlockedCompareExchange((*self)->handle, 1, 0) != 0) return 0;
  const uint32_t flags = options.suspended ? platform::CREATE_SUSPENDED : 0;
  platform::ThreadId threadId = 0;
  const auto stackSize = static_cast<size_t>(SettledStackSize(options.stackSize.value_or(0), 4096));
  const intptr_t h = platform::CreateThread(stackSize, routine, options.param, flags, &threadId);
  InterlockedExchange((*self)->handle, h);
  if (h == 0) {
    if (options.outHandle) *options.outHandle = 0;
    return 0;
  }
  if (options.wait && !options.suspended) {
    uint32_t r;
    if (options.pump) {
      const uint32_t t =
          !options.timeout || *options.timeout == -1 ? INFINITE : Milliseconds(options.timeout);
      do {
        DoEvents();
        r = platform::MsgWaitForMultipleObjects(1, &h, false, t, kWakeMask);
      } while (!IsFinalMessageWait(r));
    } else {
      r = platform::WaitForSingleObject(h, Milliseconds(options.timeout));
    }
    if (r == WAIT_FAILED) {
      if (options.outHandle) *options.outHandle = 0;
      return 0;
    }
    if (r == WAIT_OBJECT_0) {
      if (options.outExitCode) {
        uint32_t code = 0;
        platform::GetExitCodeThread(h, &code);
        *options.outExitCode = static_cast<int32_t>(code);
      }
      Forget(self, h);
      platform::CloseHandle(h);
      if (options.outHandle) *options.outHandle = 0;
      return 1;
    }
  }
  if (options.outHandle) *options.outHandle = h;
  return 1;
}

int32_t Thread::StartAddress(Thread* const* self, intptr_t address,
                             const ThreadStartOptions& options) {
  if (address == 0) return 0;
  return (*self)->operations->start(self, reinterpret_cast<ThreadRoutine>(address), options);
}

int32_t Thread::Wait(Thread* const* self, std::optional<int32_t> timeout) {
  const intptr_t h = ReadHandle(self);
  if (h == 0) return 1;
  return JudgeWait(self, h, platform::WaitForSingleObject(h, Milliseconds(timeout)));
}

int32_t Thread::WaitPumping(Thread* const* self, std::optional<int32_t> timeout) {
  const intptr_t h = ReadHandle(self);
  if (h == 0) return 1;
  uint32_t r;
  if (!timeout || *timeout < 0) {
    // Below -1 too: a negative limit can only mean none.
    r = platform::WaitForSingleObject(h, 15);
    while (r == WAIT_TIMEOUT) {
      DoEvents();
      r = platform::WaitForSingleObject(h, 15);
    }
  } else {
    r = platform::WaitForSingleObject(h, static_cast<uint32_t>(*timeout % 15));
    for (int32_t steps = *timeout / 15; steps > 0 && r == WAIT_TIMEOUT; --steps) {
      DoEvents();
      r = platform::WaitForSingleObject(h, 15);
    }
  }
  return JudgeWait(self, h, r);
}

int32_t Thread::WaitMessages(Thread* const* self, std::optional<int32_t> timeout) {
  const intptr_t h = ReadHandle(self);
  if (h == 0) return 1;
  const uint32_t t = Milliseconds(timeout);
  uint32_t r = platform::MsgWaitForMultipleObjects(1, &h, false, t, kWakeMask);
  while (!IsFinalMessageWait(r)) {
    DoEvents();
    r = platform::MsgWaitForMultipleObjects(1, &h, false, t, kWakeMask);
  }
  return JudgeWait(self, h, r);
}

int32_t Thread::Suspend(Thread* const* self) {
  if ((*self)->operations->close(self, false) == 1) return 0;
  return platform::SuspendThread(platform::LoadRelaxed((*self)->handle)) != -1 ? 1 : 0;
}

int32_t Thread::Resume(Thread* const* self) {
  if ((*self)->operations->close(self, false) == 1) return 0;
  return platform::ResumeThread(platform::LoadRelaxed((*self)->handle)) != -1 ? 1 : 0;
}

int32_t Thread::Terminate(Thread* const* self) {
  if ((*self)->operations->close(self, false) == 1) return 1;
  platform::TerminateThread(platform::LoadRelaxed((*self)->handle), 0);
  return (*self)->operations->close(self, false);
}

int32_t Thread::GetPriority(Thread* const* self) {
  if ((*self)->operations->close(self, false) == 1) return 0;
  return platform::GetThreadPriority(platform::LoadRelaxed((*self)->handle));
}

int32_t Thread::SetPriority(Thread* const* self, int32_t priority) {
  if ((*self)->operations->close(self, false) == 1) return 0;
  return platform::SetThreadPriority(platform::LoadRelaxed((*self)->handle), priority) ? 1 : 0;
}

int32_t Thread::SetAffinity(Thread* const* self, int32_t mask) {
  if ((*self)->operations->close(self, false) == 1) return 0;
  const auto bits = static_cast<uintptr_t>(static_cast<uint32_t>(mask));
  return platform::SetThreadAffinityMask(platform::LoadRelaxed((*self)->handle), bits) != 0 ? 1 : 0;
}

int32_t Thread::Detach(Thread* const* self) {
  const intptr_t old = EmptyHandle(self);
  if (old == 0) return 1;
  return platform::CloseHandle(old) ? 1 : 0;
}

int32_t Thread::ExitCode(Thread* const* self) {
  const intptr_t h = ReadHandle(self);
  if (h == 0) return 0;
  uint32_t code = 0;
  if (!platform::GetExitCodeThread(h, &code)) return 0;
  return static_cast<int32_t>(code);
}

intptr_t Thread::Handle(Thread* const* self) { return platform::LoadRelaxed((*self)->handle); }

void Thread::SetHandle(Thread* const* self, intptr_t handle) {
  (*self)->operations->detach(self);
  platform::StoreRelaxed((*self)->handle, handle);
}
