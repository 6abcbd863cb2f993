// Regular files of the machine root through CreateFileA, ReadFile, WriteFile and CloseHandle: the
// dispositions, the Windows errors, and files that would leave the root.
#include "platform/files/regular_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/windows_api.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_root.h"

namespace {

class RegularFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(root_.path() + "/C/data/folder");
        testsupport::WriteWholeFile(root_.path() + "/C/data/old.txt", "old content");
        testsupport::WriteWholeFile(root_.path() + "/C/data/readonly.txt", "kept");
        ::chmod((root_.path() + "/C/data/readonly.txt").c_str(), 0444);
        testsupport::WriteWholeFile(root_.path() + "/outside.txt", "not a drive's");
        ::symlink((root_.path() + "/outside.txt").c_str(), (root_.path() + "/C/data/link.txt").c_str());
    }
    static HANDLE Open(const char* name, DWORD access, DWORD disposition) {
        return CreateFileA(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    testsupport::TestRoot root_;
};

TEST_F(RegularFiles, RefusalsGiveTheWindowsErrors) {
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    const struct {
        const char* name;
        DWORD access;
        DWORD disposition;
        DWORD error;
    } cases[] = {
        // clang-format off
        {"C:\\data\\missing.txt", GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {"C:\\data\\missing.txt", rw, TRUNCATE_EXISTING, ERROR_FILE_NOT_FOUND},
        {"C:\\nowhere\\new.txt", rw, CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"C:\\data\\folder", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"C:\\data\\readonly.txt", rw, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"C:\\data\\readonly.txt", GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {"C:\\data\\old.txt", GENERIC_READ, TRUNCATE_EXISTING, ERROR_ACCESS_DENIED},
        {"C:\\data\\old.txt", rw, CREATE_NEW, ERROR_FILE_EXISTS},
        {"C:\\..\\outside.txt", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"C:\\data\\link.txt", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"/etc/hostname", GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {"C:\\data\\old.txt", GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(Open(c.name, c.access, c.disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(root_.ReadFile("C/data/old.txt"), "old content");
    EXPECT_EQ(root_.ReadFile("C/data/readonly.txt"), "kept");
}

TEST_F(RegularFiles, WhatIsWrittenIsReadBackAndEachDispositionKeepsOrEmptiesTheFile) {
    HANDLE file = Open("C:\\data\\new.txt", GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(file, "hello world", 11, &done, nullptr));
    EXPECT_EQ(done, 11u);
    char byte = 0;
    EXPECT_TRUE(ReadFile(file, &byte, 1, &done, nullptr));
    EXPECT_EQ(done, 0u) << "at the end of the file";
    EXPECT_TRUE(CloseHandle(file));

    file = Open("c:/data/new.txt", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char text[32] = {};
    ASSERT_TRUE(ReadFile(file, text, sizeof text, &done, nullptr));
    EXPECT_EQ(std::string(text, done), "hello world");
    EXPECT_FALSE(WriteFile(file, "x", 1, &done, nullptr)) << "opened for reading only";
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(file);
    EXPECT_FALSE(ReadFile(file, text, 1, &done, nullptr)) << "closed";
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    const struct {
        DWORD disposition;
        DWORD lastError;
        const char* content;  // of old.txt afterwards (written "NEW" at its start)
    } cases[] = {
        // clang-format off
        {OPEN_EXISTING, ERROR_SUCCESS, "NEW content"},
        {OPEN_ALWAYS, ERROR_ALREADY_EXISTS, "NEW content"},
        {CREATE_ALWAYS, ERROR_ALREADY_EXISTS, "NEW"},
        {TRUNCATE_EXISTING, ERROR_SUCCESS, "NEW"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.disposition);
        testsupport::WriteWholeFile(root_.path() + "/C/data/old.txt", "old content");
        SetLastError(1234);
        file = Open("C:\\data\\old.txt", GENERIC_WRITE, c.disposition);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.lastError);
        EXPECT_TRUE(WriteFile(file, "NEW", 3, &done, nullptr));
        CloseHandle(file);
        EXPECT_EQ(root_.ReadFile("C/data/old.txt"), c.content);
    }
    file = Open("C:\\data\\created.txt", GENERIC_WRITE, OPEN_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CloseHandle(file);
    EXPECT_TRUE(std::filesystem::exists(root_.path() + "/C/data/created.txt"));
}

TEST_F(RegularFiles, AWriteTheDiskCutsShortFailsAndCountsTheBytesThatWentOut) {
    HANDLE file = Open("C:\\data\\full.txt", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    {
        testsupport::FileSizeLimit diskFull(4);
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(WriteFile(file, "hello world", 11, &done, nullptr));
        EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    }
    EXPECT_EQ(done, 4u);
    CloseHandle(file);
    EXPECT_EQ(root_.ReadFile("C/data/full.txt"), "hell");
}

}  // namespace
