// The point-in-time copy commands end to end: a client of the real corlink4 (sanitizer build) on a fabric
// served by arraysim, with a snap pool, two master volumes (one of them the volume behind controller A's
// management LUN 0) and a standard volume. Requests are built and converted as the provider builds them.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "corlink/capi_wire/byte_order.h"
#include "corlink/proxy_wire/buffer_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "tests/e2e/proxy_processes.h"
#include "tests/e2e/snapshot_pair.h"
#include "tests/support/test_root.h"

namespace {

using e2e::Occurrences;
using Bytes = std::vector<uint8_t>;

using e2e::kDataVolume;
using e2e::kLogsVolume;
using e2e::kManagementVolume;
// The first vdisk's serial: the text of controller A's serial, "A" and its index.
const std::string kFirstVdisk = "00C0FF1A2B01A0";

constexpr const char* kLunZeroText =
    "ResyncLuns attempted on volume assigned to LUN 0, which is also being used to manage the array.  Remap the "
    "target volume to a non-zero LUN.";

uint32_t U32At(const Bytes& data, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, data.data() + offset, sizeof value);
    return value;
}
void PutU32(Bytes& data, size_t offset, uint32_t value) {
    std::memcpy(data.data() + offset, &value, sizeof value);
}
void Put(Bytes& data, size_t offset, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), data.begin() + offset);
}
Bytes Slice(const Bytes& data, size_t offset, size_t length) {
    return Bytes(data.begin() + static_cast<long>(offset), data.begin() + static_cast<long>(offset + length));
}
std::string HexText(const Bytes& bytes) {
    std::string text;
    char digits[3];
    for (uint8_t b : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", b);
        text += digits;
    }
    return text;
}
struct Answer {
    int32_t status = 0;
    uint32_t code = 0;
    Bytes data;  // in host order when the proxy answered the whole buffer
};

class SnapshotCommandsTest : public e2e::ProxySessionTest {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(ProxySessionTest::SetUp());
        ProxyReply list;
        ASSERT_TRUE(session_.Request(RRE_GET_CONTROLLERHANDLEDB, Bytes(40, 0), &list)) << session_.Error();
        ASSERT_EQ(ProxyWord(list.data, 8), 1u) << "one storage system";
        handleA_ = ProxyWord(list.data, 16 + 32);
        handleB_ = ProxyWord(list.data, 16 + 36);
    }

    std::string ScenarioFile() const override { return e2e::kSnapshotPairScenario; }

    // One command: `length` bytes with the controller id at 8, filled by `fill` in host order and converted
    // as a client converts them.
    Answer Exec(uint32_t code, uint32_t length, uint32_t id,
                const std::function<void(Bytes&)>& fill = nullptr) {
        Bytes data(length, 0);
        PutU32(data, 8, id);
        if (fill) fill(data);
        PackRreBuffer(code, PACK_TO_NETWORK, data.data(), data.size());
        ProxyReply reply;
        Answer answer;
        EXPECT_TRUE(session_.Request(code, data, &reply)) << session_.Error();
        if (reply.data.size() < 8) return answer;
        answer.status = static_cast<int32_t>(ProxyWord(reply.data, 0));
        answer.code = ProxyWord(reply.data, 4);
        answer.data = std::move(reply.data);
        if (answer.data.size() == length) PackRreBuffer(code, PACK_FROM_NETWORK, answer.data.data(), length);
        return answer;
    }

    Bytes Tag(uint32_t id) {
        const Answer tag = Exec(RRE_DMS_GET_TAG, 28, id, [](Bytes& d) { d[12] = 1; });
        EXPECT_EQ(tag.code, 0u);
        return Slice(tag.data, 20, 8);
    }

    // A snapshot of the data volume, created and committed as the provider does; its serial.
    Bytes CreateCommittedSnapshot() {
        const Bytes tag = Tag(handleA_);
        const Answer created = Exec(RRE_CREATE_SNAPSHOT, 1140, handleA_, [&](Bytes& d) {
            d[12] = 1;
            d[13] = 3;
            d[14] = 1;  // committed later
            d[15] = 1;  // one snapshot
            Put(d, 12 + 8, tag);
            Put(d, 12 + 16, kDataVolume);
            std::memcpy(d.data() + 12 + 32, "VSS261210190000001", 18);
        });
        EXPECT_EQ(created.status, 0);
        EXPECT_EQ(created.code, 0u);
        EXPECT_EQ(created.data.at(876), 1) << "one snapshot created";
        const Bytes snapshot = Slice(created.data, 884, 16);
        EXPECT_NE(snapshot, Bytes(16, 0));

        const Answer committed = Exec(RRE_COMMIT_SNAPSHOT, 360, handleA_, [&](Bytes& d) {
            d[16] = 1;
            d[17] = 3;
            Put(d, 16 + 8, tag);
            d[16 + 16] = 1;
            Put(d, 16 + 24, snapshot);
        });
        EXPECT_EQ(committed.status, 0);
        EXPECT_EQ(committed.code, 0u);
        return snapshot;
    }

    Answer SnapshotList(uint32_t id) {
        return Exec(RRE_GET_SNAPSHOT_LIST, 90168, id, [](Bytes& d) {
            d[12] = 2;
            d[13] = 2;
        });
    }
    Answer RolloffList() {
        return Exec(RRE_GET_ROLLOFF_VOLUME_LIST, 262164, handleA_, [](Bytes& d) { d[12] = 2; });
    }
    Answer Rollback(const Bytes& snapshot, const Bytes& master) {
        return Exec(RRE_ROLLBACK_MASTER_VOLUME, 112, handleA_, [&](Bytes& d) {
            Put(d, 16, snapshot);
            Put(d, 32, master);
        });
    }

    uint32_t handleA_ = 0;
    uint32_t handleB_ = 0;
};

