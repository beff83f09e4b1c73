// The named link lock: shared by name, bounded waits, never left held.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

#include "comm/link_lock.h"

namespace kvx {
namespace {

using namespace std::chrono_literals;

TEST(NamedLock, HandlesOfOneNameShareOneLockAndOtherNamesAreIndependent) {
  NamedLockHandle first("test-shared");
  EXPECT_TRUE(first.Created());
  NamedLockHandle second("test-shared");
  EXPECT_FALSE(second.Created());
  NamedLockHandle other("test-other");
  EXPECT_TRUE(other.Created());

  ASSERT_TRUE(first.TryLock());
  EXPECT_FALSE(second.TryLockFor(20ms));
  EXPECT_TRUE(other.TryLock());
  first.Unlock();
  EXPECT_TRUE(second.TryLock());
}

TEST(NamedLock, LockDisappearsWithItsLastHandle) {
  { NamedLockHandle h("test-transient"); }
  NamedLockHandle again("test-transient");
  EXPECT_TRUE(again.Created());
}

TEST(NamedLock, ReleasedWhenAnExchangeThrows) {
  try {
    NamedLockHandle h("test-throw");
    ASSERT_TRUE(h.TryLock());
    throw std::runtime_error("port fault");
  } catch (const std::runtime_error&) {
  }
  NamedLockHandle h("test-throw");
  EXPECT_TRUE(h.TryLock());
}

TEST(NamedLock, ReleasedWhenTheHoldingThreadEnds) {
  NamedLockHandle keepOpen("test-thread");
  std::thread([] {
    NamedLockHandle h("test-thread");
    ASSERT_TRUE(h.TryLock());
  }).join();
  EXPECT_TRUE(keepOpen.TryLockFor(1000ms));
}

TEST(NamedLock, WaitGetsTheLockWhenTheHolderLetsGo) {
  NamedLockHandle holder("test-wait");
  ASSERT_TRUE(holder.TryLock());
  auto waiter = std::async(std::launch::async, [] {
    NamedLockHandle h("test-wait");
    return h.TryLockFor(10000ms);
  });
  std::this_thread::sleep_for(50ms);
  holder.Unlock();
  EXPECT_TRUE(waiter.get());
}

}  // namespace
}  // namespace kvx
