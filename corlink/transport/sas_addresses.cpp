#include "corlink/transport/sas_addresses.h"

#include <cstdio>
#include <cstring>
#include <regex>

#include "corlink/foundation/log.h"
#include "corlink/foundation/utilities.h"
#include "platform/files/files.h"
#include "platform/system/process_pipe.h"

SAS_ADDRESS_LIST g_HostSasAddresses;
SAS_ADDRESS_LIST g_SupplementalSasAddresses;

const char* const kAdapterCliPath = "C:\\Program Files\\Orve Storage Console\\sacon\\bin\\sacon.exe";

namespace {

bool IsZeroAddress(const uint8_t* address) {
    static const uint8_t kZero[SAS_ADDRESS_LENGTH] = {};
    return std::memcmp(address, kZero, SAS_ADDRESS_LENGTH) == 0;
}

std::string TrimmedFragment(const char* fragment) {
    static const char kSpace[] = " \t\r\n";
    std::string text(fragment);
    const size_t first = text.find_first_not_of(kSpace);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// The address text of one fragment of the tool's output, or "" when the fragment holds no non-zero address.
std::string AddressTextOf(const char* fragment) {
    if (std::strstr(fragment, "SAS Address:") == nullptr) return {};
    static const std::regex kAddressLine(".*SAS Address:[[:s:]]*([[:xdigit:]]*)",
                                         std::regex::ECMAScript | std::regex::icase);
    const std::string line = TrimmedFragment(fragment);
    std::smatch match;
    if (!std::regex_match(line, match, kAddressLine)) return {};
    std::string digits = match[1].str();
    return digits.find_first_not_of('0') == std::string::npos ? std::string() : digits;
}

}  // namespace

void AddHostSasAddress(const uint8_t address[SAS_ADDRESS_LENGTH]) {
    if (IsZeroAddress(address) || g_HostSasAddresses.count >= SAS_ADDRESS_LIST_CAPACITY) return;
    for (uint32_t i = 0; i < g_HostSasAddresses.count; ++i) {
        if (std::memcmp(g_HostSasAddresses.addresses[i], address, SAS_ADDRESS_LENGTH) == 0) return;
    }
    std::memcpy(g_HostSasAddresses.addresses[g_HostSasAddresses.count++], address, SAS_ADDRESS_LENGTH);
}

bool IsHostSasAddress(const uint8_t address[SAS_ADDRESS_LENGTH]) {
    for (const auto& slot : g_HostSasAddresses.addresses) {
        if (std::memcmp(slot, address, SAS_ADDRESS_LENGTH) == 0) return true;
    }
    return false;
}

int ReadAdapterCliSasAddresses(std::vector<std::string>* texts) {
    texts->clear();
    if (GetFileAttributesA(kAdapterCliPath) == INVALID_FILE_ATTRIBUTES) return 0;

    const std::string command = FormatString("\"%s\" show config detail", kAdapterCliPath);
    FILE* pipe = _popen(command.c_str(), "rt");
    if (pipe == nullptr) {
        // Reported as a failed tool: the supplemental list stays empty and the proxy runs on.
        DebugPrint("ReadAdapterCliSasAddresses: could not start %s\n", kAdapterCliPath);
        return -1;
    }
    char fragment[ADAPTER_CLI_FRAGMENT_LENGTH + 1];
    bool readToEnd = false;
    for (uint32_t fragments = 0; fragments < ADAPTER_CLI_MAX_FRAGMENTS; ++fragments) {
        if (std::fgets(fragment, sizeof fragment, pipe) == nullptr) {
            readToEnd = std::feof(pipe) != 0;
            break;
        }
        std::string address = AddressTextOf(fragment);
        if (!address.empty() && texts->size() < ADAPTER_CLI_MAX_ADDRESSES)
            texts->push_back(std::move(address));
    }
    const int status = _pclose(pipe);
    return readToEnd ? status : -2;
}

bool ParseSasAddress(const char* text, uint8_t address[SAS_ADDRESS_LENGTH]) {
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < SAS_ADDRESS_LENGTH; ++i) {
        // A pair converts only when both characters are hexadecimal digits: a short text stops here
        // instead of yielding a byte from a lone digit (and is never read past its end).
        const int high = digit(text[2 * i]);
        if (high < 0) return false;
        const int low = digit(text[2 * i + 1]);
        if (low < 0) return false;
        address[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

uint32_t GetSupplementalSasAddresses(SAS_ADDRESS_LIST* list) {
    std::vector<std::string> texts;
    if (ReadAdapterCliSasAddresses(&texts) != 0 || texts.empty()) return 0;
    uint32_t count = 0;
    for (const std::string& text : texts) {
        if (count == SAS_ADDRESS_LIST_CAPACITY) break;
        uint8_t address[SAS_ADDRESS_LENGTH] = {};
        if (!ParseSasAddress(text.c_str(), address)) {
            // Not all of the 8 bytes converted: not an address.
            DebugPrint("GetSupplementalSasAddresses: ignoring SAS address '%s'\n", text.c_str());
            continue;
        }
        std::memcpy(list->addresses[count++], address, SAS_ADDRESS_LENGTH);
    }
    if (count != 0) list->count = count;
    return count;
}
