// The controller commands: the pair's unified record and its configuration sequence numbers.
#include "corlink/capi_wire/capi_command_codes.h"
#include "sim/capi/command_rows.h"
#include "sim/capi/records.h"

namespace sim {
namespace {

constexpr uint32_t kIncludeUnifiedController = 50;

void ControllerData(Call& call) {
    call.ReplyList(kIncludeUnifiedController, 0, UnifiedControllerPayload(call.pair()));
}

void ConfigSequence(Call&) {}

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_GET_CONTROLLER_DATA, "U_GET_CONTROLLER_DATA", 0, 0, false, Sequence::PairInParams23,
     ControllerData},
    {CAPI_COMMAND_U_GET_CONFIG_SEQ_NUMBER, "U_GET_CONFIG_SEQ_NUMBER", 0, 0, false, Sequence::PairInParams23,
     ConfigSequence},
    // clang-format on
};

}  // namespace

CommandFamily ControllerCommands() { return kRows; }

}  // namespace sim
