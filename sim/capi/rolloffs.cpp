// Rolloff volumes: a full copy of a volume into a new volume on a vdisk the request names, which runs for
// the pair's copy time on the platform clock; the list shows each copy's progress until it is aborted.
#include <algorithm>
#include <cstring>
#include <string>

#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "corlink/capi_wire/capi_snapshot.h"
#include "sim/capi/command_rows.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeRolloff = 85;
constexpr uint32_t kIncludeAbortRolloff = 88;
constexpr uint32_t kIncludeRolloffVolumes = 87;
// The rolloff parameters: the target vdisk's serial (its first 16 bytes) and the new volume's name.
constexpr uint32_t kVdiskAt = 16;
constexpr uint32_t kVdiskLength = 16;
constexpr uint32_t kNameAt = 40;
constexpr uint32_t kNameLength = 32;
constexpr uint32_t kRolloffRunning = 1;  // status bit 0 while the copy runs

size_t FindArrayByPrefix(const StorageSystem& pair, const uint8_t* serial) {
    for (size_t a = 0; a < pair.arrays.size(); ++a) {
        if (std::memcmp(pair.arrays[a].serial.data(), serial, kVdiskLength) == 0) return a;
    }
    return pair.arrays.size();
}

void Rolloff(Call& call) {
    CAPI_ROLLOFF_PARAMS params;
    if (!call.Include(&params)) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    StorageSystem& pair = call.pair();
    SnapshotServices& services = pair.snapshotServices;
    const Partition* found = FindPartition(pair, params.volumeSerialNumber);
    const size_t array = FindArrayByPrefix(pair, reinterpret_cast<const uint8_t*>(&params) + kVdiskAt);
    if (found == nullptr || array == pair.arrays.size()) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    const Partition source = *found;
    const uint64_t now = call.nowMs();
    const bool copying =
        std::any_of(services.rolloffs.begin(), services.rolloffs.end(), [&](const RolloffCopy& c) {
            return c.source == source.serial && c.Running(now) &&
                   FindPartition(pair, c.volume.data()) != nullptr;
        });
    if (copying) return call.Fail(CAPI_ERROR_ROLLOFF_IN_PROGRESS);
    if (FreeBlocks(pair, array) < source.blocks) return call.Fail(CAPI_ERROR_INSUFFICIENT_ARRAY_FREE_SPACE);
    const auto* name = reinterpret_cast<const char*>(&params) + kNameAt;
    Partition& volume =
        AddVolumeLike(pair, source, PartitionClass::Standard, std::string(name, strnlen(name, kNameLength)));
    volume.array = array;
    services.rolloffs.push_back(
        {volume.serial, source.serial, now, services.rolloffCopyMs, services.rolloffStallPercent});
}

// The abort record names the rolloff volume by its serial in its first 16 bytes; the volume goes with it.
void AbortRolloff(Call& call) {
    const uint8_t* named = call.IncludeAt(0, 16);
    StorageSystem& pair = call.pair();
    std::vector<RolloffCopy>& copies = pair.snapshotServices.rolloffs;
    const auto copy = std::find_if(copies.begin(), copies.end(), [&](const RolloffCopy& c) {
        return named != nullptr && std::memcmp(c.volume.data(), named, c.volume.size()) == 0 &&
               c.Running(call.nowMs());
    });
    if (copy == copies.end()) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    const Serial16 volume = copy->volume;
    copies.erase(copy);
    pair.partitions.erase(std::remove_if(pair.partitions.begin(), pair.partitions.end(),
                                         [&](const Partition& p) { return p.serial == volume; }),
                          pair.partitions.end());
}

// The copies whose rolloff volume still exists, with their progress now.
void GetRolloffVolumeList(Call& call) {
    StorageSystem& pair = call.pair();
    std::vector<uint8_t> records;
    uint32_t count = 0;
    for (const RolloffCopy& copy : pair.snapshotServices.rolloffs) {
        if (FindPartition(pair, copy.volume.data()) == nullptr) continue;
        CAPI_ROLLOFF_VOLUME record;
        std::memset(&record, 0, sizeof record);
        std::memcpy(record.serialNumber, copy.volume.data(), copy.volume.size());
        std::memcpy(record.sourceSerialNumber, copy.source.data(), copy.source.size());
        record.percentComplete = copy.PercentComplete(call.nowMs());
        record.status = copy.Running(call.nowMs()) ? kRolloffRunning : 0;
        const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
        records.insert(records.end(), bytes, bytes + sizeof record);
        ++count;
    }
    call.ReplyList(kIncludeRolloffVolumes, count, std::move(records));
}

constexpr Sequence kSeq = Sequence::PairInParams23;

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_ROLLOFF, "U_ROLLOFF", kIncludeRolloff, sizeof(CAPI_ROLLOFF_PARAMS), true, kSeq, Rolloff},
    {CAPI_COMMAND_U_GET_ROLLOFF_VOLUME_LIST, "U_GET_ROLLOFF_VOLUME_LIST", 0, 0, false, kSeq, GetRolloffVolumeList},
    {CAPI_COMMAND_U_ROLLOFF_ABORT, "U_ROLLOFF_ABORT", kIncludeAbortRolloff, 16, true, kSeq, AbortRolloff},
    // clang-format on
};

}  // namespace

CommandFamily RolloffCommands() { return kRows; }

}  // namespace sim
