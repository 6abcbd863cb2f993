// The layer's helpers that the proxy does not use: each does its one platform call.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "corlink/foundation/nt_os.h"
#include "platform/net/mailslot.h"
#include "platform/time/clock.h"
#include "platform/windows_api.h"
#include "tests/support/test_root.h"

namespace {

std::atomic<int> g_started{0};

unsigned CountStart(void* argument) {
    if (argument == nullptr) ++g_started;
    return 0;
}

TEST(NtOsExtraTest, EachHelperDoesItsOneCall) {
    testsupport::TestRoot root;
    const struct {
        const char* name;
        std::function<void()> check;
    } cases[] = {
        // clang-format off
        {"os_AllocBlock zero-fills like os_Alloc",
         [] {
             auto* block = static_cast<uint8_t*>(os_AllocBlock(32));
             ASSERT_NE(block, nullptr);
             for (int i = 0; i < 32; ++i) EXPECT_EQ(block[i], 0);
             os_Free(block);
         }},
         {"a named event starts unsignalled, is opened by name, and lets one waiter through per signal",
         [] {
             HANDLE event = os_CreateNamedEvent("nt_os_extra_event");
             ASSERT_NE(event, nullptr);
             EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
             HANDLE opened = os_OpenEvent("nt_os_extra_event");
             ASSERT_NE(opened, nullptr);
             EXPECT_TRUE(os_SetEvent(opened));
             EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
             EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT) << "auto-reset";
             os_CloseHandle(opened);
             os_CloseHandle(event);
         }},
        {"an unnamed event, and signalling no event",
         [] {
             HANDLE event = os_CreateEvent();
             ASSERT_NE(event, nullptr);
             EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
             EXPECT_TRUE(os_SetEvent(event));
             EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
             EXPECT_FALSE(os_SetEvent(nullptr));
             os_CloseHandle(event);
         }},
        {"a semaphore opened by name shares the count",
         [] {
             HANDLE semaphore = os_CreateSemaphore("nt_os_extra_semaphore");
             ASSERT_NE(semaphore, nullptr);
             HANDLE opened = os_OpenSemaphore("nt_os_extra_semaphore");
             ASSERT_NE(opened, nullptr);
             os_ReleaseSemaphore(opened);
             int32_t count = 0;
             EXPECT_EQ(os_GetCount(semaphore, &count), 1);
             EXPECT_EQ(count, 1);
             EXPECT_EQ(os_OpenSemaphore("nt_os_extra_missing"), nullptr);
             os_CloseSemaphore(opened);
             os_CloseSemaphore(semaphore);
         }},
        {"a thread started without an argument",
         [] {
             g_started = 0;
             HANDLE thread = os_StartThread(&CountStart);
             ASSERT_NE(thread, nullptr);
             EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
             EXPECT_EQ(g_started.load(), 1);
             os_CloseThread(thread);
         }},
        {"an existing file is opened, read and written; a missing one and no handle fail",
         [&root] {
             std::filesystem::create_directories(root.path() + "/C/nt_os_extra");
             testsupport::WriteWholeFile(root.path() + "/C/nt_os_extra/data.dat", "abcdef");
             HANDLE file = os_OpenFile("C:\\nt_os_extra\\data.dat");
             ASSERT_NE(file, nullptr);
             char read[4] = {};
             EXPECT_EQ(os_ReadFile(file, read, 3), 3u);
             EXPECT_EQ(std::string(read, 3), "abc");
             EXPECT_EQ(os_WriteFile(file, "XY", 2), 2u);
             EXPECT_EQ(os_ReadFile(file, read, 4), 1u) << "the rest after the write";
             os_CloseHandle(file);
             EXPECT_EQ(root.ReadFile("C/nt_os_extra/data.dat"), "abcXYf");
             EXPECT_EQ(os_OpenFile("C:\\nt_os_extra\\missing.dat"), nullptr);
             EXPECT_EQ(root.ReadFile("C/nt_os_extra/missing.dat"), "") << "not created";
             char byte = 0;
             EXPECT_EQ(os_ReadFile(nullptr, &byte, 1), 0u);
             EXPECT_EQ(os_WriteFile(nullptr, &byte, 1), 0u);
         }},
        {"ticks are tens of milliseconds and count on across a wrap of the millisecond counter",
         [] {
             platform::ScopedVirtualClock clock;
             const uint32_t first = os_GetTicks();
             clock->Advance(1000);
             EXPECT_EQ(os_GetTicks() - first, 100u);
             const DWORD ms = GetTickCount();
             clock->Advance(0x100000000ull - ms + 50);  // the 32-bit counter wraps to 50
             EXPECT_EQ(GetTickCount(), 50u);
             EXPECT_EQ(os_GetTicks(), 5u + 0x19999999u);
         }},
        {"a mailslot is created once per name, in any case of it, and again once closed",
         [] {
             HANDLE slot = os_CreateMailslot("\\\\.\\mailslot\\corlink\\extra");
             ASSERT_NE(slot, nullptr);
             DWORD maxSize = 1;
             DWORD next = 0;
             DWORD timeout = 1;
             EXPECT_TRUE(GetMailslotInfo(slot, &maxSize, &next, nullptr, &timeout));
             EXPECT_EQ(maxSize, 0u) << "any message size";
             EXPECT_EQ(timeout, 0u);
             EXPECT_EQ(next, MAILSLOT_NO_MESSAGE);
             EXPECT_EQ(os_CreateMailslot("\\\\.\\MAILSLOT\\Corlink\\Extra"), nullptr);
             EXPECT_EQ(os_CreateMailslot("corlink_extra"), nullptr) << "not a mailslot name";
             os_CloseMailslot(slot);
             slot = os_CreateMailslot("\\\\.\\mailslot\\corlink\\extra");
             EXPECT_NE(slot, nullptr);
             os_CloseMailslot(slot);
         }},
        {"a thread ended early keeps its exit code and unwinds its stack",
         [] {
             static std::atomic<bool> unwound{false};
             static std::atomic<bool> ranOn{false};
             struct Unwinds {
                 ~Unwinds() { unwound = true; }
             };
             HANDLE thread = os_StartThread([](void*) -> unsigned {
                 Unwinds guard;
                 os_ExitThread(7);
                 ranOn = true;
                 return 0;
             });
             ASSERT_NE(thread, nullptr);
             EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
             DWORD code = 0;
             EXPECT_TRUE(GetExitCodeThread(thread, &code));
             EXPECT_EQ(code, 7u);
             EXPECT_TRUE(unwound.load());
             EXPECT_FALSE(ranOn.load());
             os_CloseThread(thread);
         }},
        {"a program is started from its command line, or reported as not started",
         [&root] {
             std::filesystem::create_directories(root.path() + "/C/tools");
             testsupport::WriteWholeFile(root.path() + "/C/tools/touch.sh", "#!/bin/sh\necho \"$1\" > \"$2\"\n");
             ASSERT_EQ(::chmod((root.path() + "/C/tools/touch.sh").c_str(), 0755), 0);
             const std::string out = root.path() + "/started.txt";
             std::string command = "\"C:\\tools\\touch.sh\" hello " + out;
             EXPECT_EQ(os_RunProgram(command.data()), 1);
             for (int i = 0; i < 500 && root.ReadFile("started.txt").empty(); ++i) {
                 std::this_thread::sleep_for(std::chrono::milliseconds(10));
             }
             EXPECT_EQ(root.ReadFile("started.txt"), "hello\n");
             std::string missing = "C:\\tools\\missing.exe";
             EXPECT_EQ(os_RunProgram(missing.data()), 0);
         }},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.check();
    }
}

}  // namespace
