#include "corlink/program/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Case {
    std::vector<const char*> args;  // after the program name
    bool prefix;
    ProgramSwitch programSwitch;
    bool ips;
};

const Case kCases[] = {
    // clang-format off
    {{}, false, ProgramSwitch::None, false},
    {{"-install"}, true, ProgramSwitch::Install, false},
    {{"-INSTALL"}, true, ProgramSwitch::Install, false},
    {{"/Remove"}, true, ProgramSwitch::Remove, false},
    {{"-debug"}, true, ProgramSwitch::Debug, false},
    {{"/trace"}, true, ProgramSwitch::Trace, false},
    // Without a dash or slash the word is no switch: the dispatcher is started.
    {{"install"}, false, ProgramSwitch::None, false},
    {{"-debugx"}, true, ProgramSwitch::None, false},
    {{"-"}, true, ProgramSwitch::None, false},
    {{""}, false, ProgramSwitch::None, false},
    // "ips" after any one character, first or second argument.
    {{"-debug", "-ips"}, true, ProgramSwitch::Debug, true},
    {{"-debug", "/IPS"}, true, ProgramSwitch::Debug, true},
    {{"-debug", "ips"}, true, ProgramSwitch::Debug, false},
    {{"xips"}, false, ProgramSwitch::None, true},
    {{"-ips"}, true, ProgramSwitch::None, true},
    {{"-install", "-ips", "-ips"}, true, ProgramSwitch::Install, true},
    {{"-trace", "", "-ips"}, true, ProgramSwitch::Trace, false},
    // clang-format on
};

TEST(CommandLine, SwitchesAndIpsMode) {
    for (const Case& c : kCases) {
        std::vector<const char*> argv = {"corlink4"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        argv.push_back(nullptr);
        const CommandLine line = ParseCommandLine(static_cast<int>(argv.size() - 1), argv.data());
        std::string label;
        for (const char* a : c.args) label += std::string("[") + a + "]";
        EXPECT_EQ(line.hasSwitchPrefix, c.prefix) << label;
        EXPECT_EQ(line.programSwitch, c.programSwitch) << label;
        EXPECT_EQ(line.ipsMode, c.ips) << label;
    }
}

}  // namespace
