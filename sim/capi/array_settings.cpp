// The commands that change an existing array or partition: names, LUN, size, description, preferred owner,
// verification and revival. Each is a change of the pair's configuration.
#include <algorithm>
#include <cstring>
#include <string>

#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/object_id.h"

namespace sim {
namespace {

using Params = CAPI_ARRAY_PARTITION_PARAMS;
constexpr uint32_t kIncludePartitionParams = 27;
constexpr uint32_t kCommandDequarantineArray = 1063;

std::string TextOf(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

// The partition parameter record of the request and the partition it names.
Partition* NamedPartition(Call& call, Params& params) {
    if (!call.Include(&params)) return nullptr;
    return FindPartition(call.pair(), params.partitionSerialNumber);
}

// The array the object id of the request names.
Array* NamedArray(Call& call) {
    const uint8_t* serial = call.IncludeAt(0, 32);
    return serial != nullptr ? FindArray(call.pair(), serial) : nullptr;
}

void ChangeArrayName(Call& call) {
    Params params;
    Array* array = call.Include(&params) ? FindArray(call.pair(), params.arraySerialNumber) : nullptr;
    if (array == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    array->name = TextOf(params.name, sizeof params.name);
}

void ChangePartitionName(Call& call) {
    Params params;
    Partition* partition = NamedPartition(call, params);
    if (partition == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    partition->name = TextOf(params.name, sizeof params.name);
}

void ChangePartitionLun(Call& call) {
    Params params;
    Partition* partition = NamedPartition(call, params);
    if (partition == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    partition->lun = static_cast<uint16_t>(params.lun);
}

void ChangePartitionGeometry(Call& call) {
    Params params;
    Partition* partition = NamedPartition(call, params);
    if (partition == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    const uint64_t blocks = (uint64_t{params.size.longs[1]} << 32) | params.size.longs[0];
    if (blocks < partition->blocks) return call.Fail(CAPI_ERROR_COMMAND_FAILED);  // partitions only grow
    partition->blocks = blocks;
}

void ChangePartitionDescription(Call& call) {
    Params params;
    Partition* partition = NamedPartition(call, params);
    if (partition == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    const size_t length = std::min<size_t>(params.descriptionLength, sizeof params.description);
    partition->description.assign(reinterpret_cast<const char*>(params.description), length);
}

void SetPreferredOwner(Call& call) {
    Array* array = NamedArray(call);
    if (array == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    array->preferredOwner = call.pair().controllers[call.half()].failoverId;
}

void VerifyArray(Call& call) {
    Array* array = NamedArray(call);
    if (array == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    array->utilityRunning = kUtilityVerify;
}

void DequarantineArray(Call& call) {
    Array* array = NamedArray(call);
    if (array == nullptr) return call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
    array->quarantined = false;
}

constexpr uint32_t kParamsSize = sizeof(Params);

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_CHANGE_ARRAY_NAME, "U_CHANGE_ARRAY_NAME", kIncludePartitionParams, kParamsSize, true,
     Sequence::PairInParams23, ChangeArrayName},
    {CAPI_COMMAND_U_CHANGE_ARRAY_PARTITION_NAME, "U_CHANGE_ARRAY_PARTITION_NAME", kIncludePartitionParams, kParamsSize,
     true, Sequence::PairInParams23, ChangePartitionName},
    {CAPI_COMMAND_U_CHANGE_ARRAY_PARTITION_LUN, "U_CHANGE_ARRAY_PARTITION_LUN", kIncludePartitionParams, kParamsSize,
     true, Sequence::PairInParams23, ChangePartitionLun},
    {CAPI_COMMAND_U_CHANGE_ARRAY_PARTITION_GEOMETRY, "U_CHANGE_ARRAY_PARTITION_GEOMETRY", kIncludePartitionParams,
     kParamsSize, true, Sequence::PairInParams23, ChangePartitionGeometry},
    {CAPI_COMMAND_U_CHANGE_PARTITION_DESCRIPTION, "U_CHANGE_PARTITION_DESCRIPTION", kIncludePartitionParams,
     kParamsSize, true, Sequence::PairInParams23, ChangePartitionDescription},
    {CAPI_COMMAND_U_SET_PREFERRED_OWNER, "U_SET_PREFERRED_OWNER", kIncludeObjectId, 32, true, Sequence::PairInParams23,
     SetPreferredOwner},
    {CAPI_COMMAND_U_VERIFY_ARRAY, "U_VERIFY_ARRAY", kIncludeObjectId, 32, true, Sequence::PairInParams23, VerifyArray},
    {kCommandDequarantineArray, "U_DEQUARANTINE_ARRAY", kIncludeObjectId, 32, true, Sequence::PairInParams23,
     DequarantineArray},
    // clang-format on
};

}  // namespace

CommandFamily ArraySettingsCommands() { return kRows; }

}  // namespace sim
