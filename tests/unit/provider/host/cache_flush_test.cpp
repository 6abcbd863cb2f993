// The host write-cache flush against the simulated host's disks, and the pass-through log printers.
#include "provider/host/cache_flush.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "platform/devices/device_io.h"
#include "platform/system/application_event_log.h"
#include "provider/host/pass_through_log.h"
#include "sim/fabric.h"
#include "sim/fabric_backend.h"
#include "sim/scenario.h"
#include "tests/support/test_root.h"
#include "tests/unit/provider/simulated_host_fixture.h"

namespace {

// The log's text without the time and thread prefix of each line.
std::string Unprefixed(const std::string& log) {
    static const std::regex prefix(R"(^[A-Z][a-z]{2} \d+, \d{4} [\d:.]+: \[\d+/\d+\] )",
                                   std::regex::multiline);
    return std::regex_replace(log, prefix, "");
}

class CacheFlushTest : public providertest::SimulatedHostTest {
  protected:
    void SetUp() override {
        SimulatedHostTest::SetUp();
        lun_.setDeviceName(L"\\\\.\\PhysicalDrive1");
        ASSERT_NE(lun_.mDeviceHandle, nullptr);
        lun_.mPath = 0;
        lun_.mTarget = 1;
        lun_.mLun = 0x302;  // only the low byte is sent
        for (BYTE i = 0; i < 16; ++i) lun_.mSerialNumber[i] = static_cast<BYTE>(0xA0 + i);
        fabric_->journal().Clear();
    }
    void TearDown() override {
        lun_.setDeviceName(nullptr);
        SimulatedHostTest::TearDown();
    }
    static std::string Events() { return testsupport::ReadWholeFile(platform::EventLogPath()); }

    BVSS_LunInfo lun_;
};

TEST_F(CacheFlushTest, CommandBlocksAndTimeOutsReachTheDisk) {
    const struct {
        uint32_t immediate;
        uint32_t lba;
        uint16_t blocks;
        std::vector<uint8_t> cdb;
        uint32_t timeoutSeconds;
    } cases[] = {
        // clang-format off
        {1, 0, 0, {0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}, 2},
        {0, 0, 0, {0x35, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}, 60},
        {7, 0x01020304, 0x0506, {0x35, 0x02, 1, 2, 3, 4, 0, 5, 6, 0}, 2},
        {0, 0xFFFFFFFF, 0xFFFF, {0x35, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0xFF, 0xFF, 0}, 60},
        // clang-format on
    };
    for (const auto& c : cases) EXPECT_EQ(scsiSynchronizeCache(lun_, c.immediate, c.lba, c.blocks), S_OK);
    const std::vector<sim::DiskJournalEntry> entries = fabric_->journal().DiskEntries();
    ASSERT_EQ(entries.size(), std::size(cases));
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].disk, 1u);
        EXPECT_EQ(entries[i].cdb, cases[i].cdb);
        EXPECT_EQ(entries[i].timeoutSeconds, cases[i].timeoutSeconds);
        EXPECT_EQ(entries[i].outcome, "good");
    }
    BVSS_DebugLog::StaticDeinit();
    EXPECT_NE(
        Log().find("scsiSynchronizeCache(): partition ID=a0a1a2a3a4a5a6a7a8a9aaabacadaeaf, Immediate=7, "
                   "LBA=16909060, NumBlocks=1286.\n"),
        std::string::npos);
    EXPECT_NE(Log().find("returning 0x00000000\n"), std::string::npos);
    EXPECT_EQ(Events().find("SYNCHRONIZE CACHE"), std::string::npos);
    BVSS_DebugLog::StaticInit();
}

