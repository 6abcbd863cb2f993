// Loading "corlink4.conf": creation, validation, rewriting with defaults, and the settings it leaves.
#include "corlink/server/configuration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "corlink/cipher/cipher.h"
#include "corlink/server/run_state.h"
#include "platform/files/registry.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_root.h"

namespace {

constexpr const char* kConfigRelative = "C/Windows/System32/corlink4.conf";
constexpr const char* kConfigWindowsPath = "C:\\Windows\\System32\\corlink4.conf";
constexpr const char* kAlphabet = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ@#$%^&*_`~";
constexpr uint32_t kLoopbackNetworkOrder = 0x0100007F;  // 127.0.0.1 as stored on this little-endian host

std::string DefaultFile(const std::string& password) {
    return "version  :1\r\nipaddress:127.0.0.1\r\nusername :proxyuser\r\npassword :" + password +
           "\r\nport     :1285\r\n";
}

std::string RegistryConfigurationFile() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\corlink4\\Parameters", 0,
                      KEY_READ, &key) != ERROR_SUCCESS) {
        return "";
    }
    char value[300] = {};
    DWORD size = sizeof(value) - 1;
    DWORD type = 0;
    LONG result =
        RegQueryValueExA(key, "ConfigurationFile", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::string(value) : "";
}

class ProxyConfigTest : public ::testing::Test {
  protected:
    void SetUp() override { g_IpsMode = false; }
    void TearDown() override { g_IpsMode = false; }

