#include "corlink/transport/sas_addresses.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/files/machine_root.h"
#include "tests/support/test_root.h"

namespace {

// The adapter tool planted under the machine root as a shell script.
class AdapterCliTest : public ::testing::Test {
  protected:
    AdapterCliTest() {
        std::memset(&list, 0xEE, sizeof list);
        toolPath = platform::MapPath(kAdapterCliPath);
        argumentsFile = root.path() + "/arguments";
    }

    void PlantTool(const std::string& body, mode_t mode = 0755) {
        ASSERT_TRUE(platform::MakeDirectories(toolPath.substr(0, toolPath.rfind('/'))));
        testsupport::WriteWholeFile(toolPath, "#!/bin/sh\necho \"$@\" > '" + argumentsFile + "'\n" + body);
        ASSERT_EQ(::chmod(toolPath.c_str(), mode), 0);
    }
    // A tool that prints `output` and exits with `status`.
    void PlantPrinter(const std::string& output, int status = 0) {
        testsupport::WriteWholeFile(root.path() + "/output", output);
        PlantTool("cat '" + root.path() + "/output'\nexit " + std::to_string(status) + "\n");
    }
    bool ListUntouched() const {
        SAS_ADDRESS_LIST untouched;
        std::memset(&untouched, 0xEE, sizeof untouched);
        return std::memcmp(&list, &untouched, sizeof list) == 0;
    }

    testsupport::TestRoot root;
    std::string toolPath;
    std::string argumentsFile;
    SAS_ADDRESS_LIST list;
};

TEST_F(AdapterCliTest, AddressLinesOfTheToolOutputBecomeTheList) {
    PlantPrinter(
        "Adapter 0, port group A\n"
        "   SAS Address: 0000000000000000\n"       // zero: not an address
        "\t  SAS Address: 51402ec0012f3a40  \r\n"  // blanks around it
        "   SAS Address:51402EC0012F3A41\n"
        "   SAS Address: 51402ec0012f3a4 trailing\n"  // not only hex digits after the label
        "   Port: 1\n" +
        std::string(200, '-') + "SAS Address: 51402EC0012F3A42\n");  // the second fragment of a long line
    std::vector<std::string> texts;
    EXPECT_EQ(ReadAdapterCliSasAddresses(&texts), 0);
    EXPECT_EQ(texts, (std::vector<std::string>{"51402ec0012f3a40", "51402EC0012F3A41", "51402EC0012F3A42"}));
    EXPECT_EQ(testsupport::ReadWholeFile(argumentsFile), "show config detail\n");

    ASSERT_EQ(GetSupplementalSasAddresses(&list), 3u);
    EXPECT_EQ(list.count, 3u);
    const uint8_t first[8] = {0x51, 0x40, 0x2E, 0xC0, 0x01, 0x2F, 0x3A, 0x40};
    EXPECT_EQ(std::memcmp(list.addresses[0], first, 8), 0);
    EXPECT_EQ(list.addresses[2][7], 0x42);
}

TEST_F(AdapterCliTest, AbsentFailingOrSilentToolLeavesTheListAlone) {
    std::vector<std::string> texts{"stale"};
    EXPECT_EQ(ReadAdapterCliSasAddresses(&texts), 0);  // no tool
    EXPECT_TRUE(texts.empty());
    EXPECT_EQ(GetSupplementalSasAddresses(&list), 0u);

    PlantPrinter("SAS Address: 51402EC0012F3A40\n", 3);
    EXPECT_EQ(ReadAdapterCliSasAddresses(&texts), 3);  // the tool's exit status
    EXPECT_EQ(GetSupplementalSasAddresses(&list), 0u);

    PlantPrinter("No controllers detected.\n");
    EXPECT_EQ(GetSupplementalSasAddresses(&list), 0u);

    PlantPrinter("SAS Address: 51402EC0012F3A4\n");  // 15 digits: not all 8 bytes convert
    EXPECT_EQ(GetSupplementalSasAddresses(&list), 0u);
    EXPECT_TRUE(ListUntouched());
}

TEST_F(AdapterCliTest, ToolThatCannotBeStartedIsAFailureNotAnExit) {
    PlantPrinter("SAS Address: 51402EC0012F3A40\n");
    ASSERT_EQ(::chmod(toolPath.c_str(), 0644), 0);
    std::vector<std::string> texts;
    EXPECT_EQ(ReadAdapterCliSasAddresses(&texts), -1);
    EXPECT_EQ(GetSupplementalSasAddresses(&list), 0u);
    EXPECT_TRUE(ListUntouched());
}

TEST_F(AdapterCliTest, ThirtyThreeAddressesStoreTheFirstThirtyTwo) {
    std::string output;
    for (int i = 1; i <= 33; ++i) output += "SAS Address: 5000000000000" + std::to_string(100 + i) + "\n";
    PlantPrinter(output);
    ASSERT_EQ(GetSupplementalSasAddresses(&list), 32u);
    EXPECT_EQ(list.addresses[31][6], 0x01);
    EXPECT_EQ(list.addresses[31][7], 0x32);
}

TEST_F(AdapterCliTest, EndlessOutputStopsReadingEarly) {
    PlantTool("echo 'SAS Address: 51402EC0012F3A40'\nyes 'Port: 1I'\n");
    std::vector<std::string> texts;
    EXPECT_EQ(ReadAdapterCliSasAddresses(&texts), -2);
    EXPECT_EQ(texts.size(), 1u);
    EXPECT_EQ(GetSupplementalSasAddresses(&list), 0u);
    EXPECT_TRUE(ListUntouched());
}

TEST(ParseSasAddress, ConvertsPairsUntilTheFirstThatIsNotTwoDigits) {
    struct Case {
        const char* text;
        bool converted;
        uint8_t bytes[8];  // expected content, of which the stored prefix is compared
        size_t stored;
    } cases[] = {
        // clang-format off
        {"51402ec0012F3A40", true, {0x51, 0x40, 0x2E, 0xC0, 0x01, 0x2F, 0x3A, 0x40}, 8},
        {"51402EC0012F3A40FF",
         true,
         {0x51, 0x40, 0x2E, 0xC0, 0x01, 0x2F, 0x3A, 0x40},
         8},  // the rest is not read
        {"5140", false, {0x51, 0x40}, 2},
        {"5140zz00", false, {0x51, 0x40}, 2},
        {"51402EC0012F3A4", false, {0x51, 0x40, 0x2E, 0xC0, 0x01, 0x2F, 0x3A}, 7},  // a lone last digit
        {"", false, {}, 0},
        // clang-format on
    };
    for (const Case& c : cases) {
        uint8_t address[8];
        std::memset(address, 0xAA, sizeof address);
        EXPECT_EQ(ParseSasAddress(c.text, address), c.converted) << c.text;
        EXPECT_EQ(std::memcmp(address, c.bytes, c.stored), 0) << c.text;
        if (c.stored < 8) {
            EXPECT_EQ(address[c.stored], 0xAA) << c.text;
        }
    }
}

}  // namespace