TEST_F(CacheFlushTest, FailuresVetoWithTheirEventAndLogLines) {
    const struct {
        const char* name;
        std::function<void()> arrange;
        const char* event;
        const char* log;  // a line the failure must leave in the debug log
    } cases[] = {
        // clang-format off
        {"reservation conflict",
         [&] { fabric_->InjectDiskFault(1, {sim::FaultKind::DiskReservationConflict, 0x35, 0x062A03, 1}); },
         "unable to perform a SYNCHRONIZE CACHE command (SCSI status = RESERVATION CONFLICT)",
         "Scsi status: 18h\n\nSense Info -- consult SCSI spec for details\n"
         "-------------------------------------------------------------\n"
         "70 00 06 00 00 00 00 0A 00 00 00 00 2A 03 00 00 00 00 \n\n"},
        {"check condition",
         [&] { fabric_->InjectDiskFault(1, {sim::FaultKind::DiskCheckCondition, 0x35, 0x052000, 1}); },
         "unable to perform a SYNCHRONIZE CACHE command (SCSI status=0x2).",
         "status=TRUE, scsiStatus=0x2.\n"},
        {"failed call", [&] { fabric_->InjectDiskFault(1, {sim::FaultKind::DiskError, 0x35, 0x1F, 1}); },
         "unable to perform a SYNCHRONIZE CACHE command (Windows Error 0x1F)", "Error: 31  "},
        {"device not open", [&] { lun_.setDeviceName(nullptr); },
         "unable to perform a SYNCHRONIZE CACHE command (Windows Error 0x6)", "status=FALSE, scsiStatus=0x0.\n"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(platform::EventLogPath().c_str());
        c.arrange();
        EXPECT_EQ(scsiSynchronizeCache(lun_, 0, 0, 0), VSS_E_PROVIDER_VETO);
        EXPECT_NE(Events().find(c.event), std::string::npos) << Events();
        EXPECT_EQ(Events().find("SYNCHRONIZE CACHE", Events().find("SYNCHRONIZE CACHE") + 1),
                  std::string::npos)
            << "one event";
        BVSS_DebugLog::StaticDeinit();
        EXPECT_NE(Unprefixed(Log()).find(c.log), std::string::npos) << Log();
        EXPECT_NE(Log().find("returning 0x80042306\n"), std::string::npos);
        BVSS_DebugLog::StaticInit();
    }
    // No retry: each failure met the disk once (the unopened device not at all).
    EXPECT_EQ(fabric_->journal().DiskEntries().size(), 3u);
}

using PassThroughLogTest = providertest::ProviderTest;

TEST_F(PassThroughLogTest, HexDumpAndSenseBytesAreBounded) {
    BVSS_DebugLog::StaticInit();
    BVSS_PassThroughBuffer buffer{};
    for (size_t i = 0; i < sizeof buffer.Sense; ++i) buffer.Sense[i] = static_cast<BYTE>(i);
    buffer.Request.ScsiStatus = 0x02;
    buffer.Request.SenseInfoLength = 32;  // a driver claiming more than was asked for
    printPassThroughResult(TRUE, 60, buffer, 56);
    BYTE* raw = reinterpret_cast<BYTE*>(&buffer);
    for (size_t i = 0; i < 56; ++i) raw[i] = static_cast<BYTE>(i);
    buffer.Request.ScsiStatus = 0;
    buffer.Request.DataTransferLength = 0x24;
    printPassThroughResult(TRUE, 0x38, buffer, 56);
    BVSS_DebugLog::StaticDeinit();
    const std::string log = Unprefixed(Log());
    EXPECT_NE(log.find("00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 \n\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("Scsi status: 00h, Bytes returned: 38h, Data buffer length: 24h\n\n\n"
                       "      00  01  02  03  04  05  06  07   08  09  0A  0B  0C  0D  0E  0F\n"
                       "      ---------------------------------------------------------------\n"
                       " 000  00  01  00  03  04  05  06  07   08  09  0A  0B  24  00  00  00   \n"
                       " 010  10  11  12  13  14  15  16  17   18  19  1A  1B  1C  1D  1E  1F   \n"
                       " 020  20  21  22  23  24  25  26  27   28  29  2A  2B  2C  2D  2E  2F   \n"
                       " 030  30  31  32  33  34  35  36  37   \n\n"),
              std::string::npos)
        << log;
}

}  // namespace