TEST_F(SnapshotCommandsTest, ProviderSequenceCreatesCommitsListsRollsBackAndDeletesASnapshot) {
    const Bytes snapshot = CreateCommittedSnapshot();

    const Answer list = SnapshotList(handleA_);
    ASSERT_EQ(list.status, 0);
    EXPECT_EQ(list.code, 0u);
    ASSERT_EQ(U32At(list.data, 48), 1u);
    EXPECT_EQ(Slice(list.data, 56, 16), snapshot);
    EXPECT_EQ(U32At(list.data, 56 + 16), 1u) << "committed";
    EXPECT_EQ(Slice(list.data, 56 + 24, 16), kDataVolume) << "its master volume";
    EXPECT_EQ(Slice(list.data, 56 + 88, 88), Bytes(88, 0));

    // Both master volumes are listed, and the snap pool serves them both.
    const Answer masters = Exec(RRE_GET_MASTER_VOLUME_LIST, 180280, handleB_, [](Bytes& d) { d[13] = 2; });
    EXPECT_EQ(masters.code, 0u);
    EXPECT_EQ(U32At(masters.data, 48), 2u);
    const Answer pools = Exec(RRE_GET_BACKING_STORE_LIST, 10264, handleA_, [](Bytes& d) { d[12] = 2; });
    EXPECT_EQ(pools.code, 0u);
    EXPECT_EQ(U32At(pools.data, 16), 1u);
    EXPECT_EQ(U32At(pools.data, 24 + 44), 2u) << "master volumes on the pool";

    EXPECT_EQ(Admin("clear-journal"), "ok");
    const Answer rolledBack = Rollback(snapshot, kDataVolume);
    EXPECT_EQ(rolledBack.status, 0);
    EXPECT_EQ(rolledBack.code, 0u);
    EXPECT_EQ(Occurrences(Admin("journal"), " 1223 include="), 1u) << "sent to the controller";

    const Answer deleted = Exec(RRE_DELETE_SNAPSHOT, 360, handleA_, [&](Bytes& d) {
        d[16 + 16] = 1;
        Put(d, 16 + 24, snapshot);
    });
    EXPECT_EQ(deleted.code, 0u);
    EXPECT_EQ(U32At(SnapshotList(handleA_).data, 48), 0u);
}

