#include "threadkit/critical_section.h"

#include <gtest/gtest.h>

#include <future>

#include "threadkit/instance.h"
#include "threadkit/module_init.h"

namespace {

// TryEnter from another thread, which leaves again when it got the lock.
int32_t TryEnterElsewhere(CriticalSection* const* lock) {
  return std::async(std::launch::async,
                    [lock] {
                      const int32_t got = CriticalSection::TryEnter(lock);
                      if (got) CriticalSection::Leave(lock);
                      return got;
                    })
      .get();
}

TEST(CriticalSection, TryEnterSucceedsWhenFreeOrOwnedAndFailsWhileAnotherThreadOwnsIt) {
  Instance<CriticalSection> lock;
  EXPECT_NE(CriticalSection::TryEnter(lock.Cell()), 0) << "free";
  EXPECT_NE(CriticalSection::TryEnter(lock.Cell()), 0) << "owned by the caller";
  EXPECT_EQ(TryEnterElsewhere(lock.Cell()), 0);
  CriticalSection::Leave(lock.Cell());
  CriticalSection::Leave(lock.Cell());
  EXPECT_NE(TryEnterElsewhere(lock.Cell()), 0);
}

TEST(CriticalSection, EnteredTwiceIsFreeOnlyAfterTheSecondLeave) {
  Instance<CriticalSection> lock;
  CriticalSection::Enter(lock.Cell());
  CriticalSection::Enter(lock.Cell());
  CriticalSection::Leave(lock.Cell());
  EXPECT_EQ(TryEnterElsewhere(lock.Cell()), 0);
  auto waiting = std::async(std::launch::async, [&] {
    CriticalSection::Enter(lock.Cell());
    CriticalSection::Leave(lock.Cell());
  });
  CriticalSection::Leave(lock.Cell());
  waiting.get();
}

TEST(CriticalSection, ACopyHasAFreeLockOfItsOwn) {
  Instance<CriticalSection> lock;
  CriticalSection::Enter(lock.Cell());
  Instance<CriticalSection> copy(CriticalSection::Copy(lock.Cell()));
  EXPECT_NE(copy.Get()->section, lock.Get()->section);
  EXPECT_NE(TryEnterElsewhere(copy.Cell()), 0);
  CriticalSection::Leave(lock.Cell());
  EXPECT_EQ(ModuleInitB(), 0);
}

}  // namespace
