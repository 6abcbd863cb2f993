// The fabric's administration messages over arbitrary bytes: no overrun, and what is taken stays within
// the bounds the channel promises; taken messages are carried out on a fabric of the default scenario.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "sim/admin_channel.h"
#include "sim/fabric.h"
#include "sim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::unique_ptr<sim::Fabric> fabric;
    static unsigned messages = 0;
    if (!fabric || ++messages % 1000 == 0) {  // a fresh fabric now and then: scripted faults pile up
        sim::FabricModel model;
        std::string error;
        if (!sim::LoadScenarioFile(SIM_SCENARIO_DIR "/default.ini", &model, &error)) abort();
        fabric = std::make_unique<sim::Fabric>(std::move(model));
    }
    const std::string_view message(reinterpret_cast<const char*>(data), size);
    sim::AdminRequest request;
    std::string error;
    if (sim::ParseAdminMessage(message, &request, &error)) {
        if (size > sim::kMaxAdminMessage || request.pair > 255 || request.half < 0 || request.half > 1)
            abort();
    }
    const std::string answer = sim::AnswerAdminMessage(*fabric, message);
    if (answer.size() > sim::kMaxAdminAnswer) abort();
    return 0;
}
