// The provider's debug log, parameters, event records and scope tracer.
#include <gtest/gtest.h>

#include <regex>
#include <stdexcept>
#include <string>

#include "platform/com/com_memory.h"
#include "platform/com/com_results.h"
#include "platform/files/registry.h"
#include "platform/system/application_event_log.h"
#include "provider/controllers/function_trace.h"
#include "provider/controllers/provider_events.h"
#include "provider/controllers/task_memory.h"
#include "tests/support/test_root.h"
#include "tests/unit/provider/provider_fixture.h"

namespace {

using providertest::kDebugKey;
using providertest::ProviderTest;

// A line of the log: its time-stamp prefix and its text.
const char kPrefix[] = R"([A-Z][a-z]{2} \d{2}, \d{4} \d{2}:\d{2}:\d{2}\.\d{3}: \[\d{4,}/\d{4,}\] )";

using DebugLogTest = ProviderTest;

TEST_F(DebugLogTest, ReferenceCountedOpenAndClose) {
    BVSS_DebugLog::StaticInit();
    BVSS_DebugLog::StaticInit();
    BVSS_DebugLog::StaticInit();
    EXPECT_NE(Log().find("StaticInit(): Debug File already opened.\n"), std::string::npos);
    EXPECT_NE(Log().find("# Debug file opened on "), std::string::npos);
    EXPECT_NE(Log().find("    FileName=C:\\provider.log\n"), std::string::npos);
    BVSS_DebugLog::StaticDeinit();
    BVSS_DebugLog::StaticDeinit();
    BVSS_DebugPrint(L"still open\n");
    BVSS_DebugLog::StaticDeinit();
    BVSS_DebugPrint(L"closed\n");
    EXPECT_NE(Log().find("still open\n"), std::string::npos);
    EXPECT_EQ(Log().find("closed"), std::string::npos);
}

TEST_F(DebugLogTest, LinesAreAssembledFromFragmentsWithOnePrefixPerLine) {
    BVSS_DebugLog::StaticInit();
    BVSS_DebugPrint(L"a");
    BVSS_DebugPrint(L"b\n");
    BVSS_DebugPrint(L"one\ntwo\n");
    BVSS_DebugLog::StaticDeinit();
    const std::string log = Log();
    EXPECT_TRUE(std::regex_search(log, std::regex(std::string("\n") + kPrefix + "ab\n"))) << log;
    std::smatch one;
    ASSERT_TRUE(std::regex_search(log, one,
                                  std::regex(std::string("\n(") + kPrefix + ")one\n(" + kPrefix + ")two\n")))
        << log;
    EXPECT_EQ(one[1].str(), one[2].str());  // the lines of one call share their prefix
}

TEST_F(DebugLogTest, SettingsTimeStampAndToFile) {
    root_.SetDword(kDebugKey, "TimeStamp", 0);
    BVSS_DebugLog::StaticInit();
    BVSS_DebugPrint(L"plain %S %s\n", "narrow", L"wide");
    EXPECT_NE(Log().find("\nplain narrow wide\n"), std::string::npos) << Log();
    // ToFile 0 stops the writing at the next 100th call, while the file stays open.
    root_.SetDword(kDebugKey, "ToFile", 0);
    for (int i = 0; i < 100; ++i) BVSS_DebugPrint(L"line %d\n", i);
    BVSS_DebugLog::StaticDeinit();
    const std::string log = Log();
    EXPECT_NE(log.find("line 0\n"), std::string::npos);
    EXPECT_EQ(log.find("line 99\n"), std::string::npos);
}

TEST_F(DebugLogTest, AnOverlongFileIsCutWhenTheLogOpens) {
    root_.SetDword(kDebugKey, "MaxFileLength", 1000);
    testsupport::WriteWholeFile(root_.path() + "/C/provider.log", std::string(1200, 'x'));
    BVSS_DebugLog::StaticInit();
    BVSS_DebugLog::StaticDeinit();
    const std::string log = Log();
    EXPECT_TRUE(std::regex_search(
        log, std::regex(std::string("^") + kPrefix + "Truncated debug file, length was 1200\n#{80}\n")))
        << log.substr(0, 200);
    EXPECT_EQ(log.find("xxx"), std::string::npos);
}

TEST_F(DebugLogTest, AMessageLongerThanTheBufferIsCut) {
    root_.SetDword(kDebugKey, "TimeStamp", 0);
    std::string lines;
    for (int i = 0; i < 50; ++i) lines += std::string(99, 'm') + "\n";
    BVSS_DebugLog::StaticInit();
    BVSS_DebugPrint(L"%S", lines.c_str());  // 5,000 characters: cut to 4,095
    BVSS_DebugPrint(L"<\n");
    BVSS_DebugLog::StaticDeinit();
    const std::string log = Log();
    const size_t first = log.find(std::string(99, 'm') + "\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.substr(first), lines.substr(0, 4095) + "<\n");
}

TEST_F(DebugLogTest, TracerWritesExitOnAnException) {
    BVSS_DebugLog::StaticInit();
    try {
        BVSS_FunctionTrace trace(L"BVSS_Test::Throws");
        throw std::runtime_error("x");
    } catch (const std::runtime_error&) {
    }
    BVSS_DebugLog::StaticDeinit();
    const std::string log = Log();
    const size_t entering = log.find("Entering: BVSS_Test::Throws\n");
    ASSERT_NE(entering, std::string::npos);
    EXPECT_NE(log.find("Exiting: BVSS_Test::Throws\n", entering), std::string::npos);
}

using ProviderParametersTest = ProviderTest;

TEST_F(ProviderParametersTest, WrongTypesAndMissingValuesKeepWhatWasRead) {
    const std::string key = kProviderParametersKey;
    BVSS_DebugLog::StaticInit();
    EXPECT_EQ(readProviderParameters(), kProviderParametersUnreadable);  // no key at all
    EXPECT_NE(
        Log().find("Open SYSTEM\\CurrentControlSet\\Services\\DOVURERUDOredezor\\Parameters Key Failed!\n"),
        std::string::npos);
    EXPECT_EQ(ProviderParameters().StartingLun, 1u);

    root_.SetString(key, "Name", "Provider");
    root_.SetString(key, "Version", "1.2");
    root_.SetDword(key, "StartingLun", 7);
    root_.SetDword(key, "RecordSnapshotSetIds", 0);
    EXPECT_EQ(readProviderParameters(), 0u);
    EXPECT_EQ(std::wstring(ProviderParameters().Name), L"Provider");
    EXPECT_EQ(ProviderParameters().StartingLun, 7u);
    EXPECT_EQ(ProviderParameters().RecordSnapshotSetIds, 0u);

    // A string, an 8-byte DWORD, a name that does not fit: logged and ignored; missing Version fails.
    root_.SetString(key, "StartingLun", "9");
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    const uint64_t wide = 3;
    RegSetValueExA(k, "StandardVolumesAreSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&wide), 8);
    RegDeleteValueA(k, "Version");
    RegCloseKey(k);
    root_.SetString(key, "Name", std::string(80, 'N'));
    EXPECT_EQ(readProviderParameters(), kProviderParametersUnreadable);
    root_.SetDword(key, "Name", 5);  // only a string value is taken
    EXPECT_EQ(readProviderParameters(), kProviderParametersUnreadable);
    const BVSS_ProviderParameters p = ProviderParameters();
    EXPECT_EQ(std::wstring(p.Name), L"Provider");
    EXPECT_EQ(std::wstring(p.Version), L"1.2");
    EXPECT_EQ(p.StartingLun, 7u);
    EXPECT_EQ(p.StandardVolumesAreSupported, 2u);
    BVSS_DebugLog::StaticDeinit();
    const std::string log = Log();
    for (const char* line : {"StartingLun has wrong type!", "StandardVolumesAreSupported has wrong length!",
                             "Open Name Key Failed!", "Open Version Key Failed!"}) {
        EXPECT_NE(log.find(line), std::string::npos) << line;
    }
}

using ProviderEventsTest = ProviderTest;

TEST_F(ProviderEventsTest, ErrorEventGoesToTheEventLogAndTheDebugLog) {
    BVSS_DebugLog::StaticInit();
    LogErrorEventNarrowFormat("%1$s(): Capi Error 0x%2$08X (%3$S) on operation reply.", L"capiTest", 186u,
                              "Error: CAPI_ERROR_EXCEED_MAX_SNAPSHOT");
    BVSS_DebugLog::StaticDeinit();
    const std::string text =
        "capiTest(): Capi Error 0x000000BA (Error: CAPI_ERROR_EXCEED_MAX_SNAPSHOT) on operation reply.";
    const std::string events = testsupport::ReadWholeFile(platform::EventLogPath());
    EXPECT_NE(events.find("\tROVORUDIvaderod\t1\t0x00000001\t" + text + "\t"), std::string::npos) << events;
    EXPECT_NE(Log().find("LogErrorEvent: Current Locale is: "), std::string::npos);
    EXPECT_NE(Log().find("Logging Error Event \"" + text + "\".\n"), std::string::npos);
}

TEST(TaskMemoryText, CopyAndFailedAllocation) {
    char* copy = BVSS_CoTaskStrDup("abc");
    EXPECT_STREQ(copy, "abc");
    BVSS_FreeCoTaskMem(&copy);
    EXPECT_EQ(copy, nullptr);
    EXPECT_EQ(BVSS_CoTaskStrDup(nullptr), nullptr);
    platform::SetTaskMemoryHook([](SIZE_T) { return false; });
    try {
        BVSS_CoTaskStrDup("abc");
        ADD_FAILURE() << "no throw";
    } catch (HRESULT hr) {
        EXPECT_EQ(hr, E_OUTOFMEMORY);
    }
    platform::SetTaskMemoryHook({});
}

}  // namespace
