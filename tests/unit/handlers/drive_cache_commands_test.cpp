// The drive, cache, maintenance and progress commands through rreExecCommand against the default fabric
// (vd01: drives 0-4, vd02: drives 5-6, drives 7-11 available) in virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_drive.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/database/array_lookup.h"
#include "corlink/database/controller_db.h"
#include "corlink/database/controller_refresh.h"
#include "corlink/executor/executor.h"
#include "tests/unit/handlers/proxy_command_fixture.h"

namespace {

using namespace proxytest;
using simtest::Reach;

constexpr size_t kRecord = 6664;
constexpr size_t kTables = 8;
constexpr size_t kSerials = 2568;

class DriveCacheCommandsTest : public ProxyCommandTest {
  protected:
    // Changes the fabric's model as a controller would: its sequence numbers move.
    void Change(const std::function<void(sim::StorageSystem&)>& change) {
        fabric_->Edit([&](sim::FabricModel& m) { change(m.systems[0]); });
        fabric_->RecordConfigurationChange(0);
    }
    Reply WithSerial(uint32_t code, uint32_t length, size_t at, const uint8_t* serial, size_t size,
                     const Fill& more = nullptr) {
        return Exec(code, length, kHandleA, [&](std::vector<uint8_t>& b) {
            std::memcpy(b.data() + at, serial, size);
            if (more) more(b);
        });
    }
    Reply Spare(uint8_t make, uint8_t pool, const std::string& drive) {
        const sim::StorageSystem pair = Pair();
        return Exec(RRE_ASSIGN_POOL_SPARE, 80, kHandleA, [&](std::vector<uint8_t>& b) {
            b[12] = make;
            b[13] = pool;
            std::memcpy(b.data() + 16, pair.arrays[1].serial.data(), 32);
            std::memcpy(b.data() + 48, drive.data(), drive.size());
        });
    }
    static uint32_t ProgressWord(const Reply& reply, uint32_t entry, uint32_t kind, uint32_t array) {
        return BigEndianAt(reply.buffer, 16 + entry * kRecord + kTables + ((kind - 1) * 128 + array) * 4);
    }
    Reply Progress() {
        std::vector<uint8_t> buffer(kSessionBuffer, 0xEE);
        Rre rre{RRE_GET_PROGRESS, 0, buffer.data(), static_cast<uint32_t>(buffer.size()), 0, 1};
        rreExecCommand(&rre);
        return Reply{std::move(buffer), rre.ReplyLength, 0, 0};
    }
};

INSTANTIATE_TEST_SUITE_P(Reach, DriveCacheCommandsTest, ::testing::Values(Reach::InProcess),
                         simtest::ReachName);

TEST_P(DriveCacheCommandsTest, DriveListReturnsEveryDriveInNetworkOrder) {
    const Reply list = List(RRE_GET_DRIVE_LIST, kHandleB);
    ASSERT_EQ(list.status, 0);
    EXPECT_EQ(list.code, 0u);
    ASSERT_EQ(BigEndianAt(list.buffer, 12), 12u);
    EXPECT_EQ(Word(list.buffer, 8), 0u) << "reserved bytes are answered 0";
    EXPECT_EQ(list.replyLength, static_cast<int32_t>(16 + 12 * sizeof(CAPI_DRIVE)));
    const size_t seventh = 16 + 7 * sizeof(CAPI_DRIVE);
    EXPECT_EQ(BigEndianAt(list.buffer, seventh + offsetof(CAPI_DRIVE, blockCapacity)), 0x7FFFFFFFu);
    EXPECT_EQ(TextAt(list.buffer, seventh + offsetof(CAPI_DRIVE, serialNumber), 32), Pair().drives[7].serial);
    EXPECT_EQ(list.buffer[16 + offsetof(CAPI_DRIVE, howUsed)], 1) << "drive 0 is a member";
}

// Spares: dedicated to the array of the request, for the pool, removed; a leftover drive is cleared and
// given 3 s first; a drive nobody lists has no controller.
TEST_P(DriveCacheCommandsTest, AssignPoolSpare) {
    const sim::StorageSystem pair = Pair();
    EXPECT_EQ(Spare(1, 0, pair.drives[7].serial).code, 0u);
    EXPECT_EQ(Pair().drives[7].use, sim::DriveUse::DedicatedSpare);
    EXPECT_EQ(Pair().drives[7].array, pair.arrays[1].serial);
    EXPECT_EQ(Spare(0, 0, pair.drives[7].serial).code, 0u);
    EXPECT_EQ(Pair().drives[7].use, sim::DriveUse::Available);

    Change([](sim::StorageSystem& s) { s.drives[8].use = sim::DriveUse::Leftover; });
    fabric_->journal().Clear();
    EXPECT_EQ(Spare(1, 1, pair.drives[8].serial).code, 0u);
    EXPECT_EQ(Pair().drives[8].use, sim::DriveUse::PoolSpare);
    const std::vector<sim::JournalEntry> clears = Sent(CAPI_COMMAND_U_DO_SCSI_MAINT);
    const std::vector<sim::JournalEntry> spares = Sent(CAPI_COMMAND_U_ADD_POOL_SPARE);
    ASSERT_EQ(clears.size(), 1u);
    ASSERT_EQ(spares.size(), 1u);
    EXPECT_GE(spares[0].timeMs - clears[0].timeMs, 3000u);

    const Reply unknown = Spare(1, 1, "NO-SUCH-DRIVE");
    EXPECT_EQ(unknown.status, -1);
    EXPECT_EQ(unknown.code, RRE_ERROR_NO_CONTROLLER);
}

// A drive that only controller B lists (A has not read the pair since it arrived) is made a spare through
// B, and B is the controller read afterwards: its entry shows the spare before any other command.
TEST_P(DriveCacheCommandsTest, AssignPoolSpareOnThePartnerReadsThePartnerAfterwards) {
    sim::Drive added = Pair().drives[11];
    added.serial = "ONLY-B-LISTS-IT";
    added.wwn[7] ^= 0x5A;
    fabric_->Edit([&](sim::FabricModel& m) { m.systems[0].drives.push_back(added); });
    const int32_t b = FindControllerByClientId(kHandleB);
    ASSERT_EQ(UpdateController(b), 0);
    std::array<uint8_t, 32> serial{};
    std::memcpy(serial.data(), added.serial.data(), added.serial.size());
    ASSERT_EQ(FindDriveBySerial(FindControllerByClientId(kHandleA), serial.data()), nullptr);

    EXPECT_EQ(Spare(1, 1, added.serial).code, 0u);
    EXPECT_EQ(Pair().drives.back().use, sim::DriveUse::PoolSpare);
    const CAPI_DRIVE* listed = FindDriveBySerial(FindControllerByClientId(kHandleB), serial.data());
    ASSERT_NE(listed, nullptr);
    EXPECT_EQ(listed->howUsed, static_cast<uint8_t>(sim::DriveUse::PoolSpare));
}

TEST_P(DriveCacheCommandsTest, BlinkDriveStartsAndStops) {
    const std::string serial = Pair().drives[3].serial;
    auto blink = [&](uint8_t on) {
        return WithSerial(RRE_BLINK_DRIVE, 48, 16, reinterpret_cast<const uint8_t*>(serial.data()),
                          serial.size(), [on](std::vector<uint8_t>& b) { b[12] = on; });
    };
    EXPECT_EQ(blink(1).code, 0u);
    EXPECT_TRUE(Pair().drives[3].blinking);
    EXPECT_EQ(blink(0).code, 0u);
    EXPECT_FALSE(Pair().drives[3].blinking);
    const uint8_t unknown[32] = "NO-SUCH-DRIVE";
    const Reply none = WithSerial(RRE_BLINK_DRIVE, 48, 16, unknown, sizeof unknown);
    EXPECT_EQ(none.status, -1);
    EXPECT_EQ(none.code, RRE_ERROR_NO_CONTROLLER);
}

// SCSI maintenance reaches the drive at the channel and scsiId of the request with its six values, CDB
// and data; data longer than the request's field is refused with code 2 and nothing is sent.
TEST_P(DriveCacheCommandsTest, ScsiMaintenance) {
    auto maintain = [&](uint32_t scsiId, uint32_t dataLength) {
        return Exec(RRE_DO_SCSI_MAINTENANCE, 572, kHandleA, [&](std::vector<uint8_t>& b) {
            PutWord(b, 12, 0);
            PutWord(b, 16, scsiId);
            PutWord(b, 24, 7);
            b[36] = 0x12;
            PutWord(b, 52, 6);
            std::memset(b.data() + 56, 0xAB, 512);
            PutWord(b, 568, dataLength);
        });
    };
    fabric_->journal().Clear();
    const Reply tooLong = maintain(9, 513);
    EXPECT_EQ(tooLong.status, 0);
    EXPECT_EQ(tooLong.code, 2u);
    EXPECT_TRUE(Sent(CAPI_COMMAND_U_DO_SCSI_MAINT).empty());
    const Reply noDrive = maintain(99, 4);
    EXPECT_EQ(noDrive.status, -1);
    EXPECT_EQ(noDrive.code, RRE_ERROR_BAD_DRIVE);

    const Reply done = maintain(9, 4);
    EXPECT_EQ(done.code, 0u);
    const std::vector<sim::JournalEntry> sent = Sent(CAPI_COMMAND_U_DO_SCSI_MAINT);
    ASSERT_EQ(sent.size(), 1u);
    const auto* params = reinterpret_cast<const CAPI_SCSI_MAINT_PARAMS*>(sent[0].include.data());
    EXPECT_EQ(params->value4, 9u);
    EXPECT_EQ(params->value12, 7u);
    EXPECT_EQ(params->value184, 6u);
    EXPECT_EQ(params->value188, 4u);
    EXPECT_EQ(std::memcmp(sent[0].include.data() + 40, Pair().drives[9].wwn.data(), 8), 0);
}

TEST_P(DriveCacheCommandsTest, CacheCommandsNameTheirObject) {
    const sim::StorageSystem pair = Pair();
    const uint8_t* array = pair.arrays[0].serial.data();
    const uint8_t* partition = pair.partitions[0].serial.data();
    const struct {
        const char* name;
        uint32_t code;
        uint32_t length;
        size_t serialAt;
        const uint8_t* serial;
        uint32_t capiCode;
        size_t sentSerialAt;
    } cases[] = {
        // clang-format off
        {"FLUSH_CACHE", RRE_FLUSH_CACHE, 44, 12, array, CAPI_COMMAND_U_FLUSH_CACHE, 0},
        {"FREE_CACHE", RRE_FREE_CACHE, 48, 16, partition, CAPI_COMMAND_U_FREE_CACHE, 0},
        {"SET_PARTITION_CACHE_PARAM", RRE_SET_PARTITION_CACHE_PARAM, 80, 16, partition,
         CAPI_COMMAND_U_SET_ARRAY_PARTITION_CACHE_PARAMS, 32},
        {"SET_ARRAY_CACHE_PARAM", RRE_SET_ARRAY_CACHE_PARAM, 80, 16, array, CAPI_COMMAND_U_SET_CACHE_PARAMS, 32},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fabric_->journal().Clear();
        const Reply reply = WithSerial(c.code, c.length, c.serialAt, c.serial, 16);
        EXPECT_EQ(reply.status, 0);
        EXPECT_EQ(reply.code, 0u);
        const std::vector<sim::JournalEntry> sent = Sent(c.capiCode);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(std::memcmp(sent[0].include.data() + c.sentSerialAt, c.serial, 16), 0);
    }
    const uint8_t unknown[32] = "NO-SUCH-OBJECT";
    EXPECT_EQ(WithSerial(RRE_FLUSH_CACHE, 44, 12, unknown, 32).code,
              static_cast<uint32_t>(CAPI_ERROR_BAD_IDENTIFIER));
}

// Orphaned cache data is freed until none is left, also when many orphans share one percentage (each
// free names another orphan); none there, nothing is sent.
TEST_P(DriveCacheCommandsTest, FreeOrphanData) {
    auto freeOrphans = [&] { return Exec(RRE_FREE_ORPHAN_DATA, 16, kHandleA, nullptr); };
    fabric_->journal().Clear();
    EXPECT_EQ(freeOrphans().code, 0u);
    EXPECT_TRUE(Sent(CAPI_COMMAND_U_FREE_CACHE).empty());

    const sim::Serial16 lost1{0x60, 1};
    const sim::Serial16 lost2{0x60, 2};
    Change([&](sim::StorageSystem& s) { s.orphanCache = {lost1, lost2}; });
    List(RRE_GET_ARRAY_LIST, kHandleA);  // the command itself reads the controller only after each free
    const Reply freed = freeOrphans();
    EXPECT_EQ(freed.status, 0);
    EXPECT_EQ(freed.code, 0u);
    EXPECT_TRUE(Pair().orphanCache.empty());
    const std::vector<sim::JournalEntry> frees = Sent(CAPI_COMMAND_U_FREE_CACHE);
    ASSERT_EQ(frees.size(), 2u);
    EXPECT_EQ(std::memcmp(frees[0].include.data(), lost1.data(), 16), 0);

    std::vector<sim::Serial16> many(21);
    for (size_t k = 0; k < many.size(); ++k) many[k] = sim::Serial16{0x61, static_cast<uint8_t>(k)};
    Change([&](sim::StorageSystem& s) { s.orphanCache = many; });
    List(RRE_GET_ARRAY_LIST, kHandleA);
    fabric_->journal().Clear();
    const Reply all = freeOrphans();
    EXPECT_EQ(all.code, 0u);
    EXPECT_TRUE(Pair().orphanCache.empty()) << Pair().orphanCache.size() << " left";
    EXPECT_EQ(Sent(CAPI_COMMAND_U_FREE_CACHE).size(), many.size());
}

// Frees that succeed but leave every orphan in place, the controller naming the next one in turn: one
// orphan named over and over, two alternating (A, B, A, B, ...), three in a ring. Naming an orphan freed
// before at the same amount is no progress, so ten passes after the last new name the answer is -1,
// long before the pass budget.
TEST_P(DriveCacheCommandsTest, FreeOrphanDataStopsWhenTheSameOrphansComeBack) {
    fabric_->SetHandler(CAPI_COMMAND_U_FREE_CACHE, [](const sim::CapiRequest&, sim::StorageSystem& s, int) {
        auto& orphans = s.orphanCache;
        if (!orphans.empty()) std::rotate(orphans.begin(), orphans.begin() + 1, orphans.end());
        return sim::CapiAnswer{};
    });
    for (const size_t orphans : {1u, 2u, 3u}) {
        SCOPED_TRACE(orphans);
        std::vector<sim::Serial16> ring(orphans);
        for (size_t k = 0; k < ring.size(); ++k) ring[k] = sim::Serial16{0x62, static_cast<uint8_t>(k)};
        Change([&](sim::StorageSystem& s) { s.orphanCache = ring; });
        List(RRE_GET_ARRAY_LIST, kHandleA);  // the command itself reads the controller only after each free
        fabric_->journal().Clear();
        const Reply stuck = Exec(RRE_FREE_ORPHAN_DATA, 16, kHandleA, nullptr);
        EXPECT_EQ(stuck.status, 0);
        EXPECT_EQ(stuck.code, 0xFFFFFFFFu);
        const std::vector<sim::JournalEntry> frees = Sent(CAPI_COMMAND_U_FREE_CACHE);
        ASSERT_EQ(frees.size(), orphans - 1 + 10);  // the new names, then ten passes without progress
        for (size_t k = 0; k < frees.size(); ++k) {
            EXPECT_EQ(std::memcmp(frees[k].include.data(), ring[k % orphans].data(), 16), 0) << "pass " << k;
        }
        EXPECT_EQ(Pair().orphanCache.size(), orphans);
    }
}

// The percentage of one array's utility, at most 100; a command that fails answers 0, not what an
// earlier reply left.
TEST_P(DriveCacheCommandsTest, PercentCompleted) {
    const sim::StorageSystem pair = Pair();
    auto percent = [&](const uint8_t* serial, uint32_t value) {
        Change([value](sim::StorageSystem& s) {
            s.arrays[1].utilityRunning = 2;
            s.arrays[1].percentComplete = value;
        });
        return WithSerial(RRE_GET_PERCENT_COMPLETED, 48, 12, serial, 32);
    };
    const Reply running = percent(pair.arrays[1].serial.data(), 37);
    EXPECT_EQ(running.code, 0u);
    EXPECT_EQ(Word(running.buffer, 44), 37u);
    EXPECT_EQ(Word(percent(pair.arrays[1].serial.data(), 250).buffer, 44), 100u);
    const uint8_t unknown[32] = "NO-SUCH-ARRAY";
    const Reply failed = percent(unknown, 37);
    EXPECT_EQ(failed.code, static_cast<uint32_t>(CAPI_ERROR_BAD_IDENTIFIER));
    EXPECT_EQ(Word(failed.buffer, 44), 0u);
}

// One record per database entry: the running utility's percent in its kind's table, 200 elsewhere, the
// serials; an entry that fails its refresh is all zero.
TEST_P(DriveCacheCommandsTest, ProgressOfEveryController) {
    Change([](sim::StorageSystem& s) {
        s.arrays[1].utilityRunning = 2;
        s.arrays[1].percentComplete = 37;
    });
    const Reply reply = Progress();
    ASSERT_EQ(g_NumControllers, 2u);
    EXPECT_EQ(reply.replyLength, static_cast<int32_t>(16 + 2 * kRecord));
    EXPECT_EQ(BigEndianAt(reply.buffer, 0), 0u);
    EXPECT_EQ(BigEndianAt(reply.buffer, 4), 0u);
    EXPECT_EQ(BigEndianAt(reply.buffer, 8), 2u);
    for (uint32_t entry = 0; entry < 2; ++entry) {
        SCOPED_TRACE(entry);
        EXPECT_EQ(BigEndianAt(reply.buffer, 16 + entry * kRecord),
                  ControllerHandleOf(static_cast<int32_t>(entry)));
        EXPECT_EQ(ProgressWord(reply, entry, 2, 1), 37u);
        for (uint32_t kind : {1u, 3u, 4u, 5u}) EXPECT_EQ(ProgressWord(reply, entry, kind, 1), 200u) << kind;
        EXPECT_EQ(ProgressWord(reply, entry, 2, 0), 200u);
        EXPECT_EQ(std::memcmp(reply.buffer.data() + 16 + entry * kRecord + kSerials + 32,
                              Pair().arrays[1].serial.data(), 32),
                  0);
    }

    const int32_t b = FindControllerByClientId(kHandleB);
    fabric_->SetControllerCondition(0, 1, sim::HalfState::Refusing, 0, CAPI_ERROR_COMMAND_FAILED);
    const Reply partial = Progress();
    EXPECT_EQ(partial.replyLength, static_cast<int32_t>(16 + 2 * kRecord));
    const uint8_t* record = partial.buffer.data() + 16 + static_cast<size_t>(b) * kRecord;
    EXPECT_TRUE(std::all_of(record, record + kRecord, [](uint8_t byte) { return byte == 0; }));
}

}  // namespace
