#include "corlink/transport/inband_transport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "corlink/capi/controller_context.h"
#include "corlink/foundation/console.h"
#include "corlink/foundation/log.h"
#include "corlink/foundation/nt_os.h"
#include "corlink/transport/processor_device_table.h"
#include "tests/support/scripted_devices.h"
#include "tests/support/test_root.h"
#include "tests/unit/foundation/log_capture.h"

namespace {

using testsupport::Bytes;
using testsupport::ScriptedReply;

constexpr char kDevice[] = "\\\\.\\Scsi2:";
constexpr uint32_t kBufferSize = 0x40050;

size_t Count(const std::string& text, const std::string& fragment) {
    size_t n = 0;
    for (size_t at = text.find(fragment); at != std::string::npos; at = text.find(fragment, at + 1)) ++n;
    return n;
}

ScriptedReply PaperJam() { return ScriptedReply::Sense(0x05, 0x3B, 0x05); }
ScriptedReply BusReset() { return ScriptedReply::Sense(0x06, 0x29, 0x00); }
ScriptedReply IoctlFails() { return ScriptedReply::Fail(ERROR_INVALID_FUNCTION); }

// A reply packet header whose errorCode (byte 40) is `errorCode`.
Bytes ReplyWithErrorCode(uint32_t errorCode) {
    Bytes reply(80, 0);
    std::memcpy(reply.data() + 40, &errorCode, sizeof errorCode);
    return reply;
}

// One controller context on a scripted adapter, its I/O block ready for an exchange.
class ExchangeTest : public ::testing::Test {
  protected:
    ExchangeTest() : send(new uint8_t[kBufferSize]()), receive(new uint8_t[kBufferSize]()) {
        OpenDebugFile(nullptr);
        devices.AddDevice(kDevice);
        PROCESSOR_DEVICE& device = ProcessorDeviceOf(context);
        std::snprintf(device.deviceName, sizeof device.deviceName, "%s", kDevice);
        device.adapter = 2;
        device.bus = 0;
        device.target = 4;
        device.lun = 1;
        LMX_IOB& iob = context.lmxIob;
        iob.pControllerContext = &context;
        iob.pLmxContext = &context.lmxContext;
        iob.callback = &Completion;
        iob.pSendBuffer = send.get();
        iob.sendLength = 80;
        iob.pReceiveBuffer = receive.get();
        iob.maxRecLength = kBufferSize;
        iob.errorCode = -1;
        completions.clear();
    }
    ~ExchangeTest() override {
        g_StopFlag = 0;
        CloseDebugFile();
    }

    static int Completion(LMX_IOB* iob) {
        completions.push_back({iob->status, iob->errorCode, iob->needRescan});
        return 0;
    }

    // The CDB opcodes of the pass-through requests, in order.
    std::vector<uint8_t> Opcodes() {
        std::vector<uint8_t> opcodes;
        for (const auto& call : devices.Calls()) {
            if (call.IsPassThrough() && !call.cdb.empty()) opcodes.push_back(call.cdb[0]);
        }
        return opcodes;
    }

    struct Completed {
        uint32_t status;
        int32_t errorCode;
        uint8_t needRescan;
    };
    static inline std::vector<Completed> completions;

