// The retry policy as one table: the codes a command meets, try by try, and what follows from them.
#include "provider/controllers/retry_policy.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system/application_event_log.h"
#include "platform/time/clock.h"
#include "tests/support/test_root.h"
#include "tests/unit/provider/provider_fixture.h"

namespace {

using RetryPolicyTest = providertest::ProviderTest;

std::vector<std::string> EventLines() {
    std::vector<std::string> lines;
    const std::string text = testsupport::ReadWholeFile(platform::EventLogPath());
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start))
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST_F(RetryPolicyTest, CodeSequencesToRequestsPausesResultsAndEvents) {
    struct Case {
        std::vector<int32_t> codes;  // what the wrapper returns, try by try
        size_t requests;
        std::vector<uint64_t> pausesMs;  // virtual time between consecutive tries
        HRESULT result;
        const char* event;  // the one event written, or null for none
    } cases[] = {
        // clang-format off
        {{0}, 1, {}, S_OK, nullptr},
        {{81}, 1, {}, S_OK, nullptr},
        {{233}, 1, {}, VSS_E_PROVIDER_VETO, "cannot resync a volume mapped to LUN 0"},
        {{186}, 1, {}, VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED,
         "op(): Capi Error 0x000000BA (Error: CAPI_ERROR_EXCEED_MAX_SNAPSHOT) on operation reply."},
        {{187}, 1, {}, VSS_E_MAXIMUM_NUMBER_OF_SNAPSHOTS_REACHED, "(Error: CAPI_ERROR_EXCEED_MAX_SNAPSHOT_PER_MASTER)"},
        {{5, 5, 5, 5}, 4, {100, 200, 300}, VSS_E_PROVIDER_VETO, nullptr},
        {{5, 0}, 2, {100}, S_OK, nullptr},
        {{171, 0}, 2, {60000}, S_OK, nullptr},
        {{171, 171, 171, 171}, 4, {60000, 60000, 60000}, E_OUTOFMEMORY, "(Error: CAPI_ERROR_INSUFFICIENT_DMS_RESOURCES)"},
        {{197, 197, 197, 197}, 4, {60000, 60000, 60000}, VSS_E_INSUFFICIENT_STORAGE, "Capi Error 0x000000C5"},
        {{209, 210, 211, 212}, 4, {60000, 60000, 60000}, VSS_E_PROVIDER_VETO, nullptr},
        {{150, 150, 150, 150}, 4, {0, 0, 0}, VSS_E_INSUFFICIENT_STORAGE, "Capi Error 0x00000096"},
        {{206, 206, 206, 206}, 4, {0, 0, 0}, E_OUTOFMEMORY, "(Error: CAPI_ERROR_ROLLBACK_RESOURCE_BEING_FREED)"},
        {{-1, -1, -1, -1}, 4, {0, 0, 0}, VSS_E_PROVIDER_VETO,
         "op(): CAPI protocol failure.  Check to make sure that the DODO Rivoz service (corlink.exe) is running."},
        {{-1, 0}, 2, {0}, S_OK, nullptr},
        {{7, 7, 7, 7}, 4, {0, 0, 0}, VSS_E_PROVIDER_VETO, nullptr},
        {{0x02081008, 0}, 2, {0}, S_OK, nullptr},  // a proxy error code: tried again at once
        // clang-format on
    };
    platform::ScopedVirtualClock clock;
    BVSS_DebugLog::StaticInit();
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.codes));
        const size_t eventsBefore = EventLines().size();
        std::vector<uint64_t> times;
        const HRESULT hr = SendWithRetries(L"op", [&] {
            times.push_back(clock->MonotonicMs());
            return c.codes[times.size() - 1];
        });
        EXPECT_EQ(hr, c.result);
        ASSERT_EQ(times.size(), c.requests);
        std::vector<uint64_t> pauses;
        for (size_t i = 1; i < times.size(); ++i) pauses.push_back(times[i] - times[i - 1]);
        EXPECT_EQ(pauses, c.pausesMs);
        const std::vector<std::string> events = EventLines();
        if (c.event == nullptr) {
            EXPECT_EQ(events.size(), eventsBefore);
        } else {
            ASSERT_EQ(events.size(), eventsBefore + 1);
            EXPECT_NE(events.back().find(c.event), std::string::npos) << events.back();
        }
    }
    BVSS_DebugLog::StaticDeinit();
    EXPECT_NE(Log().find("op(): Controller busy timeout after 4 retries."), std::string::npos);
    CloseCapiSleepTimer();
}

TEST(CapiErrorNames, NamedUnnamedAndOutOfTable) {
    EXPECT_STREQ(CapiErrorName(0), "Error: CAPI_NO_ERROR");
    EXPECT_STREQ(CapiErrorName(186), "Error: CAPI_ERROR_EXCEED_MAX_SNAPSHOT");
    EXPECT_STREQ(CapiErrorName(247), "Error: unknown CAPI error code.");
    EXPECT_STREQ(CapiErrorName(-1), "Error: unknown CAPI error code.");
}

}  // namespace
