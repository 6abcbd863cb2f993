// A controller set discovered from a scripted proxy: what each controller id answers (its controller data,
// two arrays and its volumes), the storage-system list, and the counts of what was sent.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "corlink/proxy_wire/controller_list_wire.h"
#include "corlink/proxy_wire/proxy_commands.h"
#include "provider/controllers/raid_controller_set.h"
#include "provider/controllers/retry_policy.h"
#include "tests/unit/provider/proxy_wire.h"
#include "tests/unit/provider/session_fixture.h"

namespace providertest {

constexpr uint32_t kSnapshotBit = 0x80000000u;
constexpr uint32_t kRefused = 7;  // a controller's refusal of GET_CONTROLLER

struct Volume {
    const char* name;
    uint8_t idByte;  // the partition ID is 16 of these
    uint8_t array;
    uint8_t specialClass = 0;  // a standard volume unless set
    uint8_t specialType = 0;
    uint8_t isPaged = 0;
    int32_t lun = 0;  // the LUN of its default mapping; -1 when it has none
};

// What one controller id answers: its controller data, its two arrays (vd1 owned by owners[0], vd2 by
// owners[1]) and its volumes.
struct ControllerTraits {
    std::string serial;
    uint8_t failoverId = 1;
    uint8_t major = 3;
    uint8_t minor = 10;
    uint32_t capabilities3 = kSnapshotBit;
    uint32_t refreshCode = 0;
    uint16_t maxSnapshots = 64;
    uint16_t maxPair = 128;
    uint8_t owners[2] = {1, 0};
    std::vector<Volume> volumes;
    std::string firmware;  // the controller's firmware revision
    std::string partner;   // the other controller's serial number, as this one reports it

