#include "corlink/transport/scsi_command.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "corlink/capi/capi_library.h"
#include "corlink/transport/windows_error.h"
#include "platform/kernel/last_error.h"
#include "tests/unit/transport/scsi_fixture.h"

namespace {

using testsupport::Bytes;
using testsupport::ScriptedReply;

class ScsiCommandTest : public ScsiFixture {};

struct CdbCase {
    uint32_t type;
    uint32_t length;
    Bytes cdb;
    BYTE dataIn;
    uint32_t transferLength;
    const char* logLine;
};

// Golden CDBs of every command type, with the length cuts (an INQUIRY at 0xFF, a buffer command at the
// largest CAPI packet, 0x40050).
TEST_F(ScsiCommandTest, EachCommandTypeHasItsCdbDirectionAndLength) {
    const CdbCase cases[] = {
        // clang-format off
        {0,
         0,
         {0x00, 0, 0, 0, 0, 0},
         1,
         0,
         "sendScsiCommand: \\\\.\\Scsi2:, (1.4.0), pDataBuffer=0x0, dataLength=0 commandType=0 (TUR)\n"},
        {1, 252, {0x12, 0x00, 0x00, 0x00, 0xFC, 0x00}, 1, 252, "commandType=1 (Inq)\n"},
        {2, 252, {0x12, 0x01, 0x83, 0x00, 0xFC, 0x00}, 1, 252, "commandType=2 (Inq83)\n"},
        {3,
         0x12345,
         {0x3B, 0x01, 0, 0, 0, 0, 0x01, 0x23, 0x45, 0x00},
         0,
         0x12345,
         "commandType=3 (WrtBuf)\n"},
        {4, 0x40001, {0x3C, 0x01, 0, 0, 0, 0, 0x04, 0x00, 0x01, 0x00}, 1, 0x40001, "commandType=4 (RdBuf)\n"},
        {4,
         0x40051,
         {0x3C, 0x01, 0, 0, 0, 0, 0x04, 0x00, 0x50, 0x00},
         1,
         0x40050,
         "dataLength=262225 (TRUNCATED TO 262224!) commandType=4 (RdBuf)\n"},
        {5,
         256,
         {0x12, 0x01, 0xD0, 0x00, 0xFF, 0x00},
         1,
         255,
         "sendScsiCommand: User supplied data length > xFF (100); using xFF\n"},
        {6, 252, {0x12, 0x01, 0x80, 0x00, 0xFC, 0x00}, 1, 252, "commandType=6 (Inq80)\n"},
        // clang-format on
    };
    std::vector<uint8_t> buffer(0x40051);
    for (const CdbCase& c : cases) {
        SCOPED_TRACE(c.type);
        devices.ClearJournal();
        log.Clear();
        uint32_t returned = 0;
        EXPECT_EQ(sendScsiCommand(c.type, kAdapter, 1, 4, 0, nullptr, c.type == 0 ? nullptr : buffer.data(),
                                  c.length, &returned),
                  0);
        auto calls = devices.Calls();
        ASSERT_EQ(calls.size(), 1u);
        const auto& call = calls[0];
        EXPECT_EQ(call.code, IOCTL_SCSI_PASS_THROUGH_DIRECT);
        EXPECT_EQ(call.in.size(), 608u);
        EXPECT_EQ(call.cdb, c.cdb);
        EXPECT_EQ(call.request.Length, 56);
        EXPECT_EQ(call.request.PathId, 1);
        EXPECT_EQ(call.request.TargetId, 4);
        EXPECT_EQ(call.request.DataIn, c.dataIn);
        EXPECT_EQ(call.request.DataTransferLength, c.transferLength);
        EXPECT_EQ(call.request.SenseInfoLength, 32);
        EXPECT_EQ(call.request.SenseInfoOffset, 60u);
        EXPECT_EQ(call.request.TimeOutValue, 60u);
        EXPECT_EQ(call.request.DataBuffer == nullptr, c.type == 0);
        EXPECT_EQ(returned, 608u);
        EXPECT_TRUE(Logged(c.logLine)) << log.Text();
    }
}

TEST_F(ScsiCommandTest, WriteBufferCarriesTheCallersBytes) {
    Bytes packet = {1, 2, 3, 4, 5};
    EXPECT_EQ(sendWriteBuf(kAdapter, 0, 1, 0, nullptr, packet.data(), 5), 0);
    ASSERT_EQ(devices.Calls().size(), 1u);
    EXPECT_EQ(devices.Calls()[0].dataOut, packet);
}

struct SenseCase {
    const char* name;
    uint32_t type;
    ScriptedReply reply;
    int result;
    const char* logLine;
};

TEST_F(ScsiCommandTest, OutcomesFoldIntoResultCodes) {
    const SenseCase cases[] = {
        // clang-format off
        {"good", 4, ScriptedReply::Good(), 0, "sendScsiCommand:"},
        {"reservation conflict with sense", 4,
         ScriptedReply::Status(0x18, {0x70, 0, 0x06, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29}), 1,
         "SCSI status: 18h = RESERVATION CONFLICT\n"},
        {"check condition without sense", 4, ScriptedReply::Status(0x02), 1,
         "findScsiError: SenseInfoLength = 0\n"},
        {"paper jam", 3, ScriptedReply::Sense(5, 0x3B, 0x05), 2,
         "findScsiError: ASC=3B && ASCQ=05 is 'Paper Jam' - buffer R/W sequence wrong\n"},
        {"reset, any qualifier", 4, ScriptedReply::Sense(6, 0x29, 0x07), 3,
         "findScsiError: ASC=29 is 'SCSI Reset or Power Up occurred' - caller should retry the op\n"},
        {"offline array on TUR", 0, ScriptedReply::Sense(2, 0x04, 0x03), 0, "'Offline Array' - TUR ignores"},
        {"offline array on read", 4, ScriptedReply::Sense(2, 0x04, 0x03), 4,
         "findScsiError: Non-specific SCSI error\n"},
        {"other sense", 1, ScriptedReply::Sense(5, 0x24, 0x00), 4, "Sense Key 5 = Illegal Request \n"},
        {"busy", 1, ScriptedReply::Status(0x08), 1, "SCSI status: 08h = BUSY\n"},
        {"reserved status", 1, ScriptedReply::Status(0x22), 1, "SCSI status: 22h = Unknown/Reserved value\n"},
        {"I/O control failed", 4, ScriptedReply::Fail(ERROR_GEN_FAILURE), 5,
         "ERROR: DeviceIoControl call failed\n"},
        // clang-format on
    };
    uint8_t buffer[512];
    for (const SenseCase& c : cases) {
        SCOPED_TRACE(c.name);
        log.Clear();
        devices.Queue(kAdapter, c.reply);
        uint32_t returned = 0;
        EXPECT_EQ(sendScsiCommand(c.type, kAdapter, 0, 0, 0, nullptr, buffer, sizeof buffer, &returned),
                  c.result);
        EXPECT_TRUE(Logged(c.logLine)) << log.Text();
    }
}

TEST_F(ScsiCommandTest, StatusReportListsTheSenseBytes) {
    devices.Queue(kAdapter, ScriptedReply::Sense(5, 0x3B, 0x05));
    uint8_t buffer[16];
    uint32_t returned = 0;
    EXPECT_EQ(sendScsiCommand(4, kAdapter, 0, 0, 0, nullptr, buffer, sizeof buffer, &returned), 2);
    EXPECT_TRUE(
        Logged("ERROR: DeviceIoControl call failed with bad SCSI status\n"
               "SCSI status: 02h = CHECK CONDITION\n"
               "Sense Key 5 = Illegal Request \n"
               "Addl Sense       = 3B\n"
               "Addl Sense Qual  = 5\n"
               "Sense Info -- consult SCSI spec for details\n"
               "-------------------------------------------\n"
               "70 00 05 00 00 00 00 0A 00 00 00 00 3B 05 00 00 00 00 \n\n"))
        << log.Text();
}

TEST_F(ScsiCommandTest, ReadBackLengthsAreBoundedByTheRequest) {
    devices.Queue(kAdapter, ScriptedReply::Good(Bytes(40, 0xAB)));
    uint8_t buffer[64] = {};
    uint32_t received = 0;
    EXPECT_EQ(sendReadBuf(kAdapter, 0, 0, 0, nullptr, buffer, 32, &received), 0);
    EXPECT_EQ(g_LastTransferLength, 32u);
    EXPECT_EQ(buffer[31], 0xAB);
    EXPECT_EQ(buffer[32], 0);
    EXPECT_TRUE(Logged("sendReadBuf: Leaving, number of bytes received = 608\n")) << log.Text();
}

TEST_F(ScsiCommandTest, UnknownTypeAndStoppingWriteTouchNoDevice) {
    uint8_t buffer[8] = {};
    uint32_t returned = 0;
    EXPECT_EQ(sendScsiCommand(7, kAdapter, 0, 0, 0, nullptr, buffer, 8, &returned), 7);
    EXPECT_TRUE(Logged("sendScsiCommand: ERROR: received bad SCSI command type: 7\n"));
    g_StopFlag = 1;
    EXPECT_EQ(sendWriteBuf(kAdapter, 0, 0, 0, nullptr, buffer, 8), 7);
    EXPECT_TRUE(devices.Opens().empty());
    uint32_t received = 0;
    EXPECT_EQ(sendReadBuf(kAdapter, 0, 0, 0, nullptr, buffer, 8, &received), 0);  // reads still run
    EXPECT_EQ(devices.Opens().size(), 1u);
}

TEST_F(ScsiCommandTest, DeviceThatCannotBeOpenedIsMarkedGone) {
    g_DeviceGone = 0;
    uint32_t returned = 0;
    EXPECT_EQ(sendScsiCommand(0, "\\\\.\\Scsi9:", 0, 0, 0, nullptr, nullptr, 0, &returned), 6);
    EXPECT_EQ(g_DeviceGone, 1);
    EXPECT_TRUE(Logged("Windows OS call returned error 2: "));
    EXPECT_TRUE(Logged("sendScsiCommand: ERROR: CreateFile failed\nsendScsiCommand: Leaving\n"))
        << log.Text();
}

TEST_F(ScsiCommandTest, FileNotFoundFromTheControlIsQuietUnlessVerbose) {
    uint32_t returned = 0;
    devices.Queue(kAdapter, ScriptedReply::Fail(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(sendScsiCommand(0, kAdapter, 0, 0, 0, nullptr, nullptr, 0, &returned), 5);
    EXPECT_FALSE(Logged("ERROR: DeviceIoControl call failed\n"));
    g_ScsiVerbose = true;
    devices.Queue(kAdapter, ScriptedReply::Fail(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(sendScsiCommand(0, kAdapter, 0, 0, 0, nullptr, nullptr, 0, &returned), 5);
    EXPECT_TRUE(Logged("ERROR: DeviceIoControl call failed\n"));
}

// The only test that raises the transfer-size error: it is written once per process.
TEST_F(ScsiCommandTest, TransferSizeErrorIsWrittenOncePerRun) {
    uint32_t returned = 0;
    uint8_t buffer[8];
    for (int i = 0; i < 2; ++i) {
        devices.Queue(kAdapter, ScriptedReply::Fail(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(sendScsiCommand(3, kAdapter, 0, 0, 0, nullptr, buffer, 8, &returned), 5);
    }
    SetLastError(ERROR_INVALID_FUNCTION);
    ReportWindowsError();
    std::string events = root.ReadFile("eventlog/Application.log");
    const std::string record =
        "\tcorlink4\t1\t0xC0000202\tcorlink requires that the HBA can handle 256KByte transfers. Ensure that "
        "the "
        "Qlogic HBA MaximumSGList parameter is 33 or higher or the Emulex HBA large_io parameter is set to "
        "512.\t"
        "57000000\n";
    EXPECT_NE(events.find(record), std::string::npos) << events;
    EXPECT_EQ(events.find("0xC0000202", events.find(record) + record.size()), std::string::npos) << events;
    EXPECT_TRUE(Logged("Windows OS call returned error 87: ")) << log.Text();
}

TEST_F(ScsiCommandTest, ErrorWithoutSystemTextIsReportedAsSuch) {
    SetLastError(0x1234567);
    ReportWindowsError();
    EXPECT_TRUE(Logged("FormatMessage failed with error: 317, original error: 19088743\n")) << log.Text();
}

Bytes Page83(uint8_t port, bool withIdentifier) {
    Bytes page(252, 0);
    page[1] = 0x83;
    // An ASCII descriptor first that the search steps over, then the vendor-specific binary one.
    size_t at = 4;
    page[at] = 2;
    page[at + 1] = 1;
    page[at + 3] = 28;  // covers the port byte
    at += 32;
    page[31] = port;
    if (withIdentifier) {
        page[at] = 1;
        page[at + 1] = 0;
        page[at + 3] = 32;
        for (int i = 0; i < 32; ++i) page[at + 4 + i] = static_cast<uint8_t>(0xA0 + i);
    }
    return page;
}

TEST_F(ScsiCommandTest, Page83GivesPortSerialAndUniqueId) {
    PROCESSOR_DEVICE device{};
    std::snprintf(device.deviceName, sizeof device.deviceName, "%s", kAdapter);
    std::memset(device.controllerSerialNumber, 0xEE, 6);
    devices.Queue(kAdapter, ScriptedReply::Good(Page83(3, true)));
    uint8_t port = 0;
    EXPECT_EQ(sendInquiry_page83(&device, &port), 0);
    EXPECT_EQ(port, 3);
    EXPECT_EQ(Bytes(device.controllerSerialNumber, device.controllerSerialNumber + 6),
              (Bytes{0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD}));
    EXPECT_EQ(Bytes(device.controllerUniqueId, device.controllerUniqueId + 6),
              (Bytes{0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6}));
    EXPECT_TRUE(Logged("sendInquiry_page83: Good: port = 3\n"));

    devices.Queue(kAdapter, ScriptedReply::Good(Page83(1, false)));
    EXPECT_EQ(sendInquiry_page83(&device, &port), 0);
    EXPECT_EQ(port, 1);
    EXPECT_EQ(Bytes(device.controllerSerialNumber, device.controllerSerialNumber + 6), Bytes(6, 0));

    devices.Queue(kAdapter, ScriptedReply::Sense(4, 0, 0));
    port = 9;
    EXPECT_EQ(sendInquiry_page83(&device, &port), 4);
    EXPECT_EQ(port, 9);
}

TEST_F(ScsiCommandTest, Page83DescriptorRunningPastThePageIsNotTaken) {
    PROCESSOR_DEVICE device{};
    std::snprintf(device.deviceName, sizeof device.deviceName, "%s", kAdapter);
    Bytes page(252, 0);
    page[200] = 1;
    page[203] = 60;  // 200 + 4 + 60 > 252
    devices.Queue(kAdapter, ScriptedReply::Good(page));
    uint8_t port = 0;
    EXPECT_EQ(sendInquiry_page83(&device, &port), 0);
    EXPECT_EQ(Bytes(device.controllerSerialNumber, device.controllerSerialNumber + 6), Bytes(6, 0));
}

TEST(MapTestUnitReadyResultTest, ResultsSetFlagsAndAskForRetries) {
    struct Row {
        int result;
        uint8_t responds, ready;
        int again;
    } rows[] = {{0, 1, 1, 0}, {1, 1, 0, 0}, {2, 1, 0, 1}, {3, 1, 0, 1},
                {4, 1, 0, 1}, {5, 0, 0, 1}, {6, 0, 0, 0}, {7, 7, 7, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.result);
        PROCESSOR_DEVICE device{};
        device.responds = device.ready = 7;
        EXPECT_EQ(MapTestUnitReadyResult(row.result, 0, &device), row.again);
        EXPECT_EQ(device.responds, 7);
        EXPECT_EQ(MapTestUnitReadyResult(row.result, 1, &device), row.again);
        EXPECT_EQ(device.responds, row.responds);
        EXPECT_EQ(device.ready, row.ready);
    }
}

TEST_F(ScsiCommandTest, TestUnitReadyUsesTheDeviceAddressAndVerboseLines) {
    g_ScsiVerbose = true;
    PROCESSOR_DEVICE device{};
    std::snprintf(device.deviceName, sizeof device.deviceName, "%s", kAdapter);
    device.bus = 2;
    device.target = 5;
    device.lun = 1;
    EXPECT_EQ(sendTestUnitReady(&device), 0);
    auto call = devices.Calls().at(0);
    EXPECT_EQ(call.request.PathId, 2);
    EXPECT_EQ(call.request.TargetId, 5);
    EXPECT_EQ(call.request.Lun, 1);
    EXPECT_TRUE(Logged("sendTestUnitReady: Entered\n"));
    EXPECT_TRUE(Logged("sendTestUnitReady: Leaving\n"));
}

TEST_F(ScsiCommandTest, SasAddressTakesTheCsmiRoute) {
    const uint8_t sas[8] = {0x50, 0x0C, 0x0F, 0xF0, 0x11, 0x22, 0x33, 0x44};
    ScriptedReply reply;
    reply.edit = [](uint8_t* out, DWORD) {
        auto* block = reinterpret_cast<CSMI_SAS_SSP_PASSTHRU_BUFFER*>(out);
        block->Parameters.uDataLength = 4;  // fewer bytes than asked
        std::memcpy(out + 368, "\x01\x02\x03\x04", 4);
    };
    devices.Queue(kAdapter, reply);
    uint8_t buffer[16];
    std::memset(buffer, 0xEE, sizeof buffer);
    uint32_t returned = 0;
    EXPECT_EQ(sendScsiCommand(2, kAdapter, 3, 7, 2, sas, buffer, 16, &returned), 0);
    EXPECT_EQ(Bytes(buffer, buffer + 5), (Bytes{1, 2, 3, 4, 0xEE}));
    auto call = devices.Calls().at(0);
    EXPECT_EQ(call.code, IOCTL_SCSI_MINIPORT);
    ASSERT_EQ(call.in.size(), 368u + 16u);
    CSMI_SAS_SSP_PASSTHRU_BUFFER sent;
    std::memcpy(&sent, call.in.data(), offsetof(CSMI_SAS_SSP_PASSTHRU_BUFFER, bDataBuffer));
    EXPECT_EQ(sent.IoctlHeader.HeaderLength, 28u);
    EXPECT_STREQ(reinterpret_cast<const char*>(sent.IoctlHeader.Signature), "CSMISAS");
    EXPECT_EQ(sent.IoctlHeader.ControlCode, 24u);
    EXPECT_EQ(sent.IoctlHeader.Length, 368u + 16u - 28u);
    EXPECT_EQ(sent.Parameters.bPhyIdentifier, 3);
    EXPECT_EQ(sent.Parameters.bPortIdentifier, 7);
    EXPECT_EQ(sent.Parameters.bLun[1], 2);
    EXPECT_EQ(Bytes(sent.Parameters.bDestinationSASAddress, sent.Parameters.bDestinationSASAddress + 8),
              Bytes(sas, sas + 8));
    EXPECT_EQ(Bytes(sent.Parameters.bCDB, sent.Parameters.bCDB + 6),
              (Bytes{0x12, 0x01, 0x83, 0x00, 0x10, 0x00}));
    EXPECT_EQ(sent.Parameters.uFlags, 1u);
    EXPECT_EQ(sent.Parameters.uDataLength, 16u);
    EXPECT_EQ(call.in[368], 0x55);
    EXPECT_TRUE(Logged("sendScsiCommand: port 2 phy 3 , destSASAddr 500C0FF011223344\n")) << log.Text();

    ScriptedReply failed;
    failed.edit = [](uint8_t* out, DWORD) {
        reinterpret_cast<CSMI_SAS_SSP_PASSTHRU_BUFFER*>(out)->Status.bSSPStatus = 3;
    };
    devices.Queue(kAdapter, failed);
    EXPECT_EQ(sendScsiCommand(3, kAdapter, 3, 7, 2, sas, buffer, 16, &returned), 4);
    EXPECT_EQ(devices.Calls().at(1).in[368], 1);  // write data copied into the data area
    devices.Queue(kAdapter, ScriptedReply::Fail(ERROR_GEN_FAILURE));
    EXPECT_EQ(sendScsiCommand(0, kAdapter, 3, 7, 2, sas, nullptr, 0, &returned), 5);
}

}  // namespace
