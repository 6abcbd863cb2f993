#include "corlink/foundation/event_reporting.h"

#include <gtest/gtest.h>

#include "platform/windows_api.h"
#include "tests/support/test_root.h"

namespace {

TEST(EventLogTest, RecordHasBlankedControlCharactersAndTheCodeAsData) {
    testsupport::TestRoot root;
    char text[] = "first\r\nsecond\tthird \xC3\xA9";
    EXPECT_NE(
        WriteEventLog(text, EVENTLOG_INFORMATION_TYPE, CORLINK_EVENT_INFO, 0x11223344, CORLINK_EVENT_SOURCE),
        0);
    EXPECT_STREQ(text, "first  second third \xC3\xA9");  // blanked in the caller's buffer too
    std::string log = root.ReadFile("eventlog/Application.log");
    EXPECT_NE(log.find("\tcorlink4\t4\t0x40000201\tfirst  second third \xC3\xA9\t44332211\n"),
              std::string::npos)
        << log;
}

TEST(EventLogTest, SourceKeyIsCreatedAndRemoved) {
    testsupport::TestRoot root;
    EventLogRegisterSource("C:\\Program Files\\corlink\\corlink4.exe");
    HKEY key = nullptr;
    const char* path = "SYSTEM\\CurrentControlSet\\Services\\Eventlog\\Application\\corlink4";
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD types = 0, size = sizeof types, type = 0;
    EXPECT_EQ(RegQueryValueExA(key, "TypesSupported", nullptr, &type, reinterpret_cast<BYTE*>(&types), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(types, 7u);
    char file[128];
    size = sizeof file;
    EXPECT_EQ(RegQueryValueExA(key, "EventMessageFile", nullptr, &type, reinterpret_cast<BYTE*>(file), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, REG_EXPAND_SZ);
    RegCloseKey(key);
    EventLogRemoveSource();
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key), ERROR_FILE_NOT_FOUND);
}

}  // namespace
