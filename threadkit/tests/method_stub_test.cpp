#include "threadkit/method_stub.h"

#include <gtest/gtest.h>

#include <cstring>

#include "platform/kernel/event.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/wait.h"
#include "threadkit/instance.h"
#include "threadkit/stub_code.h"
#include "threadkit/thread.h"

// A harness in assembly, for what C++ cannot see: CallStubAndCheck loads known values into the
// callee-saved registers and the floating-point controls, calls a stub and records what it
// finds after the return; StubProbeOperation, reached through the stub, records how it was
// entered and then clobbers what the epilogue must restore.
extern "C" {
intptr_t CallStubAndCheck(intptr_t stub, intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4);
intptr_t StubProbeOperation(const void* cell, intptr_t a1, intptr_t a2, intptr_t a3, intptr_t a4);

// Set by the test: the controls the harness calls with, and the ones the probe leaves.
uint32_t gCallerMxcsr;
uint16_t gCallerFcw;
uint32_t gClobberMxcsr;
uint16_t gClobberFcw;

// What the probe saw at its entry.
struct ProbeRecord {
  uint64_t stackBeforeCall;  // rsp + 8 at entry: 16-byte aligned by the ABI
  uint64_t cell;
  uint64_t cellWord;
  uint64_t arguments[4];
  uint32_t mxcsr;
  uint16_t fcw;
  uint16_t padding;
  uint64_t returnAddress;
} gProbe;

// What the harness found after the stub returned, and what it expected of the stack pointer.
struct AfterRecord {
  uint64_t rsp, expectedRsp, rbp, expectedRbp, rbx, r12, r13, r14, r15, rdx;
  uint32_t mxcsr;
  uint16_t fcw;
} gAfter;
}

asm(R"(
  .pushsection .text
  .globl CallStubAndCheck
  .type CallStubAndCheck, @function
CallStubAndCheck:
  push %rbp
  mov %rsp, %rbp
  push %rbx
  push %r12
  push %r13
  push %r14
  push %r15
  sub $24, %rsp
  stmxcsr (%rsp)
  fnstcw 4(%rsp)
  mov %rdi, 8(%rsp)
  ldmxcsr gCallerMxcsr(%rip)
  fldcw gCallerFcw(%rip)
  movabs $0x1111111111111111, %rbx
  movabs $0x2222222222222222, %r12
  movabs $0x3333333333333333, %r13
  movabs $0x4444444444444444, %r14
  movabs $0x5555555555555555, %r15
  mov %rsi, %rdi
  mov %rdx, %rsi
  mov %rcx, %rdx
  mov %r8, %rcx
  mov %rsp, gAfter+8(%rip)
  mov %rbp, gAfter+24(%rip)
  call *8(%rsp)
  mov %rsp, gAfter+0(%rip)
  mov %rbp, gAfter+16(%rip)
  mov %rbx, gAfter+32(%rip)
  mov %r12, gAfter+40(%rip)
  mov %r13, gAfter+48(%rip)
  mov %r14, gAfter+56(%rip)
  mov %r15, gAfter+64(%rip)
  mov %rdx, gAfter+72(%rip)
  stmxcsr gAfter+80(%rip)
  fnstcw gAfter+84(%rip)
  ldmxcsr (%rsp)
  fldcw 4(%rsp)
  add $24, %rsp
  pop %r15
  pop %r14
  pop %r13
  pop %r12
  pop %rbx
  pop %rbp
  ret
  .size CallStubAndCheck, .-CallStubAndCheck

  .globl StubProbeOperation
  .type StubProbeOperation, @function
StubProbeOperation:
  lea 8(%rsp), %rax
  mov %rax, gProbe+0(%rip)
  mov %rdi, gProbe+8(%rip)
  mov (%rdi), %rax
  mov %rax, gProbe+16(%rip)
  mov %rsi, gProbe+24(%rip)
  mov %rdx, gProbe+32(%rip)
  mov %rcx, gProbe+40(%rip)
  mov %r8, gProbe+48(%rip)
  stmxcsr gProbe+56(%rip)
  fnstcw gProbe+60(%rip)
  mov (%rsp), %rax
  mov %rax, gProbe+64(%rip)
  movabs $-1, %rbx
  movabs $-1, %r12
  movabs $-1, %r13
  movabs $-1, %r14
  movabs $-1, %r15
  ldmxcsr gClobberMxcsr(%rip)
  fldcw gClobberFcw(%rip)
  movabs $0x0123456789ABCDEF, %rax
  movabs $0x0FEDCBA987654321, %rdx
  ret
  .size StubProbeOperation, .-StubProbeOperation
  .popsection
)");

