// Switches of other subsystems that the debug-log settings (Options) set at every read.
#pragma once

#include <atomic>
#include <cstdint>

// Options & 3: log level of the multipath path choice.
extern std::atomic<uint32_t> g_MultipathLogLevel;
// Options bit 0x20: verbose in-band transport and discovery logging; once on, it stays on.
extern std::atomic<bool> g_ScsiVerbose;
// Options bit 0x40: processor-LUN discovery resolves the disk name of every LUN.
extern std::atomic<bool> g_ResolveAllDiskNames;
// Options bit 0x40: the reply storage of the controller database logs in detail.
extern std::atomic<bool> g_VerboseReplyStorage;
// Cleared when the registry value DisableCSMI cannot be read.
extern std::atomic<bool> gDisableCSMI;
// ToFile bit 0x2: the hex dumps of packets are written to the log file.
extern std::atomic<bool> g_HexDumpsToFile;
