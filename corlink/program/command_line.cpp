#include "corlink/program/command_line.h"

#include "platform/system/crt_strings.h"

namespace {

struct SwitchWord {
    const char* word;
    ProgramSwitch programSwitch;
};
constexpr SwitchWord kSwitchWords[] = {
    // clang-format off
    {"install", ProgramSwitch::Install},
    {"remove", ProgramSwitch::Remove},
    {"debug", ProgramSwitch::Debug},
    {"trace", ProgramSwitch::Trace},
    // clang-format on
};

// The argument without its first character equals word, ignoring case.
bool WordAfterFirst(const char* argument, const char* word) {
    return argument != nullptr && argument[0] != '\0' && _stricmp(argument + 1, word) == 0;
}

}  // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line{false, ProgramSwitch::None, false};
    line.ipsMode =
        (argc > 1 && WordAfterFirst(argv[1], "ips")) || (argc > 2 && WordAfterFirst(argv[2], "ips"));
    if (argc > 1 && argv[1] != nullptr && (argv[1][0] == '-' || argv[1][0] == '/')) {
        line.hasSwitchPrefix = true;
        for (const SwitchWord& entry : kSwitchWords) {
            if (WordAfterFirst(argv[1], entry.word)) line.programSwitch = entry.programSwitch;
        }
    }
    return line;
}
