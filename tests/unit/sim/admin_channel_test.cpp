// The fabric's administration channel: which messages are taken, what they do to the fabric, and that
// nothing malformed is carried out.
#include "sim/admin_channel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "corlink/capi_wire/capi_command_codes.h"
#include "sim/fabric.h"
#include "tests/support/scenario_fabric.h"

namespace {

TEST(AdminChannel, ParsesWellFormedMessagesAndRefusesTheRest) {
    const struct {
        const char* message;
        bool ok;
    } cases[] = {
        // clang-format off
        {"fault pair=0 half=b kind=return-code command=1004 code=47 times=2", true},
        {"fault pair=0 half=a kind=down command=any ms=90000", true},
        {"disk-fault disk=1 kind=disk-check-condition command=53 code=196864", true},
        {"condition pair=0 half=a state=refusing ms=5000 code=47", true},
        {"reboot pair=0 half=b ms=30000", true},
        {"  rescan  ", true},
        {"set serial-text-length=32", true},
        {"set pair=0 rolloff-copy-ms=300000 rolloff-stall-percent=40", true},
        {"set pair=0 rolloff-stall-percent=101", false},
        {"", false},
        {"explode", false},
        {"fault pair=0 half=c kind=return-code", false},               // no such half
        {"fault pair=0 half=a kind=melt", false},                      // no such kind
        {"fault pair=0 half=a kind=return-code kind=no-reply", false},  // a key twice
        {"fault pair=0 half=a kind=return-code colour=red", false},     // a key the verb does not take
        {"fault pair=0 half=a kind=return-code code=-1", false},
        {"fault pair=0 half=a kind=return-code code=99999999999", false},
        {"condition pair=0 half=a state=asleep", false},
        {"reboot pair=0 half=a ms", false},
        {"present pair=0 half=a value=2", false},
        {"rescan\n", false},
        // clang-format on
    };
    for (const auto& c : cases) {
        sim::AdminRequest request;
        std::string error;
        EXPECT_EQ(sim::ParseAdminMessage(c.message, &request, &error), c.ok) << c.message << ": " << error;
    }
    sim::AdminRequest request;
    std::string error;
    EXPECT_FALSE(sim::ParseAdminMessage(std::string(2000, 'x'), &request, &error));
    ASSERT_TRUE(sim::ParseAdminMessage("fault pair=0 half=b kind=refusing command=1004 code=47 ms=9000",
                                       &request, &error));
    EXPECT_EQ(request.half, 1);
    EXPECT_EQ(request.fault.kind, sim::FaultKind::RefusingFor);
    EXPECT_EQ(request.fault.commandCode, 1004);
    EXPECT_EQ(request.fault.durationMs, 9000u);

    // A fault that lets two matching commands pass, then meets the next two; other commands do not count.
    ASSERT_TRUE(sim::ParseAdminMessage(
        "fault pair=0 half=a kind=return-code command=1207 code=47 times=2 after=2", &request, &error));
    EXPECT_EQ(request.fault.after, 2u);
    sim::FaultScript script;
    script.Add(request.fault);
    std::vector<bool> met;
    for (uint32_t command : {1207u, 1000u, 1207u, 1207u, 1000u, 1207u, 1207u})
        met.push_back(script.Take(command).has_value());
    EXPECT_EQ(met, (std::vector<bool>{false, false, false, true, false, true, false}));
}

TEST(AdminChannel, AnswersOnTheFabric) {
    std::unique_ptr<sim::Fabric> loaded;
    ASSERT_NO_FATAL_FAILURE(testsupport::LoadFabric(SIM_SCENARIO_DIR "/default.ini", &loaded));
    sim::Fabric& fabric = *loaded;
    EXPECT_EQ(sim::AnswerAdminMessage(fabric, "condition pair=0 half=b state=down"), "ok");
    EXPECT_EQ(fabric.Model().systems[0].controllers[1].condition.state, sim::HalfState::Down);
    EXPECT_EQ(sim::AnswerAdminMessage(fabric, "condition pair=3 half=b state=down"), "error no such pair");
    EXPECT_EQ(sim::AnswerAdminMessage(fabric, "disk-fault disk=9 kind=disk-timeout"), "error no such disk");
    EXPECT_EQ(sim::AnswerAdminMessage(fabric, "present pair=0 half=a value=0"), "ok");
    EXPECT_FALSE(fabric.Model().systems[0].controllers[0].present);
    EXPECT_EQ(sim::AnswerAdminMessage(fabric, "disks"),
              "ok\ndisk 0 array lun=1 serial=000C0FF0001A2B010000000000000001\n"
              "disk 1 array lun=2 serial=000C0FF0001A2B010000000000000002\n"
              "disk 2 array lun=3 serial=000C0FF0001A2B010000000000000003\n");
    const std::string volumes = sim::AnswerAdminMessage(fabric, "volumes");
    EXPECT_EQ(
        volumes.rfind("ok\nvolume 0 standard 000C0FF0001A2B010000000000000001 name=data01 description=\n", 0),
        0u)
        << volumes;
    EXPECT_EQ(std::count(volumes.begin(), volumes.end(), '\n'), 5) << "one line for each of the 4 volumes";
    EXPECT_EQ(sim::AnswerAdminMessage(fabric, "nonsense"), "error unknown verb");

    // A set changes only the settings it names.
    EXPECT_EQ(sim::AnswerAdminMessage(fabric, "set serial-text-length=32"), "ok");
    EXPECT_EQ(sim::AnswerAdminMessage(fabric, "set pair=0 rolloff-stall-percent=40"), "ok");
    EXPECT_EQ(fabric.Model().host.serialTextLength, 32u);
    EXPECT_EQ(fabric.Model().systems[0].snapshotServices.rolloffStallPercent, 40);
    EXPECT_EQ(fabric.Model().systems[0].snapshotServices.rolloffCopyMs, 300000u);
    EXPECT_EQ(sim::AnswerAdminMessage(fabric, "set pair=2 rolloff-copy-ms=5"), "error no such pair");
}

}  // namespace