// The provider's sequence for one volume to its end: the committed snapshot is mapped to this host's port
// at a LUN with CREATE_CUSTOM_VIEW, the partition's view and the host's view show the mapping, the host sees
// a new disk, and DELETE_PART removes the snapshot and its disk.
TEST_F(SnapshotCommandsTest, SnapshotMappedToTheHostBecomesADiskUntilDeleted) {
    const Bytes snapshot = CreateCommittedSnapshot();
    const std::string disk = "lun=5 serial=" + HexText(snapshot);
    const Bytes hostPort = {0x21, 0x00, 0x00, 0x1B, 0x32, 0x00, 0x00, 0x01};
    constexpr uint16_t kLun = 5;
    constexpr uint8_t kReadWrite = 0xC0;
    EXPECT_EQ(Admin("disks").find(disk), std::string::npos);

    const Answer mapped = Exec(RRE_CREATE_CUSTOM_VIEW, 42508, 1, [&](Bytes& d) {
        PutU32(d, 12, handleA_);
        std::memset(d.data() + 16, 1, 8);
        Put(d, 28, snapshot);
        d[60] = 16;  // an FC port
        Put(d, 80, hostPort);
        PutU32(d, 88, kLun);
        std::memcpy(d.data() + 108, &kLun, sizeof kLun);
        std::memset(d.data() + 112, kReadWrite, 8);
    });
    EXPECT_EQ(mapped.status, 0);
    EXPECT_EQ(mapped.code, 0u);

    const Answer view =
        Exec(RRE_GET_PARTITION_VIEW, 37456, handleA_, [&](Bytes& d) { Put(d, 16, snapshot); });
    ASSERT_EQ(view.code, 0u);
    const size_t table = 48;
    EXPECT_EQ(Slice(view.data, table, 16), snapshot);
    EXPECT_EQ(view.data[table + 28], 1) << "one host";
    EXPECT_EQ(Slice(view.data, table + 32, 8), hostPort);
    EXPECT_EQ(view.data[table + 1056], kLun);
    EXPECT_EQ(view.data[table + 1060], kReadWrite);

    const Answer hostView = Exec(RRE_GET_HOST_VIEW, 64824, handleA_, [&](Bytes& d) {
        d[24] = 16;
        Put(d, 44, hostPort);
    });
    ASSERT_EQ(hostView.code, 0u);
    const size_t partitions = 296 + 1040;
    bool listed = false;
    for (size_t k = 0; k < hostView.data[296 + 1036] && !listed; ++k) {
        listed = Slice(hostView.data, partitions + k * 28, 16) == snapshot;
    }
    EXPECT_TRUE(listed);
    EXPECT_NE(Admin("disks").find(disk), std::string::npos) << "the host sees the snapshot";

    const Answer deleted = Exec(RRE_DELETE_PART, 48, handleA_, [&](Bytes& d) { Put(d, 16, snapshot); });
    EXPECT_EQ(deleted.code, 0u);
    EXPECT_EQ(Admin("disks").find(disk), std::string::npos);
    EXPECT_EQ(U32At(SnapshotList(handleA_).data, 48), 0u);
}

