// The proxy's configuration file "corlink4.conf" in the system directory: file version, listen address,
// proxy user, proxy password (plain text) and TCP port, one "key:value" line each. The provider reads the
// same file, so its format is shared byte for byte. Loaded once at start-up, before the TCP server starts.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int PROXY_CONFIG_TEXT_SIZE = 260;
constexpr int PROXY_USER_MAX = 32;         // characters of the user name that are kept
constexpr int PROXY_PASSWORD_MAX = 48;     // characters of the password that are kept
constexpr int PROXY_PASSWORD_LENGTH = 16;  // length of a generated password

// The settings, written only during start-up.
extern uint32_t g_ConfigVersion;
extern uint32_t g_ListenAddress;  // network order
extern char g_ProxyUser[PROXY_CONFIG_TEXT_SIZE];
extern char g_ProxyPassword[PROXY_CONFIG_TEXT_SIZE];
extern uint16_t g_ServerPort;
// The file held another address than 127.0.0.1: it is rewritten and its password kept.
extern bool g_ConfigAddressChanged;

// Creates the file when missing, resets its access otherwise, reads it, and writes it anew with defaults
// when it is incomplete.
void LoadProxyConfig();
// Reads the file into the settings; 0 when it cannot be opened.
int ReadProxyConfig(const char* path);
// The reader over an open file (text lines), for ReadProxyConfig and the parser's tests.
void ReadProxyConfigLines(FILE* file);
// Writes the five default lines with a fresh password; 0 when the file cannot be opened or written.
int WriteProxyConfigDefaults(const char* path);
// (Re)creates the file with private access, writes the defaults and the registry value; 1 on success,
// 0 when the file cannot be created or its defaults cannot be written.
int CreateProxyConfig(const char* path);
// Gives the file private access again.
void ResetProxyConfigAccess(const char* path);
// Stores the path in the registry value ConfigurationFile of the service's Parameters key.
void SetConfigurationFileValue(const char* path);

// Clears every setting (the state of a new process).
void ClearProxyConfig();

// Removes trailing characters whose signed value is below 0x20 (controls and bytes with the top bit set).
void StripTrailingControls(char* line);
// Removes white space at both ends in place; returns the first non-blank character.
char* TrimBlanks(char* text);
