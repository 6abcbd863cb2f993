#include "corlink/server/configuration.h"

#include <cstring>

#include "corlink/cipher/cipher.h"
#include "corlink/proxy_protocol/configuration_format.h"
#include "corlink/foundation/log.h"
#include "platform/file_access.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/secure_random.h"

namespace {

using namespace proxy_config;

constexpr const char* kParametersKey = "SYSTEM\\CurrentControlSet\\Services\\corlink4\\Parameters";
constexpr const char* kConfigurationFileValue = "ConfigurationFile";

// The password alphabet: 72 characters, in this order.
constexpr char kPasswordAlphabet[] =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ@#$%^&*_`~";
static_assert(sizeof(kPasswordAlphabet) - 1 == 72, "the password alphabet has 72 characters");
constexpr int kPasswordTries = 100;
constexpr const char* kFallbackPassword = "5c1e0b7a93d2f468";

// A password the client can send: its enciphered form holds no zero byte, so deciphering gives it back.
bool SurvivesCipher(const char* password) {
    char work[PROXY_PASSWORD_MAX + 1] = {};
    memcpy(work, password, PROXY_PASSWORD_MAX);
    DesEncipherString(work, DES_CIPHER_KEY);
    DesDecipherString(work, PROXY_PASSWORD_LENGTH, DES_CIPHER_KEY);
    return memcmp(work, password, PROXY_PASSWORD_LENGTH) == 0;
}

// Draws passwords from the secure generator until one survives the cipher. When the generator fails the
// password stays empty, so no login is possible and the next start writes a new one.
void GenerateProxyPassword(char* password) {
    for (int attempt = 0; attempt < kPasswordTries; ++attempt) {
        memset(password, 0, PROXY_CONFIG_TEXT_SIZE);
        for (int i = 0; i < PROXY_PASSWORD_LENGTH; ++i) {
            uint32_t position = 0;
            if (!platform::SecureRandomBelow(sizeof(kPasswordAlphabet) - 1, &position)) {
                memset(password, 0, PROXY_CONFIG_TEXT_SIZE);
                DebugPrint("Could not generate the proxy password.\n");
                return;
            }
            password[i] = kPasswordAlphabet[position];
        }
        if (SurvivesCipher(password)) return;
    }
    memset(password, 0, PROXY_CONFIG_TEXT_SIZE);
    memcpy(password, kFallbackPassword, strlen(kFallbackPassword));
}

}  // namespace

int WriteProxyConfigDefaults(const char* path) {
    FILE* file = platform::OpenFile(path, "w");
    if (file == nullptr) return 0;
    fprintf(file, "%s:%d\r\n", kKeyVersion, kDefaultVersion);
    fprintf(file, "%s:%s\r\n", kKeyAddress, kLoopbackText);

    memset(g_ProxyUser, 0, sizeof(g_ProxyUser));
    memcpy(g_ProxyUser, kDefaultUser, strlen(kDefaultUser));
    fprintf(file, "%s:%s\r\n", kKeyUser, g_ProxyUser);

    // A file that only had its address corrected keeps its password (if it had one).
    if (!g_ConfigAddressChanged || g_ProxyPassword[0] == '\0') GenerateProxyPassword(g_ProxyPassword);
    fprintf(file, "%s:%s\r\n", kKeyPassword, g_ProxyPassword);

    g_ServerPort = kDefaultPort;
    fprintf(file, "%s:%d\r\n", kKeyPort, kDefaultPort);
    // The lines reach the disk only at the close: a full disk shows there.
    const bool written = ferror(file) == 0;
    return fclose(file) == 0 && written ? 1 : 0;
}

int CreateProxyConfig(const char* path) {
    if (!platform::CreatePrivateFile(path)) {
        LogLastError("CreateFile");
        return 0;
    }
    const int written = WriteProxyConfigDefaults(path);
    SetConfigurationFileValue(path);
    return written;
}

void ResetProxyConfigAccess(const char* path) {
    if (!platform::SetPrivateFileAccess(path)) LogLastError("SetFileSecurity");
}

void SetConfigurationFileValue(const char* path) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kParametersKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, &key, &disposition) != ERROR_SUCCESS) {
        DebugPrint("Could not open the registry key:%s\n", kParametersKey);
        return;
    }
    if (RegSetValueExA(key, kConfigurationFileValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                       static_cast<DWORD>(strlen(path) + 1)) != ERROR_SUCCESS) {
        DebugPrint("Could not set the ConfigurationFile message file.\n");
    }
    RegCloseKey(key);
}
