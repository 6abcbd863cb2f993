// One platform per process: a shared library loaded at run time sees the program's clock, machine root,
// handle table and named objects.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/files/machine_root.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/system/module_library.h"
#include "platform/time/clock.h"
#include "tests/support/test_root.h"

namespace {

class OnePlatformTest : public ::testing::Test {
  protected:
    void SetUp() override {
        module_ = LoadLibraryA(PLATFORM_PROBE_MODULE);
        ASSERT_NE(module_, nullptr) << GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) {
            EXPECT_TRUE(FreeLibrary(module_));
        }
    }
    template <class F>
    F Probe(const char* name) {
        FARPROC f = GetProcAddress(module_, name);
        EXPECT_NE(f, nullptr) << name;
        return reinterpret_cast<F>(f);
    }

    testsupport::TestRoot root_;
    platform::ScopedVirtualClock clock_;
    HMODULE module_ = nullptr;
};

TEST_F(OnePlatformTest, TheLibrarySeesTheProgramsClockAndMachineRoot) {
    clock_->Advance(123'456);
    EXPECT_EQ(Probe<uint64_t (*)()>("ProbeNowMs")(), clock_->NowMs());
    EXPECT_EQ(std::string(Probe<const char* (*)()>("ProbeMachineRoot")()), root_.path());
}

std::string RealPath(const char* path) {
    char resolved[PATH_MAX];
    return ::realpath(path, resolved) != nullptr ? std::string(resolved) : std::string();
}

TEST_F(OnePlatformTest, AnAddressNamesTheFileOfTheModuleThatHoldsIt) {
    const void* inLibrary = reinterpret_cast<const void*>(Probe<uint64_t (*)()>("ProbeNowMs"));
    EXPECT_EQ(RealPath(platform::ModuleFileOf(inLibrary).c_str()), RealPath(PLATFORM_PROBE_MODULE));
    const void* inProgram = reinterpret_cast<const void*>(&RealPath);
    EXPECT_EQ(RealPath(platform::ModuleFileOf(inProgram).c_str()), RealPath("/proc/self/exe"));
    const auto onTheHeap = std::make_unique<int>(0);
    EXPECT_EQ(platform::ModuleFileOf(onTheHeap.get()), "");
}

TEST_F(OnePlatformTest, HandlesAndNamedObjectsAreSharedBothWays) {
    auto wait = Probe<DWORD (*)(HANDLE)>("ProbeWait");

    HANDLE ours = CreateEventA(nullptr, TRUE, TRUE, "one_platform_event");
    ASSERT_NE(ours, nullptr);
    EXPECT_EQ(wait(ours), WAIT_OBJECT_0);

    HANDLE opened = Probe<HANDLE (*)(const char*)>("ProbeOpenEvent")("one_platform_event");
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(WaitForSingleObject(opened, 0), WAIT_OBJECT_0);

    HANDLE theirs = Probe<HANDLE (*)()>("ProbeCreateEvent")();
    ASSERT_NE(theirs, nullptr);
    EXPECT_EQ(wait(theirs), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(SetEvent(theirs));
    EXPECT_EQ(wait(theirs), WAIT_OBJECT_0);

    for (HANDLE h : {ours, opened, theirs}) EXPECT_TRUE(CloseHandle(h));
}

TEST_F(OnePlatformTest, MissingLibrariesAndFunctionsGiveTheWindowsErrors) {
    EXPECT_EQ(LoadLibraryA("/nonexistent/probe.so"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(GetProcAddress(module_, "NoSuchFunction"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
}

}  // namespace