    ControllerTraits& B() { return failoverId = 0, *this; }
    ControllerTraits& Capi(uint8_t newMajor, uint8_t newMinor) {
        return major = newMajor, minor = newMinor, *this;
    }
    ControllerTraits& Capabilities3(uint32_t value) { return capabilities3 = value, *this; }
    ControllerTraits& Owners(uint8_t vd1, uint8_t vd2) { return owners[0] = vd1, owners[1] = vd2, *this; }
    ControllerTraits& With(std::vector<Volume> list) { return volumes = std::move(list), *this; }
    ControllerTraits& Firmware(std::string revision) { return firmware = std::move(revision), *this; }
    ControllerTraits& Partner(std::string serialNumber) { return partner = std::move(serialNumber), *this; }
};

inline ControllerTraits Controller(const char* serial) {
    ControllerTraits traits;
    traits.serial = serial;
    return traits;
}

// Rows of the pair's snapshot, master-volume and snap-pool lists, as the clean-up after a snapshot deletion
// reads them; each partition ID is 16 equal bytes.
struct SnapshotRow {
    uint8_t snapshot;
    uint8_t masterVolume;
};
struct MasterVolumeRow {
    uint8_t masterVolume;
    uint8_t snapPool;
    uint32_t snapshots;
};
struct SnapPoolRow {
    uint8_t snapPool;
    uint32_t masterVolumes;
};

// A list reply in host order: `count` at countAt, then one record per row from listAt, each filled by `fill`.
template <class Record, class Row, class Fill>
std::vector<uint8_t> ListReply(size_t size, size_t countAt, size_t listAt, uint32_t count,
                               const std::vector<Row>& rows, Fill fill) {
    std::vector<uint8_t> host(std::max(size, listAt + rows.size() * sizeof(Record)), 0);
    count = std::max<uint32_t>(count, static_cast<uint32_t>(rows.size()));
    std::memcpy(host.data() + countAt, &count, sizeof count);
    for (size_t i = 0; i < rows.size(); ++i) {
        Record record{};
        fill(rows[i], &record);
        std::memcpy(host.data() + listAt + i * sizeof(Record), &record, sizeof record);
    }
    return host;
}

struct Subsystem {
    const char* uniqueSn;
    uint32_t a;
    uint32_t b;
};

inline std::vector<uint8_t> ControllerData(uint32_t id, const ControllerTraits& traits) {
    std::vector<uint8_t> bytes(sizeof(API_RAID_CONTROLLER), 0);
    auto* c = reinterpret_cast<API_RAID_CONTROLLER*>(bytes.data());
    c->controllerId = id;
    CAPI_CONTROLLER& data = c->controller;
    std::memcpy(data.serialNumber, traits.serial.data(), std::min<size_t>(traits.serial.size(), 32));
    std::memset(data.manufacturer, 'M', sizeof data.manufacturer);
    std::memcpy(data.firmwareRevision, traits.firmware.data(),
                std::min(traits.firmware.size(),
                         sizeof data.firmwareRevision));  // unterminated: read within its field
    data.failover.failoverId = traits.failoverId;
    std::memcpy(data.failover.otherSerialNumber, traits.partner.data(),
                std::min<size_t>(traits.partner.size(), 32));
    data.capiVersionMajor = traits.major;
    data.capiVersionMinor = traits.minor;
    data.capabilities = 1;
    data.capabilities3 = traits.capabilities3;
    data.controllerExtraC.maxSnapshots = traits.maxSnapshots;
    data.controllerExtraC.maxSnapshotsPerControllerPair = traits.maxPair;
    c->numArrays = 2;
    for (uint32_t a = 0; a < 2; ++a) {
        std::snprintf(c->arrays[a].name, sizeof c->arrays[a].name, "vd%u", a + 1);
        std::memset(c->arrays[a].serialNumber, static_cast<int>(0xA1 + a), 16);
        c->arrays[a].serialNumberLength = 16;
        c->arrays[a].currentOwner = traits.owners[a];
        c->arrays[a].preferredOwner = traits.owners[a];
    }
    for (const Volume& v : traits.volumes) {
        API_PARTITION_ENTRY& entry = c->partitions[c->partitionCount];
        entry.arrayIndex = v.array;
        entry.partitionIndex = static_cast<uint16_t>(c->arrays[v.array].largeNumArrayPartitions++);
        std::snprintf(entry.partition.name, sizeof entry.partition.name, "%s", v.name);
        std::memset(entry.partition.serialNumber, v.idByte, 16);
        std::memcpy(entry.partition.arraySerialNumber, c->arrays[v.array].serialNumber, 16);
        entry.partition.specialClass = v.specialClass;
        entry.partition.type = v.specialType;
        entry.partition.paged = v.isPaged;
        entry.partition.lun = v.lun;
        ++c->partitionCount;
    }
    WriteBigEndian32(bytes.data() + 4, traits.refreshCode);
    if (traits.refreshCode != 0) bytes.resize(8);
    return bytes;
}

inline std::vector<uint8_t> SubsystemList(const std::vector<Subsystem>& list) {
    std::vector<uint8_t> bytes(RRE_HANDLE_DB_LENGTH, 0);
    WriteBigEndian32(bytes.data() + RRE_HANDLE_DB_COUNT_OFFSET, static_cast<uint32_t>(list.size()));
    for (size_t i = 0; i < list.size(); ++i) {
        uint8_t* record = bytes.data() + RRE_HANDLE_DB_RECORD_OFFSET + i * RRE_HANDLE_DB_RECORD_SIZE;
        std::memcpy(record, list[i].uniqueSn, std::strlen(list[i].uniqueSn));
        WriteBigEndian32(record + RRE_HANDLE_DB_ID_A_OFFSET, list[i].a);
        WriteBigEndian32(record + RRE_HANDLE_DB_ID_B_OFFSET, list[i].b);
    }
    return bytes;
}

class ControllerSetTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        proxy_.SetScript([this](const ProxyMessage& request) { return Answer(request); });
        ASSERT_EQ(ProxyInit(), 0);
        set_ = std::make_unique<BVSS_RaidControllerSet>();
    }
    void TearDown() override {
        set_.reset();
        CloseCapiSleepTimer();
        SessionTest::TearDown();
    }

    ScriptAction Answer(const ProxyMessage& request) {
        switch (request.header.OpCode) {
            case RRE_GET_CONTROLLERHANDLEDB:
                if (listUnreachable_) return ScriptAction{{}, true};
                return ScriptAction{{ReplyTo(request, SubsystemList(subsystems_))}, false};
            case RRE_GET_CONTROLLER: {
                const uint32_t id = ReadBigEndian32(request.data.data());
                auto traits = controllers_.find(id);
                if (traits == controllers_.end()) {
                    ControllerTraits refused;
                    refused.refreshCode = kRefused;
                    return ScriptAction{{ReplyTo(request, ControllerData(id, refused))}, false};
                }
                return ScriptAction{{ReplyTo(request, ControllerData(id, traits->second))}, false};
            }
            case RRE_GET_SNAPSHOT_LIST: {
                const auto host = ListReply<CAPI_SNAPSHOT>(
                    90168, 48, 56, snapshotsBySelector_[request.data[13]], snapshotRows_,
                    [](const SnapshotRow& row, CAPI_SNAPSHOT* record) {
                        std::memset(record->partitionId, row.snapshot, 16);
                        std::memset(record->masterPartitionId, row.masterVolume, 16);
                    });
                return ScriptAction{{ReplyTo(request, NetworkReply(request.header.OpCode, host))}, false};
            }
            case RRE_GET_MASTER_VOLUME_LIST: {  // empty unless rows are given, as a refresh reads it
                const auto host = ListReply<CAPI_MASTER_VOLUME>(
                    request.data.size(), 48, 56, 0, masterVolumeRows_,
                    [](const MasterVolumeRow& row, CAPI_MASTER_VOLUME* record) {
                        std::memset(record->partitionId, row.masterVolume, 16);
                        std::memset(record->snapPoolPartitionId, row.snapPool, 16);
                        record->numSnapshots = row.snapshots;
                    });
                return ScriptAction{{ReplyTo(request, NetworkReply(request.header.OpCode, host))}, false};
            }
            case RRE_GET_BACKING_STORE_LIST: {
                const auto host =
                    ListReply<CAPI_BACKING_STORE>(request.data.size(), 16, 24, 0, snapPoolRows_,
                                                  [](const SnapPoolRow& row, CAPI_BACKING_STORE* record) {
                                                      std::memset(record->partitionId, row.snapPool, 16);
                                                      record->numMasterVolumes = row.masterVolumes;
                                                  });
                return ScriptAction{{ReplyTo(request, NetworkReply(request.header.OpCode, host))}, false};
            }
            default: return ScriptAction{{ReplyTo(request, std::vector<uint8_t>(8, 0))}, false};
        }
    }

    size_t Sent(uint32_t opCode) {
        size_t n = 0;
        for (const ProxyMessage& m : proxy_.Messages()) n += m.header.OpCode == opCode ? 1 : 0;
        return n;
    }
    uint32_t LastControllerIdAsked() {
        uint32_t id = 0;
        for (const ProxyMessage& m : proxy_.Messages())
            if (m.header.OpCode == RRE_GET_CONTROLLER) id = ReadBigEndian32(m.data.data());
        return id;
    }
    std::vector<std::string> SetSerials() {
        std::vector<std::string> serials;
        for (const auto& c : set_->mControllers)
            serials.emplace_back(reinterpret_cast<const char*>(c->getSerialNumber()));
        return serials;
    }
    BVSS_CapiRaidController* Held(const std::string& serial) {
        for (const auto& c : set_->mControllers)
            if (serial == reinterpret_cast<const char*>(c->getSerialNumber())) return c.get();
        return nullptr;
    }

    std::vector<Subsystem> subsystems_;
    std::map<uint32_t, ControllerTraits> controllers_;
    std::map<uint8_t, uint32_t> snapshotsBySelector_;
    std::vector<SnapshotRow> snapshotRows_;  // listed for every selector
    std::vector<MasterVolumeRow> masterVolumeRows_;
    std::vector<SnapPoolRow> snapPoolRows_;
    bool listUnreachable_ = false;
    std::unique_ptr<BVSS_RaidControllerSet> set_;
};

}  // namespace providertest
