#include "platform/kernel/sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/kernel/last_error.h"
#include "platform/time/clock.h"

namespace {

TEST(SyncTest, NamedMutexIsSharedByNameAndRecursiveForItsOwner) {
    HANDLE a = CreateMutexA(nullptr, FALSE, "test_mutex_shared");
    ASSERT_NE(a, nullptr);
    HANDLE b = OpenMutexA(SYNCHRONIZE, FALSE, "test_mutex_shared");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, "test_mutex_missing"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(WaitForSingleObject(a, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);  // recursive
    std::atomic<DWORD> other{0};
    std::thread([&] { other = WaitForSingleObject(b, 0); }).join();
    EXPECT_EQ(other.load(), WAIT_TIMEOUT);
    std::atomic<BOOL> foreignRelease{TRUE};
    std::thread([&] { foreignRelease = ReleaseMutex(a); }).join();
    EXPECT_FALSE(foreignRelease.load());
    EXPECT_TRUE(ReleaseMutex(a));
    EXPECT_TRUE(ReleaseMutex(a));
    EXPECT_FALSE(ReleaseMutex(a));
    std::thread([&] {
        other = WaitForSingleObject(b, 0);
        ReleaseMutex(b);
    }).join();
    EXPECT_EQ(other.load(), WAIT_OBJECT_0);
    CloseHandle(a);
    CloseHandle(b);
    EXPECT_FALSE(CloseHandle(b));
}

TEST(SyncTest, SemaphoreCountsWithinItsMaximum) {
    HANDLE s = CreateSemaphoreA(nullptr, 0, 5, nullptr);
    LONG previous = -1;
    EXPECT_TRUE(ReleaseSemaphore(s, 3, &previous));
    EXPECT_EQ(previous, 0);
    EXPECT_FALSE(ReleaseSemaphore(s, 3, &previous));
    EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseSemaphore(s, 1, &previous));
    EXPECT_EQ(previous, 2);
    CloseHandle(s);
}

TEST(SyncTest, TimeOutsGoThroughTheVirtualClock) {
    platform::ScopedVirtualClock clock;
    HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    uint64_t before = clock->NowMs();
    EXPECT_EQ(WaitForSingleObject(e, 60000), WAIT_TIMEOUT);
    EXPECT_EQ(clock->NowMs() - before, 60000u);
    SetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);  // auto-reset
    Sleep(6000);
    EXPECT_EQ(clock->Sleeps(), std::vector<uint32_t>{6000});
    CloseHandle(e);
}

TEST(SyncTest, ThreadHandleIsSignalledWhenTheThreadEnds) {
    static std::atomic<int> ran{0};
    auto body = [](void*) -> unsigned {
        ran = 1;
        return 0;
    };
    HANDLE t = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, body, nullptr, 0, nullptr));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(WaitForSingleObject(t, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(ran.load(), 1);
    CloseHandle(t);
}

}  // namespace