// The other changes reach the fabric with their arguments where the requests carry them; a snap pool added
// through ADD_ARRAY_PART is one.
TEST_F(SnapshotCommandsTest, StatisticsResetConversionAbortAndDeleteAllReachTheFabric) {
    const Bytes snapshot = CreateCommittedSnapshot();
    const Answer statistics = Exec(RRE_GET_SNAPSHOT_STATISTICS, 131128, handleA_, [](Bytes& d) {
        d[13] = 1;
        Put(d, 16, kDataVolume);
    });
    EXPECT_EQ(statistics.code, 0u);
    ASSERT_EQ(U32At(statistics.data, 48), 1u);
    EXPECT_EQ(Slice(statistics.data, 56, 16), snapshot);
    EXPECT_EQ(Exec(RRE_RESET_SNAPSHOT, 48, handleA_, [&](Bytes& d) { Put(d, 16, snapshot); }).code, 0u);

    // A snap pool made as the provider makes one (ADD_ARRAY_PART of special class 1, type 1), then the
    // standard volume converted to a master volume over it and back.
    const Answer added = Exec(RRE_ADD_ARRAY_PART, 728, handleA_, [&](Bytes& d) {
        PutU32(d, 12, 0xFFFFFFFF);
        PutU32(d, 16, 2 * 1024 * 1024);
        d[24] = 1;
        d[25] = 1;
        std::memcpy(d.data() + 32, kFirstVdisk.data(), kFirstVdisk.size());
        std::memcpy(d.data() + 128, "pool02", 6);
    });
    ASSERT_EQ(added.code, 0u);
    const Bytes pool = Slice(added.data, 160 + 84, 16);
    const Answer pools = Exec(RRE_GET_BACKING_STORE_LIST, 10264, handleA_, [](Bytes& d) { d[12] = 1; });
    EXPECT_EQ(U32At(pools.data, 16), 2u);
    EXPECT_EQ(Slice(pools.data, 24 + 80, 16), pool);
    auto convert = [&](uint8_t operation) {
        return Exec(RRE_CONVERT_MASTER_VOLUME, 312, handleA_, [&](Bytes& d) {
            Put(d, 97, kLogsVolume);
            d[143] = operation;
            if (operation == 9) Put(d, 152, pool);
        });
    };
    auto masterVolumes = [&] {
        return U32At(Exec(RRE_GET_MASTER_VOLUME_LIST, 180280, handleA_, [](Bytes& d) { d[13] = 1; }).data,
                     48);
    };
    EXPECT_EQ(convert(9).code, 0u);
    EXPECT_EQ(masterVolumes(), 3u);
    EXPECT_EQ(convert(8).code, 0u);
    EXPECT_EQ(masterVolumes(), 2u);

    const Answer rolloff = Exec(RRE_ROLLOFF_VOLUME, 540, handleA_, [&](Bytes& d) {
        Put(d, 12, kLogsVolume);
        std::memcpy(d.data() + 12 + 16, kFirstVdisk.data(), kFirstVdisk.size());
    });
    ASSERT_EQ(rolloff.code, 0u);
    const Answer aborted = Exec(RRE_ABORT_ROLLOFF_VOLUME, 524, handleA_,
                                [&](Bytes& d) { Put(d, 12, Slice(rolloff.data, 524, 16)); });
    EXPECT_EQ(aborted.code, 0u);
    EXPECT_EQ(U32At(RolloffList().data, 16), 0u);

    const Answer deleted =
        Exec(RRE_DELETE_ALL_SNAPSHOTS, 52, handleA_, [](Bytes& d) { Put(d, 12, kDataVolume); });
    EXPECT_EQ(deleted.code, 0u);
    EXPECT_EQ(U32At(SnapshotList(handleA_).data, 48), 0u);
}

