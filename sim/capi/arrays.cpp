// The array commands: the array list and the partitions of one array.
#include "corlink/capi_wire/capi_array.h"
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/object_id.h"
#include "sim/capi/records.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeArrays = 24;
constexpr uint32_t kIncludeUnifiedPartitions = 79;
constexpr uint32_t kCommandPartitionData = 1081;  // U_GET_VOLUME_DATA: the partitions of one array

void ArrayList(Call& call) {
    const StorageSystem& pair = call.pair();
    call.ReplyList(kIncludeArrays, static_cast<uint32_t>(pair.arrays.size()), ArrayListPayload(pair));
}

void PartitionData(Call& call) {
    const StorageSystem& pair = call.pair();
    for (size_t a = 0; a < pair.arrays.size(); ++a) {
        if (!NamesObject(call, pair.arrays[a].serial.data(), pair.arrays[a].serial.size())) continue;
        std::vector<uint8_t> records = PartitionListPayload(pair, a);
        const auto count = static_cast<uint32_t>(records.size() / sizeof(CAPI_UNIFIED_PARTITION));
        call.ReplyList(kIncludeUnifiedPartitions, count, std::move(records));
        return;
    }
    call.Fail(CAPI_ERROR_BAD_IDENTIFIER);
}

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_GET_ARRAY_LIST, "U_GET_ARRAY_LIST", 0, 0, false, Sequence::PairInParams23, ArrayList},
    {kCommandPartitionData, "U_GET_VOLUME_DATA", kIncludeObjectId, kObjectIdSize, false, Sequence::PairInParams23,
     PartitionData},
    // clang-format on
};

}  // namespace

CommandFamily ArrayCommands() { return kRows; }

}  // namespace sim