    testsupport::TestRoot root;
    DebuggerCapture log;
    testsupport::ScriptedDevices devices;
    CAPI_CONTROLLER_CONTEXT context{};
    std::unique_ptr<uint8_t[]> send;
    std::unique_ptr<uint8_t[]> receive;
};

constexpr uint8_t W = 0x3B;  // WRITE BUFFER
constexpr uint8_t R = 0x3C;  // READ BUFFER

TEST_F(ExchangeTest, AReplyIsHandedToTheCompletionOnceBeforeTheExchangeReturns) {
    devices.Queue(kDevice, ScriptedReply::Good());
    devices.Queue(kDevice, ScriptedReply::Good(ReplyWithErrorCode(26)));
    SCSI32LMX_SendAndReceivePacket(&context.lmxIob);

    ASSERT_EQ(completions.size(), 1u);
    EXPECT_EQ(completions[0].status, LMX_STATUS_REPLY_RECEIVED);
    EXPECT_EQ(completions[0].errorCode, 26);
    EXPECT_EQ(completions[0].needRescan, 0);
    EXPECT_EQ(context.lmxIob.linkType, LMX_LINK_TYPE_SCSI);
    EXPECT_EQ(Opcodes(), (std::vector<uint8_t>{W, R}));
    // The packet went out whole to the controller's address.
    const auto calls = devices.Calls();
    const auto& write = calls.front();
    EXPECT_EQ(write.dataOut.size(), 80u);
    EXPECT_EQ(write.request.TargetId, 4);
    EXPECT_EQ(write.request.Lun, 1);
}

// Outcomes of the exchange by the SCSI answers it meets, in order.
struct ScriptCase {
    const char* name;
    std::vector<ScriptedReply> answers;  // then every further command fails at the I/O control
    std::vector<uint8_t> opcodes;        // the commands sent
    uint32_t status;
    bool completed;
};

TEST_F(ExchangeTest, ResendsAndRetriesFollowTheSenseOfEachAnswer) {
    const Bytes reply = ReplyWithErrorCode(0);
    const std::vector<ScriptCase> cases = {
        // clang-format off
        {"paper jam, draining read fails: straight to the read phase",
         {PaperJam(), IoctlFails(), ScriptedReply::Good(reply)},
         {W, R, R},
         LMX_STATUS_REPLY_RECEIVED,
         true},
        {"paper jam, draining read succeeds: the packet is sent again",
         {PaperJam(), ScriptedReply::Good(), ScriptedReply::Good(), ScriptedReply::Good(reply)},
         {W, R, W, R},
         LMX_STATUS_REPLY_RECEIVED,
         true},
        {"bus reset on the write: sent again, not counted",
         {BusReset(), IoctlFails(), IoctlFails(), IoctlFails(), ScriptedReply::Good(),
          ScriptedReply::Good(reply)},
         {W, W, W, W, W, R},
         LMX_STATUS_REPLY_RECEIVED,
         true},
        {"four failed writes: no read", {}, {W, W, W, W}, LMX_STATUS_COMMUNICATION_ERROR, false},
        {"reply read meets a bus reset: abandoned at once",
         {ScriptedReply::Good(), BusReset()},
         {W, R},
         LMX_STATUS_READ_ABANDONED,
         false},
        {"reply read meets paper jam: abandoned at once",
         {ScriptedReply::Good(), PaperJam()},
         {W, R},
         LMX_STATUS_READ_ABANDONED,
         false},
        {"reply read fails three times, then succeeds",
         {ScriptedReply::Good(), IoctlFails(), ScriptedReply::Status(0x08), IoctlFails(),
          ScriptedReply::Good(reply)},
         {W, R, R, R, R},
         LMX_STATUS_REPLY_RECEIVED,
         true},
        {"reply read fails four times",
         {ScriptedReply::Good()},
         {W, R, R, R, R},
         LMX_STATUS_COMMUNICATION_ERROR,
         false},
        // A controller that keeps asking for resends is given up after four of them.
        {"endless bus resets",
         std::vector<ScriptedReply>(5, BusReset()),
         {W, W, W, W, W},
         LMX_STATUS_COMMUNICATION_ERROR,
         false},
        {"endless paper jams",
         {PaperJam(), ScriptedReply::Good(), PaperJam(), ScriptedReply::Good(), PaperJam(),
          ScriptedReply::Good(), PaperJam(), ScriptedReply::Good(), PaperJam(), ScriptedReply::Good(),
          PaperJam()},
         {W, R, W, R, W, R, W, R, W},
         LMX_STATUS_COMMUNICATION_ERROR,
         false},
        // clang-format on
    };
    for (const ScriptCase& c : cases) {
        SCOPED_TRACE(c.name);
        devices.ClearJournal();
        devices.SetDefault(IoctlFails());
        for (const ScriptedReply& answer : c.answers) devices.Queue(kDevice, answer);
        completions.clear();
        SCSI32LMX_SendAndReceivePacket(&context.lmxIob);
        EXPECT_EQ(Opcodes(), c.opcodes);
        EXPECT_EQ(context.lmxIob.status, c.status);
        EXPECT_EQ(completions.size(), c.completed ? 1u : 0u);
        EXPECT_EQ(context.lmxIob.needRescan, c.completed ? 0 : 1);
    }
}

TEST_F(ExchangeTest, FailedWritesAreCountedInTheLogAndEndTheExchange) {
    devices.SetDefault(IoctlFails());
    SCSI32LMX_SendAndReceivePacket(&context.lmxIob);
    const std::string text = log.Text();
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(
            Count(text, "SCSI32LMX_SendAndReceivePacket: 'comm error' sendWriteBuf retrying; retry cnt " +
                            std::to_string(n) + "\n"),
            1u);
    }
    EXPECT_EQ(
        Count(text, "SCSI32LMX_SendAndReceivePacket: 'comm error' sendWriteBuf bailing out; retry cnt 4\n"),
        1u);
    EXPECT_TRUE(completions.empty());
}