// DMS_SET_POLICY carries the policy at byte 16, SET_DMS_POLICY at byte 12; both set the snap pool's
// policies, DMS_SET_THRESHOLD_LEVEL its threshold, and the policy list shows what was set.
TEST_F(SnapshotCommandsTest, PoliciesSetThroughEitherLayoutReachTheSnapPool) {
    const Bytes pool = {0x60, 0x0C, 0x0F, 0xF0, 0x00, 0x1A, 0x2B, 0x01, 0, 0, 0, 0, 0, 0, 0, 0xA1};
    auto policyAt = [&](size_t at, uint8_t first) {
        return [&pool, at, first](Bytes& d) {
            Put(d, at, pool);
            d[at + 24] = first;
            d[at + 25] = static_cast<uint8_t>(first + 1);
            d[at + 26] = static_cast<uint8_t>(first + 2);
            PutU32(d, at + 32, 0x1234);
        };
    };
    auto policies = [&]() {
        const Answer list =
            Exec(RRE_DMS_GET_POLICY_THRESHOLD_LIST, 8248, handleA_, [](Bytes& d) { d[13] = 1; });
        EXPECT_EQ(list.code, 0u);
        EXPECT_EQ(U32At(list.data, 48), 1u);
        EXPECT_EQ(Slice(list.data, 56, 16), pool);
        return list;
    };
    EXPECT_EQ(Exec(RRE_DMS_SET_POLICY, 80, handleA_, policyAt(16, 1)).code, 0u);
    EXPECT_EQ(Slice(policies().data, 56 + 24, 3), (Bytes{1, 2, 3}));
    EXPECT_EQ(Exec(RRE_SET_DMS_POLICY, 76, handleB_, policyAt(12, 4)).code, 0u);
    EXPECT_EQ(Slice(policies().data, 56 + 24, 3), (Bytes{4, 5, 6}));
    EXPECT_EQ(Exec(RRE_DMS_SET_THRESHOLD_LEVEL, 80, handleA_, policyAt(16, 7)).code, 0u);
    const Answer list = policies();
    EXPECT_EQ(Slice(list.data, 56 + 24, 3), (Bytes{4, 5, 6})) << "the threshold level leaves the policies";
    EXPECT_EQ(U32At(list.data, 56 + 32), 0x1234u);
}

// Rolling back the volume the controller is managed through (its management LUN 0) is refused before
// anything is sent, with one event-log record.
TEST_F(SnapshotCommandsTest, RollbackOfTheManagementLunVolumeIsRefusedWithOneEventRecord) {
    EXPECT_EQ(Admin("clear-journal"), "ok");
    const Answer refused = Rollback(Bytes(16, 0x11), kManagementVolume);
    EXPECT_EQ(refused.status, -1);
    EXPECT_EQ(refused.code, 233u);
    EXPECT_EQ(refused.data.size(), 8u);
    EXPECT_EQ(Admin("journal").find(" 1223 include="), std::string::npos) << "nothing sent";
    EXPECT_EQ(Occurrences(root_.ReadFile("eventlog/Application.log"), kLunZeroText), 1u)
        << root_.ReadFile("eventlog/Application.log");
}

