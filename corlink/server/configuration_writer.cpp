#include <cstring>

#include "corlink/cipher/cipher.h"
#include "corlink/foundation/log.h"
#include "corlink/proxy_protocol/configuration_format.h"
#include "corlink/server/configuration.h"
#include "platform/files/file_access.h"
#include "platform/files/files.h"
#include "platform/files/registry.h"
#include "platform/files/replace_file.h"
#include "platform/system/secure_random.h"

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
    // A file that only had its address corrected keeps its password (if it had one).
    char password[PROXY_CONFIG_TEXT_SIZE] = {};
    memcpy(password, g_ProxyPassword, sizeof(password) - 1);
    if (!g_ConfigAddressChanged || password[0] == '\0') GenerateProxyPassword(password);

    char text[5 * PROXY_CONFIG_TEXT_SIZE];
    const int length = snprintf(text, sizeof(text), "%s:%d\r\n%s:%s\r\n%s:%s\r\n%s:%s\r\n%s:%d\r\n",
                                kKeyVersion, kDefaultVersion, kKeyAddress, kLoopbackText, kKeyUser,
                                kDefaultUser, kKeyPassword, password, kKeyPort, kDefaultPort);
    // Replaced whole with private access: a start that dies while writing leaves the old file or the new one.
    if (length < 0 || static_cast<size_t>(length) >= sizeof(text) ||
        !platform::ReplaceFileContent(path, text, static_cast<size_t>(length),
                                      platform::ReplacedAccess::Private)) {
        return 0;
    }
    memset(g_ProxyUser, 0, sizeof(g_ProxyUser));
    memcpy(g_ProxyUser, kDefaultUser, strlen(kDefaultUser));
    memcpy(g_ProxyPassword, password, sizeof(password));
    g_ServerPort = kDefaultPort;
    return 1;
}

int CreateProxyConfig(const char* path) {
    if (!WriteProxyConfigDefaults(path)) {
        LogLastError("CreateFile");
        return 0;
    }
    SetConfigurationFileValue(path);
    return 1;
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