namespace {

// A class whose operations stubs reach: Destruct, Copy, then its own operations.
struct Probe {
  struct Operations {
    void (*destruct)(Probe* const* self);
    Probe* (*copy)(Probe* const* self);
    intptr_t (*assemblyProbe)(const void* cell, intptr_t, intptr_t, intptr_t, intptr_t);
    intptr_t (*noArguments)(Probe* const* self);
    uint32_t (*threadMain)(Probe* const* self, intptr_t parameter);
    void* missing;  // an entry that is 0
    intptr_t (*fourArguments)(Probe* const* self, intptr_t, intptr_t, intptr_t, intptr_t);
  };
  static const Operations kOperations;
  static Probe* New() { return new Probe{&kOperations, 0}; }

  const Operations* operations;
  intptr_t field;
};

const Probe::Operations Probe::kOperations = {
    [](Probe* const*) {},
    [](Probe* const* self) { return new Probe(**self); },
    &StubProbeOperation,
    [](Probe* const* self) { return (*self)->field + 1; },
    [](Probe* const* self, intptr_t parameter) {
      (*self)->field = parameter * 2;
      return static_cast<uint32_t>(parameter + 1);
    },
    nullptr,
    [](Probe* const* self, intptr_t a, intptr_t b, intptr_t c, intptr_t d) {
      return (*self)->field + a * 1000 + b * 100 + c * 10 + d;
    },
};

using StubRoutine = intptr_t (*)(intptr_t, intptr_t, intptr_t, intptr_t);
StubRoutine AsRoutine(MethodStub stub) { return reinterpret_cast<StubRoutine>(stub); }

class MethodStubTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (MethodStub stub : stubs_) FreeExecutable(stub);
  }
  MethodStub Make(int32_t k) {
    const MethodStub stub = MakeMethodStub(probe_.Cell(), k);
    if (stub) stubs_.push_back(stub);
    return stub;
  }
  Instance<Probe> probe_;
  std::vector<MethodStub> stubs_;
};

TEST_F(MethodStubTest, EntersTheOperationAsTheSystemCallsOperationsAndRestoresTheCaller) {
  const MethodStub stub = Make(1);
  ASSERT_NE(stub, 0);
  gCallerMxcsr = 0x7F80;  // round toward zero
  gCallerFcw = 0x0F7F;    // round toward zero
  gClobberMxcsr = 0x3F80;
  gClobberFcw = 0x077F;
  const intptr_t result = CallStubAndCheck(stub, 11, 22, 33, 44);

  EXPECT_EQ(gProbe.stackBeforeCall % 16, 0u) << "aligned at the operation's entry";
  EXPECT_EQ(gProbe.cellWord, reinterpret_cast<uint64_t>(probe_.Get()));
  EXPECT_EQ(gProbe.arguments[0], 11u);
  EXPECT_EQ(gProbe.arguments[1], 22u);
  EXPECT_EQ(gProbe.arguments[2], 33u);
  EXPECT_EQ(gProbe.arguments[3], 44u);
  EXPECT_EQ(gProbe.mxcsr, 0x1F80u) << "MXCSR reset";
  EXPECT_EQ(gProbe.fcw, 0x037F) << "x87 reset";
  EXPECT_EQ(gProbe.returnAddress, static_cast<uint64_t>(GetStubEpilogue()));

  EXPECT_EQ(result, 0x0123456789ABCDEF);
  EXPECT_EQ(gAfter.rdx, 0x0FEDCBA987654321u) << "a two-word result passes too";
  EXPECT_EQ(gAfter.rsp, gAfter.expectedRsp);
  EXPECT_EQ(gAfter.rbp, gAfter.expectedRbp);
  EXPECT_EQ(gAfter.rbx, 0x1111111111111111u);
  EXPECT_EQ(gAfter.r12, 0x2222222222222222u);
  EXPECT_EQ(gAfter.r13, 0x3333333333333333u);
  EXPECT_EQ(gAfter.r14, 0x4444444444444444u);
  EXPECT_EQ(gAfter.r15, 0x5555555555555555u);
  EXPECT_EQ(gAfter.mxcsr, 0x7F80u);
  EXPECT_EQ(gAfter.fcw, 0x0F7F);
}