TEST_F(SnapshotCommandsTest, RolloffListFollowsAFullCopyToItsEnd) {
    // The copy is held at half way until the test has seen it running, however loaded the machine.
    EXPECT_EQ(Admin("set pair=0 rolloff-stall-percent=50"), "ok");
    const Answer rolloff = Exec(RRE_ROLLOFF_VOLUME, 540, handleA_, [&](Bytes& d) {
        Put(d, 12, kLogsVolume);
        std::memcpy(d.data() + 12 + 16, kFirstVdisk.data(), kFirstVdisk.size());
        std::memcpy(d.data() + 12 + 40, "VSS261210190000002", 18);
        PutU32(d, 12 + 72, 1);
    });
    ASSERT_EQ(rolloff.status, 0);
    EXPECT_EQ(rolloff.code, 0u);
    const Bytes volume = Slice(rolloff.data, 524, 16);
    EXPECT_NE(volume, Bytes(16, 0)) << "the new rolloff volume";

    // Running at first (status bit 0), then done at 100 percent; the children's clocks run 100 times fast.
    bool sawRunning = false;
    Answer list;
    for (int poll = 0; poll < 400; ++poll) {
        list = RolloffList();
        ASSERT_EQ(list.code, 0u);
        ASSERT_EQ(U32At(list.data, 16), 1u);
        ASSERT_EQ(Slice(list.data, 20, 16), volume);
        EXPECT_EQ(Slice(list.data, 20 + 32, 16), kLogsVolume);
        if (list.data[20 + 48] == 100) break;
        EXPECT_EQ(U32At(list.data, 20 + 56) & 1, 1u);
        if (!sawRunning) {
            EXPECT_EQ(Admin("set pair=0 rolloff-stall-percent=100"), "ok");  // the copy goes on
        }
        sawRunning = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(sawRunning);
    EXPECT_EQ(list.data[20 + 48], 100);
    EXPECT_EQ(U32At(list.data, 20 + 56) & 1, 0u);
}

// A rolloff whose list does not show its source leaves the reply's serial as the client sent it; a list
// reply that claims more entries than the reply holds answers the 2,048 that fit and overruns nothing; a
// refused list leaves the client's bytes alone.
TEST_F(SnapshotCommandsTest, RolloffListCountsAreBoundedAndAMissingEntryLeavesTheSerialAlone) {
    EXPECT_EQ(Admin("fault pair=0 half=a kind=claims-records command=1209 code=0"), "ok");
    const Answer rolloff = Exec(RRE_ROLLOFF_VOLUME, 540, handleA_, [&](Bytes& d) {
        Put(d, 12, kLogsVolume);
        std::memcpy(d.data() + 12 + 16, kFirstVdisk.data(), kFirstVdisk.size());
        std::memset(d.data() + 524, 0xAB, 16);
    });
    EXPECT_EQ(rolloff.code, 0u);
    EXPECT_EQ(Slice(rolloff.data, 524, 16), Bytes(16, 0xAB));

    EXPECT_EQ(Admin("fault pair=0 half=a kind=claims-records command=1209 code=3000"), "ok");
    const Answer list = RolloffList();
    ASSERT_EQ(list.status, 0);
    EXPECT_EQ(list.code, 0u);
    EXPECT_EQ(U32At(list.data, 16), 2048u);
    EXPECT_EQ(Slice(list.data, 20 + 32, 16), kLogsVolume) << "the one real entry comes first";

    // A list the controller refused goes back as the client sent it.
    EXPECT_EQ(Admin("fault pair=0 half=a kind=return-code command=1209 code=26"), "ok");
    const Answer refused = Exec(RRE_GET_ROLLOFF_VOLUME_LIST, 262164, handleA_, [](Bytes& d) {
        PutU32(d, 16, 77);
        std::memset(d.data() + 20, 0xCD, 128);
    });
    EXPECT_EQ(refused.code, 26u);
    EXPECT_EQ(U32At(refused.data, 16), 77u);
    EXPECT_EQ(Slice(refused.data, 20, 128), Bytes(128, 0xCD));
}

// Each list and the tag come from a store the reply callback fills; a command whose controller never
// answers must not hand out what an earlier command for the partner controller stored.
TEST_F(SnapshotCommandsTest, AFailedCommandNeverAnswersWithAnotherControllersData) {
    CreateCommittedSnapshot();
    const struct {
        const char* name;
        uint32_t code;
        uint32_t length;
        uint32_t capiCommand;
        size_t field;  // the count, or the tag
        size_t size;
    } cases[] = {
        // clang-format off
        {"GET_SNAPSHOT_LIST", RRE_GET_SNAPSHOT_LIST, 90168, 1201, 48, 4 + 4 + 88},
        {"GET_MASTER_VOLUME_LIST", RRE_GET_MASTER_VOLUME_LIST, 180280, 1220, 48, 4 + 4 + 88},
        {"GET_BACKING_STORE_LIST", RRE_GET_BACKING_STORE_LIST, 10264, 1210, 16, 8 + 80},
        {"DMS_GET_TAG", RRE_DMS_GET_TAG, 28, 1230, 20, 8},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto selectors = [](Bytes& d) {
            d[12] = 1;
            d[13] = 1;
        };
        const Answer fromA = Exec(c.code, c.length, handleA_, selectors);
        ASSERT_EQ(fromA.code, 0u);
        ASSERT_NE(Slice(fromA.data, c.field, c.size), Bytes(c.size, 0));
        EXPECT_EQ(
            Admin("fault pair=0 half=b kind=no-reply command=" + std::to_string(c.capiCommand) + " times=3"),
            "ok");
        const Answer fromB = Exec(c.code, c.length, handleB_, selectors);
        EXPECT_EQ(fromB.status, 0);
        EXPECT_NE(fromB.code, 0u);
        EXPECT_EQ(Slice(fromB.data, c.field, c.size), Bytes(c.size, 0));
    }
}

}  // namespace
