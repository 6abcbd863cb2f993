#include "sim/capi/records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_drive.h"
#include "corlink/capi_wire/capi_enclosure.h"
#include "corlink/capi_wire/capi_host.h"
#include "corlink/capi_wire/capi_protocol.h"
#include "corlink/capi_wire/capi_unified_controller.h"
#include "sim/capi/host_records.h"
#include "sim/capi/settings_record.h"
#include "sim/model/array_config.h"

namespace sim {
namespace {

// The FRU that names the storage system: type 9, its data valid (2).
constexpr uint8_t kSystemFruType = 9;
constexpr uint8_t kFruDataValid = 2;
constexpr uint8_t kNoArray = 0xFF;
constexpr size_t kOrphanPercentEach = 10;  // share of the cache each orphaned volume's data holds

// Text into a fixed char field, always leaving a terminator.
template <size_t N>
void PutText(char (&field)[N], const std::string& text) {
    std::snprintf(field, N, "%s", text.c_str());
}

// How the drive is used and where it sits: its array by index (0xFF for none) and by serial after the
// drive record, channel, scsiId and WWN.
void FillDriveUse(const StorageSystem& system, const Drive& model, CAPI_UNIFIED_DRIVE& record) {
    CAPI_DRIVE& drive = record.drive;
    std::memcpy(record.reserved212, model.array.data(), model.array.size());
    drive.howUsed = static_cast<uint8_t>(model.use);
    const std::optional<size_t> array = ArrayIndex(system, model.array.data());
    drive.containerIndex = array ? static_cast<uint8_t>(*array) : kNoArray;
    drive.channel = model.channel;
    drive.scsiId = model.scsiId;
    drive.blinking = model.blinking ? 1 : 0;
    std::memcpy(drive.flexId.FCNodeWWN, model.wwn.data(), model.wwn.size());
}

// The cached data that lost its volume: how much there is, and the first volume it belonged to.
void FillOrphanData(const StorageSystem& system, CAPI_UNIFIED_CONTROLLER_DATA& half) {
    half.orphanDataPercent =
        static_cast<uint8_t>(std::min<size_t>(system.orphanCache.size() * kOrphanPercentEach, 100));
    if (!system.orphanCache.empty()) {
        std::memcpy(half.orphanDataSerialNumber, system.orphanCache.front().data(),
                    system.orphanCache.front().size());
    }
}

void FillHalf(const StorageSystem& system, int controller, CAPI_UNIFIED_CONTROLLER_DATA& half) {
    const Controller& c = system.controllers[controller];
    half.configSequenceNumber = ConfigSequenceNumber(system, controller);
    half.numDrives = static_cast<uint32_t>(system.drives.size());
    half.numArrays = static_cast<uint32_t>(system.arrays.size());
    half.totalNumArrayPartitions = static_cast<uint32_t>(system.partitions.size());
    const std::string serial = HexText(c.serial);
    std::memcpy(half.serialNumber, serial.data(), serial.size());
    half.serialNumberLength = static_cast<uint8_t>(serial.size());
    half.capiVersionMajor = c.capiVersionMajor;
    half.capiVersionMinor = c.capiVersionMinor;
    half.capabilities3 = c.capabilities3;
    PutText(half.identityStrings[0], system.vendor);
    PutText(half.identityStrings[1], system.product);
    PutText(half.identityStrings[2], system.revision);
    std::memcpy(half.currentNodeWWN, c.portWwnn.data(), c.portWwnn.size());
    FillOrphanData(system, half);
}

}  // namespace

std::vector<uint8_t> UnifiedControllerPayload(const StorageSystem& system) {
    auto unified = std::make_unique<CAPI_UNIFIED_CONTROLLER>();
    std::memset(unified.get(), 0, sizeof(CAPI_UNIFIED_CONTROLLER));
    CAPI_UNIFIED_COMMON_DATA& common = unified->common;
    const uint32_t hostChannels = std::min<uint32_t>(system.params.numHostChannels, kMaxHostChannels);
    common.numHostChannels = hostChannels;
    common.numDriveChannels = 2;
    common.raidCapable = 1;
    const SnapshotLimits& limits = system.params.snapshotLimits;
    common.extraC.maxSnapshots = limits.maxSnapshots;
    common.extraC.maxSnapshotsPerControllerPair = limits.maxSnapshotsPerControllerPair;
    common.extraC.maxSnapshotsPerVolume = limits.maxSnapshotsPerVolume;
    for (uint32_t i = 0; i < hostChannels; ++i)
        common.hostChannelSummaries[i].busType = system.params.hostBusTypes[i];
    // Half ab of the pair is controller ab: half 1 is A (failoverId 1), half 0 is B.
    for (int controller = 0; controller < 2; ++controller) {
        FillHalf(system, controller, unified->controllers[system.controllers[controller].failoverId]);
    }
    PutSettings(system, *unified);
    return BytesOf(*unified);
}

std::vector<uint8_t> ArrayListPayload(const StorageSystem& system) {
    std::vector<uint8_t> records;
    for (size_t a = 0; a < system.arrays.size(); ++a) {
        const Array& array = system.arrays[a];
        CAPI_ARRAY record;
        std::memset(&record, 0, sizeof record);
        record.numDrives = array.numDrives;
        PutText(record.name, array.name);
        std::memcpy(record.serialNumber, array.serial.data(), array.serial.size());
        record.serialNumberLength = static_cast<uint8_t>(array.serial.size());
        record.raidLevel = array.raidLevel;
        record.preferredOwner = array.preferredOwner;
        record.currentOwner = array.currentOwner;
        const uint64_t free = FreeBlocks(system, a);
        record.freeCapacity.longs[0] = static_cast<uint32_t>(free);
        record.freeCapacity.longs[1] = static_cast<uint32_t>(free >> 32);
        record.numFreeArrayPartitionSegments = free != 0 ? 1 : 0;
        record.maxNewPartitionSize.longs[0] = static_cast<uint32_t>(free);
        record.maxNewPartitionSize.longs[1] = static_cast<uint32_t>(free >> 32);
        record.utilityRunning = array.utilityRunning;
        uint8_t partitions = 0;
        for (const Partition& partition : system.partitions) {
            if (partition.array == a) ++partitions;
        }
        record.numArrayPartitions = partitions;
        record.largeNumArrayPartitions = partitions;
        record.configSequenceNumber = system.arrayListChanges;
        auto bytes = BytesOf(record);
        records.insert(records.end(), bytes.begin(), bytes.end());
    }
    return records;
}

std::vector<uint8_t> DriveListPayload(const StorageSystem& system) {
    std::vector<uint8_t> records;
    for (size_t i = 0; i < system.drives.size(); ++i) {
        CAPI_UNIFIED_DRIVE record;
        std::memset(&record, 0, sizeof record);
        CAPI_DRIVE& drive = record.drive;
        drive.blockCapacity = static_cast<uint32_t>(system.drives[i].blocks);
        const std::string& serial = system.drives[i].serial;
        const size_t length = std::min(serial.size(), sizeof drive.serialNumber);
        std::memcpy(drive.serialNumber, serial.data(), length);
        drive.serialNumberLength = static_cast<uint8_t>(length);
        PutText(drive.vendor, "SIMDISK");
        PutText(drive.model, "SIM-SAS-1200");
        PutText(drive.revision, "S100");
        drive.driveIndex = static_cast<uint8_t>(i);
        FillDriveUse(system, system.drives[i], record);
        drive.configSequenceNumber = system.driveListChanges;
        auto bytes = BytesOf(record);
        records.insert(records.end(), bytes.begin(), bytes.end());
    }
    return records;
}

std::vector<uint8_t> PartitionListPayload(const StorageSystem& system, size_t array) {
    std::vector<uint8_t> records;
    for (const Partition& partition : system.partitions) {
        if (partition.array != array) continue;
        CAPI_UNIFIED_PARTITION record;
        std::memset(&record, 0, sizeof record);
        record.size.longs[0] = static_cast<uint32_t>(partition.blocks);
        record.size.longs[1] = static_cast<uint32_t>(partition.blocks >> 32);
        const bool presented = partition.defaultMap.PresentedOn(system.params.numHostChannels);
        record.lun = presented ? partition.defaultMap.hlun : -1;
        std::memcpy(record.arraySerialNumber, system.arrays[array].serial.data(),
                    sizeof record.arraySerialNumber);
        std::memcpy(record.serialNumber, partition.serial.data(), sizeof record.serialNumber);
        PutText(record.name, partition.name);
        record.specialClass = SpecialClassOf(partition.partitionClass);
        record.type = SpecialTypeOf(partition.partitionClass);
        record.value13 = system.arrays[array].preferredOwner;  // the partition's preferred owner
        auto bytes = BytesOf(record);
        records.insert(records.end(), bytes.begin(), bytes.end());
    }
    return records;
}

namespace {

// A text field of a fixed width, unterminated when the text fills it.
template <size_t N>
void PutChars(char (&field)[N], const std::string& text) {
    std::memcpy(field, text.data(), std::min(text.size(), N));
}

CAPI_DRIVE_ENCLOSURE_PARAMS EnclosureParams(const StorageSystem& system, size_t enclosure) {
    CAPI_DRIVE_ENCLOSURE_PARAMS params;
    std::memset(&params, 0, sizeof params);
    const Enclosure e = EnclosureOf(system, enclosure);
    const auto serial = EnclosureSerialBytes(system, enclosure);
    std::memcpy(params.empSerialNumber, serial.data(), serial.size());
    PutChars(params.name, e.name);
    PutChars(params.location, e.location);
    params.rackNumber = e.rackNumber;
    params.rackPosition = e.rackPosition;
    return params;
}

CAPI_DRIVE_ENCLOSURE EnclosureRecord(const StorageSystem& system, size_t enclosure) {
    CAPI_DRIVE_ENCLOSURE record;
    std::memset(&record, 0, sizeof record);
    const CAPI_DRIVE_ENCLOSURE_PARAMS params = EnclosureParams(system, enclosure);
    std::memcpy(record.empSerialNumber, params.empSerialNumber, sizeof record.empSerialNumber);
    record.serialNumberLength = static_cast<uint8_t>(
        std::min<size_t>(EnclosureOf(system, enclosure).serial.size(), sizeof record.empSerialNumber));
    const Wwn wwn = EnclosureWwn(system, enclosure);
    std::memcpy(record.enclosureWWN, wwn.data(), sizeof record.enclosureWWN);
    std::memcpy(record.name, params.name, sizeof record.name);
    std::memcpy(record.location, params.location, sizeof record.location);
    record.rackNumber = params.rackNumber;
    record.rackPosition = params.rackPosition;
    return record;
}

}  // namespace

size_t EnclosureCount(const StorageSystem& system) {
    return std::min<size_t>(system.settings.enclosureCount, kMaxEnclosures);
}

Wwn EnclosureWwn(const StorageSystem& system, size_t enclosure) {
    Wwn wwn = system.enclosureWwn;
    wwn[wwn.size() - 1] = static_cast<uint8_t>(wwn[wwn.size() - 1] + enclosure);
    return wwn;
}

Enclosure EnclosureOf(const StorageSystem& system, size_t enclosure) {
    const auto& set = system.settings.enclosures;
    if (enclosure < set.size()) return set[enclosure];
    Enclosure defaults;
    defaults.serial = HexText(EnclosureWwn(system, enclosure));
    defaults.name = "Enclosure " + std::to_string(enclosure + 1);
    return defaults;
}

std::array<uint8_t, 32> EnclosureSerialBytes(const StorageSystem& system, size_t enclosure) {
    std::array<uint8_t, 32> bytes{};
    const std::string serial = EnclosureOf(system, enclosure).serial;
    std::memcpy(bytes.data(), serial.data(), std::min(serial.size(), bytes.size()));
    return bytes;
}

std::vector<uint8_t> EnclosureListPayload(const StorageSystem& system) {
    std::vector<uint8_t> records;
    for (size_t k = 0; k < EnclosureCount(system); ++k) {
        const auto bytes = BytesOf(EnclosureRecord(system, k));
        records.insert(records.end(), bytes.begin(), bytes.end());
    }
    return records;
}

std::vector<uint8_t> AdvancedEnclosurePayload(const StorageSystem& system, size_t enclosure) {
    auto advanced = std::make_unique<CAPI_ADVANCED_DRIVE_ENCLOSURE>();
    std::memset(advanced.get(), 0, sizeof(CAPI_ADVANCED_DRIVE_ENCLOSURE));
    advanced->enclosure = EnclosureRecord(system, enclosure);
    advanced->params = EnclosureParams(system, enclosure);
    advanced->maxFrusInThisEnclosure = 10;
    if (enclosure != 0) return BytesOf(*advanced);
    // The first enclosure holds the FRU that names the storage system.
    advanced->numFrusInThisEnclosure = 1;
    advanced->fruidInfo[0].fruType = kSystemFruType;
    PutText(advanced->fruidInfo[0].supplierSn, system.uniqueSn);
    advanced->fruDataValidity[0] = kFruDataValid;
    return BytesOf(*advanced);
}

std::vector<uint8_t> PartitionViewPayload(const Partition& partition) {
    auto view = ZeroedRecord<CAPI_PARTITION_VIEW_TABLE>();
    std::memcpy(&view->partitionSerialNumber, partition.serial.data(), partition.serial.size());
    auto putMap = [](CAPI_PARTITION_MAP& out, const PartitionMap& map) {
        out.hlun = map.hlun;
        std::memcpy(out.flags, map.flags.data(), sizeof out.flags);
    };
    putMap(view->defaultMapping, partition.defaultMap);
    const size_t hosts = std::min<size_t>(partition.hostMaps.size(), 128);
    view->numHosts = static_cast<uint16_t>(hosts);
    for (size_t k = 0; k < hosts; ++k) {
        const HostMapping& host = partition.hostMaps[k];
        std::memcpy(view->wwn[k], host.host.port.data(), host.host.port.size());
        putMap(view->mappings[k], host.map);
        view->hostPorts[k] = FlexIdOf(host.host);
        PutText(view->iscsiNames[k], host.host.iscsiName);
    }
    return BytesOf(*view);
}

}  // namespace sim
