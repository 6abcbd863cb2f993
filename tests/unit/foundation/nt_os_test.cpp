#include "corlink/foundation/nt_os.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "corlink/foundation/log.h"
#include "platform/windows_api.h"
#include "tests/support/test_root.h"
#include "tests/unit/foundation/log_capture.h"

namespace {

class NtOsTest : public ::testing::Test {
  protected:
    void SetUp() override { OpenDebugFile(nullptr); }  // no registry key: the log goes to the debugger output
    void TearDown() override { CloseDebugFile(); }
    testsupport::TestRoot root;
    DebuggerCapture debugger;
};

TEST_F(NtOsTest, LockIsRecursiveAndPassesToAWaiterOnLastRelease) {
    OS_LOCK* lock = os_CreateLock();
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(os_Lock(lock), 1);
    EXPECT_EQ(os_Lock(lock), 1);
    EXPECT_EQ(lock->count, 2u);

    std::atomic<bool> acquired{false};
    std::atomic<uint32_t> countSeen{0};
    std::thread waiter([&] {
        os_Lock(lock);
        acquired = true;
        countSeen = lock->count;
        os_Unlock(lock);
    });
    EXPECT_EQ(os_Unlock(lock), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(acquired.load());  // still held once
    EXPECT_NE(os_Unlock(lock), 0);
    waiter.join();
    EXPECT_TRUE(acquired.load());
    EXPECT_EQ(countSeen.load(), 1u);
    EXPECT_EQ(lock->count, 0u);
    EXPECT_EQ(lock->ownerThreadId, 0u);
    os_DeleteLock(lock);
}

TEST_F(NtOsTest, UnlockByANonOwnerIsRefusedAndLogged) {
    OS_LOCK* lock = os_CreateLock();
    os_Lock(lock);
    std::atomic<int> result{-1};
    std::thread([&] { result = os_Unlock(lock); }).join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_EQ(lock->count, 1u);
    EXPECT_EQ(lock->ownerThreadId, GetCurrentThreadId());
    EXPECT_NE(debugger.Text().find("ERROR: assertion failed! (0) at "), std::string::npos);
    os_Unlock(lock);
    os_DeleteLock(lock);
}

TEST_F(NtOsTest, SemaphoreFlagAndCounterProtocol) {
    HANDLE flag = os_CreateSemaphore("test_ShutDown");
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(os_IsFlagSet(flag), 0);
    int32_t count = -1;
    EXPECT_EQ(os_GetCount(flag, &count), 0);
    EXPECT_EQ(count, 0);  // the read left it at 0
    os_SetFlag(flag);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(os_IsFlagSet(flag), 1);
    os_GetCount(flag, &count);
    EXPECT_EQ(count, 100);

    HANDLE threads = os_CreateSemaphore("test_ThreadCount");
    for (int i = 0; i < 3; ++i) os_ReleaseSemaphore(threads);
    EXPECT_EQ(os_GetCount(threads, &count), 1);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(os_GetCount(threads, &count), 1);
    EXPECT_EQ(count, 3);
    os_TryWait(threads);
    os_GetCount(threads, &count);
    EXPECT_EQ(count, 2);

    EXPECT_EQ(os_IsFlagSet(nullptr), 0);
    EXPECT_EQ(os_GetCount(nullptr, &count), 0);
    EXPECT_EQ(count, 0);
    os_CloseSemaphore(flag);
    os_CloseSemaphore(threads);
}

TEST_F(NtOsTest, WaitsAndSleepsFollowTheirConventions) {
    platform::ScopedVirtualClock clock;
    HANDLE mutex = os_CreateMutex(nullptr);
    EXPECT_EQ(os_WaitForMutex(mutex, 0), 0);  // 0: no limit
    std::atomic<int> other{-1};
    std::thread([&] { other = os_WaitForMutex(mutex, 500); }).join();
    EXPECT_EQ(other.load(), 1);
    EXPECT_EQ(os_WaitForMutex(nullptr, 10), 2);
    os_ReleaseMutex(mutex);
    os_CloseMutex(mutex);

    os_SleepSeconds(-1);
    os_Sleep(-5);
    os_SleepSeconds(2);
    os_Sleep(0);
    EXPECT_EQ(clock->Sleeps(), (std::vector<uint32_t>{2000, 0}));
}

TEST_F(NtOsTest, ZeroSizeAllocationIsLoggedAndStillAsked) {
    void* block = os_Alloc(0);
    EXPECT_NE(debugger.Text().find("ERROR: assertion failed! (nBytes != 0) at "), std::string::npos);
    os_Free(block);
    uint8_t* zeroed = static_cast<uint8_t*>(os_Alloc(64));
    for (int i = 0; i < 64; ++i) ASSERT_EQ(zeroed[i], 0);
    os_Free(zeroed);
}

TEST_F(NtOsTest, VersionAndByteOrder) {
    uint32_t version = 0;
    EXPECT_EQ(os_GetVersion(&version), 4u);
    EXPECT_EQ(version, 0x00060200u);
    EXPECT_EQ(os_htonl(0x01020304), 0x04030201u);
    EXPECT_EQ(os_ntohs(0x0102), 0x0201);
    OS_SYSINFO info;
    EXPECT_EQ(os_GetSystemInfo(&info), 1);
    EXPECT_EQ(std::string(info.processorName).rfind(" Processors:", 0), 0u);
}

}  // namespace