    std::string FilePath() const { return root_.path() + "/" + kConfigRelative; }
    void WriteConfig(const std::string& content, mode_t mode) {
        std::string dir = root_.path() + "/C/Windows/System32";
        ASSERT_EQ(system(("mkdir -p '" + dir + "'").c_str()), 0);
        testsupport::WriteWholeFile(FilePath(), content);
        ASSERT_EQ(chmod(FilePath().c_str(), mode), 0);
    }
    mode_t FileMode() const {
        struct stat st {};
        return stat(FilePath().c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
    }

    testsupport::TestRoot root_;
};

// A password the loader wrote: 16 characters of the alphabet that survive enciphering and deciphering.
void ExpectGeneratedPassword(const std::string& password) {
    ASSERT_EQ(password.size(), 16u);
    EXPECT_EQ(password.find_first_not_of(kAlphabet), std::string::npos) << password;
    char work[49] = {};
    memcpy(work, password.c_str(), 16);
    DesEncipherString(work, DES_CIPHER_KEY);
    DesDecipherString(work, 16, DES_CIPHER_KEY);
    EXPECT_EQ(std::string(work, 16), password);
}

struct LoadCase {
    const char* name;
    std::optional<std::string> file;  // none: no file
    bool ips;
    bool rewritten;                       // the file is written anew with defaults
    std::optional<std::string> password;  // the password kept; none: a fresh one
    const char* user;
    uint16_t port;
};

const std::string kGood =
    "version  :1\r\nipaddress:127.0.0.1\r\nusername :proxyuser\r\n"
    "password :Kept@Pass_0042xyz\r\nport     :4000\r\n";

const LoadCase kLoadCases[] = {
    // clang-format off
    {"missing file", std::nullopt, false, true, std::nullopt, "proxyuser", 1285},
    {"complete file with a hand-set port", kGood, false, false, "Kept@Pass_0042xyz", "proxyuser", 4000},
    {"another address keeps the password",
     "version  :1\r\nipaddress:10.1.2.3\r\nusername :admin\r\npassword :Kept@Pass_0042xyz\r\nport     "
     ":4000\r\n",
     false, true, "Kept@Pass_0042xyz", "proxyuser", 1285},
    {"another address and no password gets a new one",
     "version  :1\r\nipaddress:0.0.0.0\r\nusername :proxyuser\r\nport     :4000\r\n", false, true,
     std::nullopt, "proxyuser", 1285},
    {"no password line", "version  :1\r\nipaddress:127.0.0.1\r\nusername :proxyuser\r\nport     :4000\r\n",
     false, true, std::nullopt, "proxyuser", 1285},
    {"port key without its padding",
     "version  :1\r\nipaddress:127.0.0.1\r\nusername :proxyuser\r\npassword "
     ":Kept@Pass_0042xyz\r\nport:4000\r\n",
     false, true, std::nullopt, "proxyuser", 1285},
    {"leading blanks make the key unknown",
     "version  :1\r\nipaddress:127.0.0.1\r\n  username :proxyuser\r\npassword :Kept@Pass_0042xyz\r\n"
     "port     :4000\r\n",
     false, true, std::nullopt, "proxyuser", 1285},
    {"blanks, controls and high bytes around values are removed; comments and other keys ignored",
     "# port     :9999\r\n   # a comment\r\n\r\nother    :x\r\nversion  :  1 \r\nipaddress:\t127.0.0.1\r\n"
     "username :  bob  \r\n::password :Kept@Pass_0042xyz\x01\xff\r\nport     : 4000:junk\n",
     false, false, "Kept@Pass_0042xyz", "bob", 4000},
    {"a last line without its line end is not used",
     "version  :1\r\nipaddress:127.0.0.1\r\nusername :proxyuser\r\npassword :Kept@Pass_0042xyz\r\nport     "
     ":4000",
     false, true, std::nullopt, "proxyuser", 1285},
    {"version 0 is incomplete",
     "version  :0\r\nipaddress:127.0.0.1\r\nusername :proxyuser\r\n"
     "password :Kept@Pass_0042xyz\r\nport     :4000\r\n",
     false, true, std::nullopt, "proxyuser", 1285},
    {"ips run rewrites a complete file with a new password", kGood, true, true, std::nullopt, "proxyuser",
     1285},
    {"ips run without a file", std::nullopt, true, true, std::nullopt, "proxyuser", 1285},
    // clang-format on
};

TEST(ProxyConfigLoad, Cases) {
    for (const LoadCase& c : kLoadCases) {
        SCOPED_TRACE(c.name);
        testsupport::TestRoot root;  // fresh machine root per case
        std::string path = root.path() + "/" + kConfigRelative;
        if (c.file) {
            ASSERT_EQ(system(("mkdir -p '" + root.path() + "/C/Windows/System32'").c_str()), 0);
            testsupport::WriteWholeFile(path, *c.file);
            ASSERT_EQ(chmod(path.c_str(), 0644), 0);
        }
        g_IpsMode = c.ips;

        LoadProxyConfig();

        std::string password(g_ProxyPassword);
        if (c.password) {
            EXPECT_EQ(password, *c.password);
        } else {
            ExpectGeneratedPassword(password);
            EXPECT_NE(password, "Kept@Pass_0042xyz");
        }
        EXPECT_STREQ(g_ProxyUser, c.user);
        EXPECT_EQ(g_ServerPort, c.port);
        EXPECT_EQ(g_ConfigVersion, 1u);
        EXPECT_EQ(g_ListenAddress, c.ips ? 0u : kLoopbackNetworkOrder);
        EXPECT_FALSE(g_ConfigAddressChanged);

        std::string content = testsupport::ReadWholeFile(path);
        EXPECT_EQ(content, c.rewritten ? DefaultFile(password) : *c.file);
        EXPECT_EQ(RegistryConfigurationFile(), c.rewritten ? kConfigWindowsPath : "");
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << "access is reset at every start";
    }
    g_IpsMode = false;
}

TEST_F(ProxyConfigTest, EveryIpsStartWritesANewPassword) {
    g_IpsMode = true;
    LoadProxyConfig();
    std::string first(g_ProxyPassword);
    LoadProxyConfig();
    std::string second(g_ProxyPassword);
    ExpectGeneratedPassword(first);
    ExpectGeneratedPassword(second);
    EXPECT_NE(first, second);
    EXPECT_EQ(testsupport::ReadWholeFile(FilePath()), DefaultFile(second));
}

TEST_F(ProxyConfigTest, LongValuesAreCutAndLongLinesReadInFragments) {
    const std::string longUser(40, 'u');
    const std::string longPassword(60, 'p');
    // A line of more than 259 characters is read as several; the fragment after the cut is no key.
    const std::string longComment = "#" + std::string(300, 'c') + "port     :7\r\n";
    WriteConfig("version  :1\r\nipaddress:127.0.0.1\r\nusername :" + longUser +
                    "\r\npassword :" + longPassword + "\r\n" + longComment + "port     :4000\r\n",
                0600);
    LoadProxyConfig();
    EXPECT_EQ(std::string(g_ProxyUser), longUser.substr(0, 32));
    EXPECT_EQ(std::string(g_ProxyPassword), longPassword.substr(0, 48));
    EXPECT_EQ(g_ServerPort, 4000);
}

TEST_F(ProxyConfigTest, ReadingAMissingFileChangesNothing) {
    ClearProxyConfig();
    EXPECT_EQ(ReadProxyConfig(kConfigWindowsPath), 0);
    EXPECT_EQ(g_ServerPort, 0);
    EXPECT_STREQ(g_ProxyUser, "");
}

TEST_F(ProxyConfigTest, AFileThatCannotBeCreatedLeavesTheSettingsEmpty) {
    testsupport::WriteWholeFile(root_.path() + "/C", "not a directory");
    LoadProxyConfig();
    EXPECT_STREQ(g_ProxyUser, "");
    EXPECT_STREQ(g_ProxyPassword, "");
    EXPECT_EQ(g_ServerPort, 0);
    EXPECT_EQ(RegistryConfigurationFile(), "");
}

// Defaults that cannot be written whole (the disk fills up) are a failure and leave the old file as it was,
// never emptied or cut short.
TEST_F(ProxyConfigTest, DefaultsThatCannotBeWrittenLeaveTheOldFile) {
    const std::string incomplete = "version  :1\r\nusername :proxyuser\r\n";
    WriteConfig(incomplete, 0600);
    {
        testsupport::FileSizeLimit diskFull(16);
        EXPECT_EQ(WriteProxyConfigDefaults(kConfigWindowsPath), 0);
        LoadProxyConfig();
    }
    EXPECT_EQ(testsupport::ReadWholeFile(FilePath()), incomplete);
    EXPECT_STREQ(g_ProxyPassword, "") << "no password that the file does not hold";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root_.path() + "/C/Windows/System32"),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary left";
}

TEST(ProxyConfigText, TrimAndStrip) {
    char line[] = "  value \t\r\n\x01\xfe";
    StripTrailingControls(line);
    EXPECT_STREQ(line, "  value ");
    EXPECT_STREQ(TrimBlanks(line), "value");
    char blank[] = " \t ";
    EXPECT_STREQ(TrimBlanks(blank), "");
}

}  // namespace
