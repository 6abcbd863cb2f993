// Shutting down and rebooting the controllers of a pair. param1 names the half by its failoverId (0 or 1),
// or 2 for both. A shut-down half answers CONTROLLER_SHUTDOWN to everything but a reboot; a rebooted half
// leaves the bus shortly after its reply and comes back after its restart time.
#include "corlink/capi_wire/capi_command_codes.h"
#include "corlink/capi_wire/capi_error_codes.h"
#include "platform/time/clock.h"
#include "sim/capi/command_rows.h"

namespace sim {
namespace {

constexpr uint32_t kBothHalves = 2;

template <class Action>
void ForNamedHalves(Call& call, Action action) {
    const uint32_t named = call.header().param1;
    if (named > kBothHalves) return call.Fail(CAPI_ERROR_COMMAND_FAILED);
    const uint64_t now = platform::GetClock().NowMs();
    for (Controller& controller : call.pair().controllers) {
        if (named == kBothHalves || named == controller.failoverId) action(controller, now);
    }
}

void ShutDown(Call& call) { ForNamedHalves(call, ShutDownHalf); }
void Reboot(Call& call) { ForNamedHalves(call, RestartHalf); }

constexpr CommandRow kRows[] = {
    // clang-format off
    {CAPI_COMMAND_U_SHUTDOWN_CONTROLLER, "U_SHUTDOWN_CONTROLLER", 0, 0, false, Sequence::PairInParams23, ShutDown},
    {CAPI_COMMAND_U_REBOOT_CONTROLLER, "U_REBOOT_CONTROLLER", 0, 0, false, Sequence::PairInParams23, Reboot},
    // clang-format on
};

}  // namespace

CommandFamily RestartCommands() { return kRows; }

}  // namespace sim
