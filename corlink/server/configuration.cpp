#include "corlink/server/configuration.h"

#include <cstdlib>
#include <cstring>

#include "corlink/foundation/nt_os.h"
#include "corlink/proxy_protocol/configuration_format.h"
#include "corlink/server/run_state.h"
#include "platform/files/files.h"
#include "platform/files/machine_root.h"

uint32_t g_ConfigVersion = 0;
uint32_t g_ListenAddress = 0;
char g_ProxyUser[PROXY_CONFIG_TEXT_SIZE];
char g_ProxyPassword[PROXY_CONFIG_TEXT_SIZE];
uint16_t g_ServerPort = 0;
bool g_ConfigAddressChanged = false;

namespace {

using namespace proxy_config;

constexpr int kSystemDirectorySize = 260;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The next text between colons, as strtok would give it (leading colons skipped); null when none is left.
char* NextField(char** cursor) {
    char* start = *cursor;
    while (*start == ':') ++start;
    if (*start == '\0') return nullptr;
    char* end = strchr(start, ':');
    if (end != nullptr) {
        *end = '\0';
        *cursor = end + 1;
    } else {
        *cursor = start + strlen(start);
    }
    return start;
}

// A decimal number as the C library reads one: leading digits count, anything else gives 0.
uint32_t DecimalValue(const char* text) { return static_cast<uint32_t>(strtoll(text, nullptr, 10)); }

void CopyText(char* destination, const char* value, size_t maxCharacters) {
    memset(destination, 0, PROXY_CONFIG_TEXT_SIZE);
    memcpy(destination, value, strnlen(value, maxCharacters));
}

void SetVersion(const char* value) { g_ConfigVersion = DecimalValue(value); }

void SetAddress(const char* value) {
    if (g_IpsMode) {
        g_ListenAddress = 0;
        return;
    }
    // The proxy listens on the loopback address only; another address is corrected in the file.
    if (strcmp(value, kLoopbackText) != 0) g_ConfigAddressChanged = true;
    g_ListenAddress = os_htonl(kLoopbackAddress);
}

void SetUser(const char* value) { CopyText(g_ProxyUser, value, PROXY_USER_MAX); }

void SetPassword(const char* value) { CopyText(g_ProxyPassword, value, PROXY_PASSWORD_MAX); }

void SetPort(const char* value) { g_ServerPort = static_cast<uint16_t>(DecimalValue(value)); }

struct KeyHandler {
    const char* key;
    void (*apply)(const char* value);
};
constexpr KeyHandler kKeyHandlers[] = {
    // clang-format off
    {kKeyVersion, SetVersion},   {kKeyAddress, SetAddress}, {kKeyUser, SetUser},
    {kKeyPassword, SetPassword}, {kKeyPort, SetPort},
    // clang-format on
};

void ApplyLine(char* line) {
    StripTrailingControls(line);
    // Comments are recognised after leading blanks; keys are not (a key with leading blanks is unknown).
    if (*TrimBlanks(line) == '#') return;
    char* cursor = line;
    char* key = NextField(&cursor);
    char* value = key != nullptr ? NextField(&cursor) : nullptr;
    if (key == nullptr || value == nullptr) return;
    value = TrimBlanks(value);
    for (const KeyHandler& handler : kKeyHandlers) {
        if (strcmp(key, handler.key) == 0) {
            handler.apply(value);
            return;
        }
    }
}

bool IsProxyConfigComplete() {
    return g_ProxyUser[0] != '\0' && g_ProxyPassword[0] != '\0' && g_ListenAddress != 0 &&
           g_ServerPort != 0 && g_ConfigVersion != 0 && !g_ConfigAddressChanged;
}

}  // namespace

void StripTrailingControls(char* line) {
    size_t length = strlen(line);
    while (length > 0 && static_cast<signed char>(line[length - 1]) < 0x20) line[--length] = '\0';
}

char* TrimBlanks(char* text) {
    size_t length = strlen(text);
    while (length > 0 && IsBlank(text[length - 1])) text[--length] = '\0';
    while (IsBlank(*text)) ++text;
    return text;
}

void ClearProxyConfig() {
    g_ConfigVersion = 0;
    g_ListenAddress = 0;
    memset(g_ProxyUser, 0, sizeof(g_ProxyUser));
    memset(g_ProxyPassword, 0, sizeof(g_ProxyPassword));
    g_ServerPort = 0;
    g_ConfigAddressChanged = false;
}

void ReadProxyConfigLines(FILE* file) {
    char line[PROXY_CONFIG_TEXT_SIZE];
    // A last line without its line end is not used.
    while (fgets(line, sizeof(line), file) != nullptr && !feof(file)) ApplyLine(line);
}

int ReadProxyConfig(const char* path) {
    FILE* file = platform::OpenFile(path, "r");
    if (file == nullptr) return 0;
    ReadProxyConfigLines(file);
    fclose(file);
    return 1;
}

void LoadProxyConfig() {
    ClearProxyConfig();
    char directory[kSystemDirectorySize];
    UINT length = GetSystemDirectoryA(directory, sizeof(directory));
    if (length == 0 || length >= sizeof(directory)) return;
    char path[kSystemDirectorySize + 32];
    snprintf(path, sizeof(path), "%s\\%s", directory, kFileName);

    FILE* file = platform::OpenFile(path, "r");
    if (file == nullptr) {
        CreateProxyConfig(path);
    } else {
        fclose(file);
        ResetProxyConfigAccess(path);
    }
    ReadProxyConfig(path);
    if (IsProxyConfigComplete()) return;

    CreateProxyConfig(path);
    ReadProxyConfig(path);
    g_ConfigAddressChanged = false;
}
