// Host SAS addresses: every host port address that a management LUN reported since start, and the
// supplemental addresses that an outside SAS RAID adapter reports about itself through its command-line
// tool. Written during discovery and read by proxy commands, both under the state-change mutex.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t SAS_ADDRESS_LIST_CAPACITY = 32;
constexpr uint32_t SAS_ADDRESS_LENGTH = 8;

struct SAS_ADDRESS_LIST {
    uint32_t count;
    uint8_t addresses[SAS_ADDRESS_LIST_CAPACITY][SAS_ADDRESS_LENGTH];
};
static_assert(sizeof(SAS_ADDRESS_LIST) == 260);

// Never emptied: holds every host port address seen since start (at most 32).
extern SAS_ADDRESS_LIST g_HostSasAddresses;
// Filled once, at the first controller discovery.
extern SAS_ADDRESS_LIST g_SupplementalSasAddresses;

// Appends a non-zero address not yet held, while fewer than 32 are.
void AddHostSasAddress(const uint8_t address[SAS_ADDRESS_LENGTH]);
// True when the address equals any of the 32 slots, used or not.
bool IsHostSasAddress(const uint8_t address[SAS_ADDRESS_LENGTH]);

// The adapter tool, its command line, and how much of its output is read at most.
extern const char* const kAdapterCliPath;
constexpr uint32_t ADAPTER_CLI_FRAGMENT_LENGTH = 127;
constexpr uint32_t ADAPTER_CLI_MAX_FRAGMENTS = 16384;
constexpr uint32_t ADAPTER_CLI_MAX_ADDRESSES = 1024;

// Runs the adapter tool and collects the non-zero address texts of its "SAS Address:" lines. Returns 0
// when the tool does not exist, the tool's exit status when its output was read to the end, -2 when
// reading stopped early (a read error, or more output than is read), -1 when it could not be started.
int ReadAdapterCliSasAddresses(std::vector<std::string>* texts);
// 16 hexadecimal characters to 8 bytes, two per byte; false at the first pair that is not two
// hexadecimal digits (the bytes before it are stored).
bool ParseSasAddress(const char* text, uint8_t address[SAS_ADDRESS_LENGTH]);
// Fills the list from the adapter tool (at most 32 addresses); returns their number, or 0 with the list
// unchanged when the tool is absent, failed or reported none.
uint32_t GetSupplementalSasAddresses(SAS_ADDRESS_LIST* list);
