#include "corlink/foundation/install_paths.h"

#include <gtest/gtest.h>

#include <string>

#include "corlink/foundation/service_identity.h"
#include "corlink/foundation/service_params.h"
#include "tests/support/test_root.h"

namespace {

const std::string kParameters = std::string(SERVICE_KEY) + "\\Parameters";

struct Case {
    const char* label;
    const char* imagePath;  // null: no service key at all
    bool parametersKey;
    const char* name;     // null: value absent
    const char* version;  // null: value absent
    const char* installDir;
    const char* expectedName;
    const char* expectedVersion;
};

const Case kCases[] = {
    // clang-format off
    {"program folder, no Parameters key", "C:\\Tools\\corlink4.exe", false, nullptr, nullptr, "C:\\Tools\\",
     "Corlink", "2.4.0.0"},
    {"Parameters with both values", "C:\\Tools\\corlink4.exe", true, "Proxy", "4.1.0.7", "C:\\Tools\\",
     "Proxy", "4.1.0.7"},
    // A Parameters key made for ConfigurationFile alone keeps the program folder and takes the defaults.
    {"Parameters without Name and Version", "C:\\Tools\\corlink4.exe", true, nullptr, nullptr, "C:\\Tools\\",
     "Corlink", "2.4.0.0"},
    {"Parameters without Version", "D:\\x\\y\\corlink4.exe", true, "Proxy", nullptr, "D:\\x\\y\\", "Proxy",
     "2.4.0.0"},
    {"no service key", nullptr, false, nullptr, nullptr, "C:\\\\", "Corlink", "2.4.0.0"},
    {"image path without a backslash", "corlink4", false, nullptr, nullptr, "C:\\\\", "Corlink", "2.4.0.0"},
    // clang-format on
};

class InstallPathsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_InstallDirectory[0] = '\0';
        std::snprintf(g_ServiceParamName, sizeof g_ServiceParamName, "stale");
        std::snprintf(g_ServiceParamVersion, sizeof g_ServiceParamVersion, "stale");
    }
};

TEST_F(InstallPathsTest, DirectoryAndParameterTexts) {
    for (const Case& c : kCases) {
        testsupport::TestRoot root;
        if (c.imagePath != nullptr) root.SetString(SERVICE_KEY, "ImagePath", c.imagePath);
        if (c.parametersKey)
            root.SetString(kParameters, "ConfigurationFile", "C:\\Windows\\System32\\corlink4.conf");
        if (c.name != nullptr) root.SetString(kParameters, "Name", c.name);
        if (c.version != nullptr) root.SetString(kParameters, "Version", c.version);

        InitFilePaths();

        const std::string dir = c.installDir;
        EXPECT_EQ(g_InstallDirectory, dir) << c.label;
        EXPECT_EQ(g_DumpSwitchFile, dir + "corlink.log") << c.label;
        EXPECT_EQ(g_DumpFile, dir + "corlink.dat") << c.label;
        EXPECT_EQ(g_ConfigFile, dir + "corlink.conf") << c.label;
        EXPECT_STREQ(g_ServiceParamName, c.expectedName) << c.label;
        EXPECT_STREQ(g_ServiceParamVersion, c.expectedVersion) << c.label;
    }
}

// Values longer than their buffers are never copied past them: an image path that does not fit reads as
// missing, a Name that does not fit makes the install directory "c:\".
TEST_F(InstallPathsTest, OverlongValuesStayWithinTheirBuffers) {
    testsupport::TestRoot root;
    root.SetString(SERVICE_KEY, "ImagePath", "C:\\" + std::string(300, 'a') + "\\corlink4.exe");
    InitFilePaths();
    EXPECT_STREQ(g_InstallDirectory, "C:\\\\");

    root.SetString(SERVICE_KEY, "ImagePath", "C:\\Tools\\corlink4.exe");
    root.SetString(kParameters, "Name", std::string(400, 'n'));
    root.SetString(kParameters, "Version", "1.0");
    InitFilePaths();
    EXPECT_STREQ(g_InstallDirectory, "c:\\");
    EXPECT_STREQ(g_ConfigFile, "c:\\corlink.conf");
    EXPECT_STREQ(g_ServiceParamName, "Corlink");
    EXPECT_STREQ(g_ServiceParamVersion, "1.0");
}

}  // namespace