TEST_F(ExchangeTest, WhileStoppingNothingIsWrittenAndTheExchangeFails) {
    g_StopFlag = 1;
    devices.SetDefault(ScriptedReply::Good());
    SCSI32LMX_SendAndReceivePacket(&context.lmxIob);
    EXPECT_TRUE(Opcodes().empty());
    EXPECT_EQ(context.lmxIob.status, LMX_STATUS_COMMUNICATION_ERROR);
    EXPECT_EQ(context.lmxIob.needRescan, 1);
    EXPECT_TRUE(completions.empty());
}

TEST(InbandTransportSlot, InitialiseFillsTheOperationsAndReportsReadyOnce) {
    testsupport::TestRoot root;
    testsupport::ScriptedDevices devices;  // no adapters: discovery finds nothing
    static int completions = 0;
    static int32_t state = 0;
    completions = 0;
    LMX_ENTRY slot{};
    SCSI32LMX_Initialize(
        &slot, [](LMX_ENTRY*, int32_t s) { ++completions, state = s; }, &slot.ops);
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(state, LMX_STATE_READY);
    EXPECT_EQ(slot.linkType, LMX_LINK_TYPE_SCSI);
    EXPECT_EQ(slot.ops.reserved0, nullptr);
    EXPECT_EQ(slot.ops.sendAndReceive, &SCSI32LMX_SendAndReceivePacket);
    EXPECT_EQ(slot.ops.poll, &SCSI32LMX_Poll);
    EXPECT_EQ(slot.ops.findNextController, &SCSI32LMX_FindNextController);
    EXPECT_EQ(processorDeviceTableSize, 0u);
}

// ---- enumeration

struct Entry {
    uint8_t ready;
    uint8_t id;
};

struct EnumerationCase {
    const char* name;
    std::vector<Entry> table;
    // Per call: the table entry handed out (-1: none) and whether lastTime was set.
    std::vector<std::pair<int, bool>> calls;
};

