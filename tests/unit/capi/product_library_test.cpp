// The proxy's CAPI library over its in-band transport against the fabric: discovery hands both
// controllers to the library, commands go out in WRITE BUFFER and their replies, multi-part ones
// included, reach the registered callback as the library decodes them.
#include <cstring>
#include <vector>

#include "corlink/capi/capi_library.h"
#include "corlink/capi/send_path.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/capi_wire/capi_reply_codes.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/service_params.h"
#include "corlink/transport/inband_transport.h"
#include "platform/time/clock.h"
#include "tests/support/fake_controller_table.h"
#include "tests/support/test_root.h"
#include "tests/unit/sim/fabric_fixture.h"

namespace simtest {
namespace {

struct Delivery {
    uint32_t replyCode;
    int32_t returnCode;
    uint32_t param[4];
    std::vector<uint8_t> payload;
};

class ProductLibraryTest : public FabricTest {
  protected:
    static constexpr uint32_t kBigCommand = CAPI_COMMAND_U_GET_MULTIPLE_EVENTS;
    static constexpr size_t kBigSize = 2 * 0x40000 + 100;

    void SetUp() override {
        FabricTest::SetUp();
        OpenDebugFile(nullptr);
        testsupport::WriteWholeFile(root_.path() + "/corlink.conf", "[Models]\nm1 = Brenlow +Stor.*\n");
        std::snprintf(g_ConfigFile, sizeof g_ConfigFile, "%s", (root_.path() + "/corlink.conf").c_str());
        savedInitialize_ = g_LmxTable[0].initialize;
        g_LmxTable[0].initialize = &SCSI32LMX_Initialize;
        s_current = this;
        CAPI_RegisterCallback(&Record);
        CAPI_Initialize();
        uint8_t done = 0;
        for (uint32_t i = 0; i < 2 && !done; ++i) {
            CAPI_HANDLE handle = 0;
            CAPI_FindNextController(i == 0, &done, &handle, &table_.context(i), table_.sendBuffer(i),
                                    table_.eventBuffer(i));
            handles_.push_back(handle);
        }
        fabric_->SetHandler(kBigCommand, [](const sim::CapiRequest&, sim::StorageSystem&, int) {
            sim::CapiAnswer answer;
            answer.includeType = 40;
            answer.params[0] = static_cast<uint32_t>(kBigSize);
            answer.data.resize(kBigSize);
            for (size_t i = 0; i < kBigSize; ++i) answer.data[i] = static_cast<uint8_t>(i / 0x40000 + 1);
            return answer;
        });
        deliveries_.clear();
    }
    void TearDown() override {
        CAPI_RegisterCallback(nullptr);
        g_LmxTable[0].initialize = savedInitialize_;
        s_current = nullptr;
        CloseDebugFile();
        FabricTest::TearDown();
    }

    static void Record(uint32_t replyCode, int32_t returnCode, const CAPI_ADDRESS*, uint32_t p1, uint32_t p2,
                       uint32_t p3, uint32_t p4, void* payload) {
        Delivery d{replyCode, returnCode, {p1, p2, p3, p4}, {}};
        if (payload != nullptr && replyCode == kBigCommand + CAPI_UNIFIED_REPLY_OFFSET) {
            const auto* bytes = static_cast<const uint8_t*>(payload);
            d.payload.assign(bytes, bytes + kBigSize);
        }
        s_current->deliveries_.push_back(std::move(d));
    }

    int32_t Send(uint32_t command, size_t controller) {
        CAPI_ADDRESS address = CapiControllerAddress(handles_.at(controller));
        return SendCapiCommand(command, &address, 0, nullptr, 0, 0, 0, 0, 1, 0);
    }

    static inline ProductLibraryTest* s_current = nullptr;
    platform::ScopedVirtualClock clock_;
    testsupport::TestRoot root_;
    testsupport::FakeControllerTable table_;
    std::vector<CAPI_HANDLE> handles_;
    std::vector<Delivery> deliveries_;
    decltype(LMX_ENTRY::initialize) savedInitialize_ = nullptr;
};

INSTANTIATE_TEST_SUITE_P(Reach, ProductLibraryTest, ::testing::Values(Reach::InProcess, Reach::ThroughSocket),
                         ReachName);

TEST_P(ProductLibraryTest, ControllerDataReachesTheCallback) {
    ASSERT_EQ(handles_.size(), 2u);
    ASSERT_EQ(Send(CAPI_COMMAND_U_GET_CONTROLLER_DATA, 1), 0);
    ASSERT_EQ(deliveries_.size(), 1u);
    EXPECT_EQ(deliveries_[0].replyCode, CAPI_REPLY_U_GET_CONTROLLER_DATA);
    EXPECT_EQ(deliveries_[0].returnCode, 0);
    EXPECT_EQ(deliveries_[0].param[1], 0x00010001u);
    // The exchange went to controller B's management LUN.
    EXPECT_EQ(fabric_->journal().Entries().back().controller, "00C0FF1A2B02");
}

TEST_P(ProductLibraryTest, MultiPartReplyIsReassembledByTheLibrary) {
    ASSERT_EQ(Send(kBigCommand, 0), 0);
    ASSERT_EQ(deliveries_.size(), 1u);
    const Delivery& d = deliveries_[0];
    EXPECT_EQ(d.replyCode, kBigCommand + CAPI_UNIFIED_REPLY_OFFSET);
    EXPECT_EQ(d.param[0], kBigSize);
    ASSERT_EQ(d.payload.size(), kBigSize);
    EXPECT_EQ(d.payload[0], 1);
    EXPECT_EQ(d.payload[0x40000], 2);
    EXPECT_EQ(d.payload[kBigSize - 1], 3);
    // One command and two next-part requests, with part indexes 1 and 2.
    const std::vector<sim::JournalEntry> entries = fabric_->journal().Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].commandCode, static_cast<uint32_t>(CAPI_COMMAND_NEXT_PART));
    EXPECT_EQ(entries[1].partIndex, 1);
    EXPECT_EQ(entries[2].partIndex, 2);
}

TEST_P(ProductLibraryTest, RefusedCommandIsReportedWithItsReturnCode) {
    Send(CAPI_COMMAND_U_TEST_SPARES, 0);
    ASSERT_FALSE(deliveries_.empty());
    EXPECT_EQ(deliveries_.back().returnCode, CAPI_ERROR_NOT_SUPPORTED);
}

}  // namespace
}  // namespace simtest