TEST_F(MethodStubTest, OperationsOfAnyArityGetTheInstanceAndReturnTheirResult) {
  probe_.Get()->field = 5;
  EXPECT_EQ(AsRoutine(Make(2))(9, 9, 9, 9), 6);
  EXPECT_EQ(AsRoutine(Make(5))(1, 2, 3, 4), 5 + 1234);
}

TEST_F(MethodStubTest, AThreadStartedOnAStubRunsItsOperation) {
  Instance<Thread> thread;
  int32_t exitCode = 0;
  ASSERT_EQ(Thread::StartAddress(thread.Cell(), Make(3),
                                 {.param = 20, .wait = true, .outExitCode = &exitCode}),
            1);
  EXPECT_EQ(exitCode, 21);
  EXPECT_EQ(probe_.Get()->field, 40);
}

TEST_F(MethodStubTest, StubsShareOneEpilogue) {
  const MethodStub first = Make(2);
  const MethodStub second = Make(5);
  const intptr_t epilogue = GetStubEpilogue();
  EXPECT_NE(epilogue, 0);
  EXPECT_EQ(ReadDword(first + 77), epilogue);
  EXPECT_EQ(ReadDword(second + 77), epilogue);
  EXPECT_EQ(GetStubEpilogue(), epilogue);
  EXPECT_EQ(ByteArray(reinterpret_cast<const char*>(epilogue), 32), StubEpilogueCodeX64());
}

TEST_F(MethodStubTest, NoStubForOperationZeroOrAnEmptyEntry) {
  EXPECT_EQ(Make(0), 0);
  EXPECT_EQ(Make(4), 0);
  const auto instance = reinterpret_cast<intptr_t>(probe_.Get());
  EXPECT_EQ(TableEntry(instance, 0), 0);
  EXPECT_EQ(TableEntry(instance, -3), 0);
  EXPECT_EQ(TableEntry(instance, 4), reinterpret_cast<intptr_t>(Probe::kOperations.noArguments));
  EXPECT_EQ(Make(INT32_MAX), 0) << "k + 2 wraps below 1";
  FreeExecutable(0);
}

TEST(MethodStub, ReachesAThreadsOperationsInTheirOrder) {
  Instance<Thread> thread;
  const MethodStub isRunning = MakeMethodStub(thread.Cell(), 2);
  const MethodStub exitCode = MakeMethodStub(thread.Cell(), 12);
  EXPECT_EQ(AsRoutine(isRunning)(0, 0, 0, 0), 0);
  EXPECT_EQ(AsRoutine(exitCode)(0, 0, 0, 0), 0);
  const platform::Handle release = platform::CreateEvent(true, false);
  Thread::Start(thread.Cell(),
                [](intptr_t event) {
                  platform::WaitForSingleObject(event, platform::INFINITE);
                  return 0u;
                },
                {.param = release});
  EXPECT_EQ(static_cast<int32_t>(AsRoutine(isRunning)(0, 0, 0, 0)), 1);
  EXPECT_EQ(static_cast<int32_t>(AsRoutine(exitCode)(0, 0, 0, 0)), 259);
  platform::SetEvent(release);
  Thread::Wait(thread.Cell());
  platform::CloseHandle(release);
  FreeExecutable(isRunning);
  FreeExecutable(exitCode);
}

}  // namespace