TEST(InbandEnumeration, HandsOutReadyEntriesOfKnownControllersByTableSize) {
    constexpr uint8_t A = PROCESSOR_DEVICE_ID_A, B = PROCESSOR_DEVICE_ID_B, X = PROCESSOR_DEVICE_ID_UNKNOWN;
    const std::vector<EnumerationCase> cases = {
        // clang-format off
        {"empty table", {}, {{-1, true}}},
        {"one entry, not ready", {{0, A}}, {{-1, true}}},
        {"one entry of an unknown controller: its id is not tested", {{1, X}}, {{0, true}}},
        {"two entries, the first unknown: one entry per call", {{1, X}, {1, B}}, {{-1, false}, {1, true}}},
        {"two ready entries", {{1, A}, {1, B}}, {{0, false}, {1, true}}},
        {"four entries: unusable ones are passed over",
         {{1, A}, {0, B}, {1, X}, {1, B}},
         {{0, false}, {3, true}}},
        {"three entries, none usable after the first", {{1, A}, {0, A}, {1, X}}, {{0, false}, {-1, true}}},
        // clang-format on
    };
    for (const EnumerationCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearProcessorDeviceTable();
        for (size_t i = 0; i < c.table.size(); ++i) {
            processorDeviceTable[i].ready = c.table[i].ready;
            processorDeviceTable[i].id = c.table[i].id;
            processorDeviceTable[i].adapter = static_cast<uint32_t>(100 + i);
        }
        processorDeviceTableSize = static_cast<uint32_t>(c.table.size());
        uint32_t lastTime = 0;
        for (size_t call = 0; call < c.calls.size(); ++call) {
            SCOPED_TRACE(call);
            CAPI_CONTROLLER_CONTEXT context{};
            const uint8_t found = SCSI32LMX_FindNextController(call == 0 ? 1 : 0, &lastTime, &context);
            const int expected = c.calls[call].first;
            EXPECT_EQ(found, expected >= 0 ? 1 : 0);
            EXPECT_EQ(lastTime != 0, c.calls[call].second);
            if (expected >= 0) {
                EXPECT_EQ(ProcessorDeviceOf(context).adapter, static_cast<uint32_t>(100 + expected));
            }
        }
    }
}

TEST(InbandEnumeration, ACallAfterTheLastOneIsRefusedAndLogged) {
    DebuggerCapture log;
    OpenDebugFile(nullptr);
    ClearProcessorDeviceTable();
    processorDeviceTable[0].ready = 1;
    processorDeviceTableSize = 1;
    uint32_t lastTime = 1;
    CAPI_CONTROLLER_CONTEXT context{};
    EXPECT_EQ(SCSI32LMX_FindNextController(1, &lastTime, &context), 0);
    EXPECT_NE(log.Text().find("SCSI32LMX_FindNextController: ERROR: This function should not be called with "
                              "*lastTime = TRUE\n"),
              std::string::npos);
    CloseDebugFile();
}

TEST(ProcessorDeviceTableDump, ListsEveryCommittedRecordInTheListCapture) {
    testsupport::TestRoot root;
    const std::string capture = root.path() + "/list.txt";
    OpenCaptureFiles(capture.c_str(), nullptr);
    ClearProcessorDeviceTable();
    PROCESSOR_DEVICE& device = processorDeviceTable[0];
    device.adapter = 3;
    device.bus = 0;
    device.target = 12;
    device.lun = 1;
    std::memcpy(device.inquiryString, "Brenlow RX4000      A310", 24);
    std::snprintf(device.deviceName, sizeof device.deviceName, "\\\\.\\PhysicalDrive2");
    device.responds = 1;
    device.port = 1;
    device.id = PROCESSOR_DEVICE_ID_B;
    const uint8_t serial[6] = {0x00, 0xC0, 0xFF, 0x1A, 0x2B, 0x3C};
    std::memcpy(device.controllerSerialNumber, serial, 6);
    processorDeviceTable[1].id = PROCESSOR_DEVICE_ID_A;  // not committed: not listed
    processorDeviceTableSize = 1;
    DumpProcessorDeviceTable();
    CloseCaptureFiles(CaptureRole::List);
    EXPECT_EQ(testsupport::ReadWholeFile(capture),
              "processor device table size = 1\n"
              "adpt bus tar lun : string(28)                    DeviceName rspd rdy port Id\n"
              "  03  00  12  01 :     Brenlow RX4000      A310  \\\\.\\PhysicalDrive2 Yes  No     1  B "
              "00C0FF1A2B3C\n"
              "\n");
    ClearProcessorDeviceTable();
}

}  // namespace
