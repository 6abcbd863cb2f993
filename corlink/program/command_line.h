// The program's command line: a switch word after a dash or slash, and the "ips" run mode.
#pragma once

enum class ProgramSwitch { None, Install, Remove, Debug, Trace };

struct CommandLine {
    // The first argument begins with '-' or '/' (whether or not a known switch follows).
    bool hasSwitchPrefix;
    ProgramSwitch programSwitch;
    // The first or second argument is any one character followed by "ips" (any case).
    bool ipsMode;
};

CommandLine ParseCommandLine(int argc, const char* const* argv);
